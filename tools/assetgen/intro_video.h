// The intro clip: 320 x 240 at 15 frames per second for 4 seconds, a flight
// through a star field past a planet and a tumbling rock, with the title
// fading in, and a sound track of its own.
#pragma once

#include "avi_writer.h"
#include "text_painter.h"

namespace assetgen {

constexpr int kIntroWidth = 320, kIntroHeight = 240, kIntroFps = 15, kIntroFrames = 60;

AviClip make_intro_clip(TextPainter& text);

}  // namespace assetgen
