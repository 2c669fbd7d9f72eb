// The texts drawn with any texture font while a TextTrace is alive, in the
// order they were drawn (the font, its place, the text and its colour).
#pragma once

#include "d3d8_api.h"

#include <string>
#include <vector>

class CTextureFont;

struct DrawnText {
    const CTextureFont* font;
    float x, y;
    std::string text;
    D3DCOLOR colour;
};

class TextTrace {
public:
    TextTrace();
    ~TextTrace();
    TextTrace(const TextTrace&) = delete;
    TextTrace& operator=(const TextTrace&) = delete;

    // Every text drawn so far, and those drawn with `font`.
    const std::vector<DrawnText>& all() const;
    std::vector<DrawnText> with(const CTextureFont* font) const;
    void clear();
};
