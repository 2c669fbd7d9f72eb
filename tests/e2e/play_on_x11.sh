#!/usr/bin/env bash
# Plays the built game as a person would: the executable itself, started from
# its run directory on a real X server (Xvfb), driven by real key and mouse
# events (xdotool). It skips the intro, picks the ship with the "ok" button,
# flies and fires, opens the menu and chooses Exit; the game must then end
# by itself with the normal-quit status. Screenshots of the ship-select
# screen and of play are checked (not black, the 800x600 picture scaled to
# the 16:9 screen with its aspect kept) and left in the output folder.
#   play_on_x11.sh <game executable> <run directory> <output folder>
set -euo pipefail
game="$(realpath "$1")"; run_dir="$(realpath "$2")"; out="$(realpath -m "$3")"
mkdir -p "$out"
convert=/usr/bin/convert

for tool in Xvfb xdotool import "$convert"; do
  command -v "$tool" >/dev/null || { echo "play_on_x11: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

# A screen of its own, on a display number nobody uses.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x720x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "play_on_x11: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

shot() { import -window root "$out/$1.png"; }
# Mean brightness (0..1) of a region WxH+X+Y of a screenshot.
brightness() { "$convert" "$out/$1.png" -crop "$2" +repage -colorspace Gray -format "%[fx:mean]" info:; }
# Share (0..1) of near-white pixels in a region.
whiteness() { "$convert" "$out/$1.png" -crop "$2" +repage -colorspace Gray -threshold 90% -format "%[fx:mean]" info:; }
check_picture() {
  local name="$1" centre left right
  centre=$(brightness "$name" 960x720+160+0)
  left=$(brightness "$name" 150x720+0+0)
  right=$(brightness "$name" 150x720+1130+0)
  echo "play_on_x11: $name: picture $centre, side bars $left / $right"
  awk -v c="$centre" -v l="$left" -v r="$right" 'BEGIN { exit !(c > 0.02 && l < 0.005 && r < 0.005) }' ||
    { echo "play_on_x11: $name does not show the game scaled to the screen" >&2; exit 1; }
}
# The game polls the keyboard once a frame: hold each key across a few frames.
key() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.2; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }

cd "$run_dir"
SDL_AUDIODRIVER=dummy "$game" >"$out/game.log" 2>&1 &
game_pid=$!

# The window appears with the intro: skip it.
for _ in $(seq 1 100); do
  xdotool search --name "Host Application" >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
key Escape
# Loading (13 frames and a two-second hold), then the ship-select screen:
# wait for the loading screen's bright title to go and the white "DEMO" mark
# to show in the lower right corner.
for _ in $(seq 1 60); do
  sleep 0.5
  shot ship_select
  awk -v t="$(brightness ship_select 600x60+340+60)" -v d="$(whiteness ship_select 150x38+962+682)" \
    'BEGIN { exit !(t < 0.08 && d > 0.05) }' && break
done
sleep 0.5
shot ship_select
check_picture ship_select

# The cursor starts at the screen's centre; "ok" is 106, 103 game pixels away.
xdotool mousemove_relative -- 106 103
sleep 0.5
xdotool mousedown 1; sleep 0.3; xdotool mouseup 1
sleep 1
xdotool keydown Up keydown Control_L
sleep 2
shot play
xdotool keyup Control_L keyup Up
key space
hold Left 1
check_picture play

# The menu: "Exit" is two steps down.
key Escape
sleep 0.5
key Down
sleep 0.3
key Down
sleep 0.3
key Return

status=""
for _ in $(seq 1 100); do
  if ! kill -0 "$game_pid" 2>/dev/null; then
    wait "$game_pid" && status=0 || status=$?
    break
  fi
  sleep 0.1
done
if [ -z "$status" ]; then
  echo "play_on_x11: the game did not end after Exit" >&2
  cat "$out/game.log" >&2
  exit 1
fi
game_pid=""
if [ "$status" != 0 ]; then
  echo "play_on_x11: the game ended with status $status" >&2
  cat "$out/game.log" >&2
  exit 1
fi
echo "play_on_x11: played, quit with status 0; screenshots in $out"
