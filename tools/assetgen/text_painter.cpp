#include "text_painter.h"

#include <algorithm>

#include "font_rasterizer.h"

namespace assetgen {

TextPainter::TextPainter() = default;
TextPainter::~TextPainter() = default;

platform::FontFace& TextPainter::face(const TextStyle& style) {
    auto key = std::make_tuple(style.family, style.cell_height, style.bold);
    auto found = m_faces.find(key);
    if (found != m_faces.end()) return *found->second;
    platform::FontRequest request;
    request.family = style.family;
    request.cellHeight = style.cell_height;
    request.bold = style.bold;
    auto inserted = m_faces.emplace(key, std::make_unique<platform::FontFace>(request));
    return *inserted.first->second;
}

int TextPainter::width(const TextStyle& style, const std::string& text) { return face(style).textWidth(text); }

void TextPainter::draw(Image& image, int x, int y, const TextStyle& style, const std::string& text, Rgb colour) {
    platform::FontFace& f = face(style);
    const int w = f.textWidth(text) + f.cellHeight();  // room for overhanging glyphs
    const int h = f.cellHeight();
    const int margin = h / 2;
    platform::CoverageBitmap mask(w + 2 * margin, h);
    f.drawText(mask.view(), margin, 0, text);
    for (int my = 0; my < mask.height(); ++my)
        for (int mx = 0; mx < mask.width(); ++mx)
            if (uint8_t ink = mask.at(mx, my)) image.blend(x + mx - margin, y + my, colour, ink / 255.0f);
}

void TextPainter::draw_centred(Image& image, int cx, int y, const TextStyle& style, const std::string& text,
                               Rgb colour) {
    draw(image, cx - width(style, text) / 2, y, style, text, colour);
}

void TextPainter::draw_title(Image& image, int cx, int y, const TextStyle& style, const std::string& text, Rgb colour,
                             Rgb outline) {
    const int x = cx - width(style, text) / 2;
    const int shadow = std::max(2, style.cell_height / 20);
    draw(image, x + shadow, y + shadow, style, text, outline);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy) draw(image, x + dx, y + dy, style, text, outline);
    draw(image, x, y, style, text, colour);
}

}  // namespace assetgen
