// Draws text into pictures through the platform's font rasteriser
// (fontconfig + FreeType), with the faces cached per style.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "image.h"

namespace platform {
class FontFace;
}

namespace assetgen {

struct TextStyle {
    std::string family;  // fontconfig family name (substitutes apply)
    int cell_height;     // ascent + descent in pixels
    bool bold = false;
};

class TextPainter {
public:
    TextPainter();
    ~TextPainter();

    int width(const TextStyle& style, const std::string& text);
    // Draws `text` with its first cell's top-left corner at (x, y).
    void draw(Image& image, int x, int y, const TextStyle& style, const std::string& text, Rgb colour);
    // Draws `text` centred on column `cx`, top at y.
    void draw_centred(Image& image, int cx, int y, const TextStyle& style, const std::string& text, Rgb colour);
    // A centred text with a dark outline (all eight neighbours) and a
    // drop shadow, which keeps it legible over any background.
    void draw_title(Image& image, int cx, int y, const TextStyle& style, const std::string& text, Rgb colour,
                    Rgb outline);

private:
    platform::FontFace& face(const TextStyle& style);

    std::map<std::tuple<std::string, int, bool>, std::unique_ptr<platform::FontFace>> m_faces;
};

}  // namespace assetgen
