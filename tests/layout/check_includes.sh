#!/bin/sh
# The game's code (framework/, game/, av/, main.cpp) and our tools reach the
# platform layer only through its interface headers, and never include a
# library the layer stands on. Prints each offending include and fails when
# there is one.
#   check_includes.sh <source root>
set -eu
root=${1:?usage: check_includes.sh <source root>}
cd "$root"

# The headers that declare what the game calls; every other header under
# platform/ belongs to the layer's inside.
interface="win32_api.h com_api.h gdi_api.h d3d8_api.h d3dx8_api.h dinput_api.h
dsound_api.h mmio_api.h dshow_api.h dshow_base.h dmusic_api.h file_paths.h"
# The asset generator draws its text with the rasteriser GDI uses.
tools_may_use="font_rasterizer.h"

# Headers of SDL, OpenGL, FreeType, fontconfig, FFmpeg, FluidSynth, ALSA,
# libpng, libjpeg and zlib.
libraries='^(SDL2?/|SDL[_.]|GL/|GLES[0-9]*/|EGL/|KHR/|ft2build\.h|freetype/|fontconfig/|libav[a-z]*/|libsw[a-z]*/|fluidsynth[./]|alsa/|png\.h|pngconf\.h|jpeglib\.h|jerror\.h|zlib\.h)'

platform_headers=$(find platform -name '*.h' | sed 's|.*/||' | sort -u | tr '\n' ' ')
sources=$(find main.cpp framework game av tools -name '*.h' -o -name '*.cpp' | sort)

# shellcheck disable=SC2086
awk -v interface="$interface" -v tools_may_use="$tools_may_use" -v libraries="$libraries" \
    -v platform_headers="$platform_headers" -v sources="$sources" '
BEGIN {
  split(interface, list, /[ \n]+/); for (i in list) allowed[list[i]] = 1
  split(tools_may_use, list, / +/); for (i in list) tools_allowed[list[i]] = 1
  split(platform_headers, list, / +/); for (i in list) if (list[i] != "") inside[list[i]] = 1
  split(sources, list, /\n/); for (i in list) own[list[i]] = 1
  bad = 0
}
/^[ \t]*#[ \t]*include[ \t]*[<"]/ {
  name = $0
  sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", name)
  sub(/[>"].*$/, "", name)
  where = FILENAME ":" FNR
  if (name ~ libraries) {
    print where ": includes a library the platform layer stands on: " name; bad = 1; next
  }
  base = name; sub(/.*\//, "", base)
  if (!(base in inside)) next
  # A header next to the including file is its own (tools/ has a bmp_writer.h),
  # unless the relative name leads into platform/.
  dir = FILENAME; sub(/\/[^\/]*$/, "", dir)
  if (name !~ /platform\// && ((dir "/" name) in own)) next
  if (base in allowed) next
  if (FILENAME ~ /^tools\// && (base in tools_allowed)) next
  print where ": includes the platform layer'\''s inside: " name
  bad = 1
}
END {
  if (bad) { print "only these platform headers may be included: " interface; exit 1 }
  print "includes keep to the platform layer'\''s interface headers"
}' $sources
