// The pictures the sprites cut out, each at exactly the size of the
// texture its creator makes. Pure black (0,0,0) is transparent; opaque
// dark ink is (1,1,1) or brighter. Every frame shows only the texels from
// 2 into its cell up to the frame's width and height, so nothing is drawn
// in a cell's first two rows and columns or in the gutters between cells.
#pragma once

#include "image.h"
#include "text_painter.h"

namespace assetgen {

// The rectangle [x0, x1) x [y0, y1) of a sheet that a frame shows.
struct FrameRect {
    int x0, y0, x1, y1;
};

// Frame f of a one-row sheet of frames of w x h texels.
FrameRect visible_frame(int f, int w, int h);

Image make_loadscreen(TextPainter& text);  // 1024 x 1024, picture in the top-left 800 x 600
Image make_loading_panel(TextPainter& text);  // 256 x 256
Image make_indicator();                       // 16 x 16
Image make_main_menu(TextPainter& text);      // 128 x 128
Image make_cursor();                          // 16 x 16, tip at texel (2, 2)
Image make_ship_select(TextPainter& text);    // 256 x 217

enum class ButtonGlyph { Left, Right, Ok };
Image make_button_sheet(ButtonGlyph glyph, TextPainter& text);  // 256 x 64, frames 40 x 20: rest, pressed

Image make_explosion_sheet();  // 256 x 128, six frames of 32 x 32
Image make_star_sheet();       // 32 x 32, three frames of 8 x 8

}  // namespace assetgen
