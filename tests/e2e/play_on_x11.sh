#!/usr/bin/env bash
# Plays the built game as a person would: the executable itself, started from
# its run directory on a real X server (Xvfb), driven by real key and mouse
# events (xdotool). It skips the intro, picks the ship with the "ok" button,
# flies, fires and turns, opens the menu and chooses Exit; the game must then
# end by itself with the normal-quit status. Screenshots of the ship-select
# screen and of play are checked (not black, the 800x600 picture scaled to
# the 16:9 screen with its aspect kept) and left in the output folder.
#
# The sound decides what the game may write on stderr:
#   device  SDL's dummy output: a device to play on, so nothing at all;
#   none    ALSA with no device, as on a machine without a sound card: the
#           one line that says the game plays silent, and nothing else.
#
# Every step waits for what the game shows (or for the process to end), never
# for a fixed time: on a loaded machine a frame can take far longer than its
# 30 ms. The game reads the keys and the mouse once a frame, so each press is
# held until the screen shows that the game has seen it.
#   play_on_x11.sh <game executable> <run directory> <output folder> <device|none>
set -euo pipefail
game="$(realpath "$1")"; run_dir="$(realpath "$2")"; out="$(realpath -m "$3")"; sound="$4"
mkdir -p "$out"
convert=/usr/bin/convert
# Generous: a frame on a machine busy with other work may take a second.
limit=180

for tool in Xvfb xdotool import "$convert"; do
  command -v "$tool" >/dev/null || { echo "play_on_x11: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
case "$sound" in
  device) sound_env=(SDL_AUDIODRIVER=dummy); expected_stderr="" ;;
  none) sound_env=(SDL_AUDIODRIVER=alsa ALSA_CONFIG_PATH=/dev/null)
        expected_stderr="rockshooter: no sound device; the game plays silent" ;;
  *) echo "play_on_x11: the sound is 'device' or 'none', not '$sound'" >&2; exit 1 ;;
esac

# A screen of its own, on a display number nobody uses. Without -noreset the
# server starts over each time its last client leaves, and drops whoever
# connects meanwhile: the game's start-up (SDL looks at the display, lets go
# of it and connects again) or one of our own xdotool calls, the more often
# the busier the machine.
exec 3< <(Xvfb -displayfd 1 -noreset -screen 0 1280x720x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t "$limit" display <&3 || { echo "play_on_x11: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
echo "play_on_x11: X server on $DISPLAY"
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
  echo "play_on_x11: $1" >&2
  echo "play_on_x11: the X server's screen: $(xdotool getdisplaygeometry 2>&1 | tr '\n' ' ')" >&2
  echo "play_on_x11: the game's stderr:" >&2
  cat "$out/game.err" >&2
  exit 1
}

# The screen as it is now, in now.png; `keep` copies it under a name.
shot() { import -window root "$out/now.png"; }
keep() { cp "$out/now.png" "$out/$1.png"; }
# Of a region WxH+X+Y of a screenshot: mean brightness (0..1), brightest
# pixel, and the share of its pixels an fx expression holds for.
brightness() { "$convert" "$out/$1.png" -crop "$2" +repage -colorspace Gray -format "%[fx:mean]" info:; }
peak() { "$convert" "$out/$1.png" -crop "$2" +repage -colorspace Gray -format "%[fx:maxima]" info:; }
share() { "$convert" "$out/$1.png" -crop "$2" +repage -fx "$3" -colorspace Gray -format "%[fx:mean]" info:; }
is() { awk "BEGIN { exit !($1) }"; }

# Runs the check named in its arguments on a fresh screenshot until it holds;
# fails when the game has ended or the limit has passed first.
wait_for() {
  local what="$1" deadline=$((SECONDS + limit))
  shift
  until "$@"; do
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for $what"
    [ "$SECONDS" -lt "$deadline" ] || fail "$what did not show within $limit seconds"
    sleep 0.2
  done
}
# Holds the keys down until the check holds, then lets them go.
hold_until() {
  local what="$1" keys="$2"
  shift 2
  # shellcheck disable=SC2086
  xdotool keydown $keys
  wait_for "$what" "$@"
  # shellcheck disable=SC2086
  xdotool keyup $keys
}

window_open() { xdotool search --name "Host Application" >/dev/null 2>&1; }
# The loading screen's bright title (the intro is over), or already the
# ship-select screen.
intro_over() { shot; is "$(brightness now 600x60+340+60) > 0.2" || ship_select; }
# The loading screen's title gone and the white "DEMO" mark in the lower
# right corner.
ship_select() {
  shot
  is "$(brightness now 600x60+340+60) < 0.08 && $(share now 150x38+962+682 'intensity > 0.9') > 0.05"
}
# The "ok" button (40x20 at 498,395 of the 800x600 picture) in its darker
# pressed frame: the game has seen the cursor on it and the button held.
ok_button=48x24+734+462
ok_pressed() { shot; is "$(brightness now $ok_button) < $ok_at_rest - 0.07"; }
# The heads-up display's top line: shown in play, not on the ship-select screen.
playing() { shot; is "$(brightness now 200x30+160+0) > 0.02"; }
# The magenta "Missles: 10" in the lower left changes when a pair has left.
missiles=130x30+160+685
magenta='r > 0.5 && b > 0.5 && g < 0.35'
missiles_fired() { shot; is "$(share now $missiles "$magenta") != $missiles_before"; }
# The menu's yellow title.
menu_shown() { shot; is "$(share now 100x30+590+293 'r > 0.7 && g > 0.55 && b < 0.35') > 0.03"; }
# The chosen item pulses from black to white, the others stay 70% grey.
exit_chosen() {
  shot
  local first second last
  first=$(peak now 86x19+598+342); second=$(peak now 96x19+588+364); last=$(peak now 58x19+618+385)
  is "($first - $second)^2 < 0.003 && ($last - $first)^2 > 0.02"
}
game_ended() { ! kill -0 "$game_pid" 2>/dev/null; }

check_picture() {
  local name="$1" centre left right
  centre=$(brightness "$name" 960x720+160+0)
  left=$(brightness "$name" 150x720+0+0)
  right=$(brightness "$name" 150x720+1130+0)
  echo "play_on_x11: $name: picture $centre, side bars $left / $right"
  is "$centre > 0.02 && $left < 0.005 && $right < 0.005" || fail "$name does not show the game scaled to the screen"
}

cd "$run_dir"
# Under the leak checker (scripts/test's sanitizer pass) its tally of the
# suppressions it used is not the game's to say; a leak is still reported.
lsan_options="${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0"
# Only X11: should the server not be reached, SDL would go on to an offscreen
# window that nobody sees, and the test would wait for it in vain.
env "${sound_env[@]}" SDL_VIDEODRIVER=x11 LSAN_OPTIONS="$lsan_options" "$game" \
  >"$out/game.out" 2>"$out/game.err" &
game_pid=$!

wait_for "the game's window" window_open
hold_until "the end of the intro" Escape intro_over
wait_for "the ship-select screen" ship_select
keep ship_select
check_picture ship_select

# The cursor starts at the screen's centre; "ok" is 106, 103 game pixels away.
ok_at_rest=$(brightness now $ok_button)
xdotool mousemove_relative -- 106 103
xdotool mousedown 1
wait_for "the pressed ok button" ok_pressed
xdotool mouseup 1
wait_for "play" playing

# Thrust, fire and turn, all held until the missiles have gone too.
missiles_before=$(share now $missiles "$magenta")
xdotool keydown Up keydown Control_L keydown Left
hold_until "the missiles leaving" space missiles_fired
xdotool keyup Left keyup Control_L keyup Up
keep play
check_picture play

# The menu: "Exit" is two steps down (the selection stops at the last item).
hold_until "the menu" Escape menu_shown
hold_until "Exit chosen in the menu" Down exit_chosen
hold_until "the game's end after Exit" Return game_ended

wait "$game_pid" && status=0 || status=$?
game_pid=""
[ "$status" = 0 ] || fail "the game ended with status $status"
[ "$(cat "$out/game.err")" = "$expected_stderr" ] ||
  fail "with sound '$sound' the game should have written only '$expected_stderr' on stderr"
echo "play_on_x11: played, quit with status 0; screenshots in $out"
