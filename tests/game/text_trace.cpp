#include "text_trace.h"

#include "TextureFont.h"

namespace {
std::vector<DrawnText>* g_pTrace = nullptr;
}

// The linker sends every call of CTextureFont::DrawText here (see extra.cmake).
extern "C" void __real__ZN12CTextureFont8DrawTextEffPKcj(CTextureFont* font, float x, float y,
                                                          const char* text, D3DCOLOR colour);
extern "C" void __wrap__ZN12CTextureFont8DrawTextEffPKcj(CTextureFont* font, float x, float y,
                                                          const char* text, D3DCOLOR colour) {
    if (g_pTrace) g_pTrace->push_back(DrawnText{font, x, y, text ? text : "", colour});
    __real__ZN12CTextureFont8DrawTextEffPKcj(font, x, y, text, colour);
}

TextTrace::TextTrace() { g_pTrace = new std::vector<DrawnText>(); }

TextTrace::~TextTrace() {
    delete g_pTrace;
    g_pTrace = nullptr;
}

const std::vector<DrawnText>& TextTrace::all() const { return *g_pTrace; }

std::vector<DrawnText> TextTrace::with(const CTextureFont* font) const {
    std::vector<DrawnText> texts;
    for (const DrawnText& t : *g_pTrace)
        if (t.font == font) texts.push_back(t);
    return texts;
}

void TextTrace::clear() { g_pTrace->clear(); }
