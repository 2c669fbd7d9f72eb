// Text rasterising over fontconfig and FreeType: a face found by family name,
// sized by its cell height (ascent + descent, the way GDI sizes a font given a
// positive height), drawn antialiased into 8-bit coverage bitmaps.
//
// Used by the GDI stand-in and by the asset generator, which draws menu text
// into images. Nothing here knows about GDI handles or colours.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// Raised when no face can be had at all, or FreeType refuses the file.
class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A window onto 8-bit coverage memory owned by someone else (0 = no ink,
// 255 = full ink). Drawing clips to it.
struct CoverageView {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next

    uint8_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * pitch; }
};

// An owned coverage bitmap, zero-filled.
class CoverageBitmap {
public:
    CoverageBitmap(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    uint8_t at(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
    const std::vector<uint8_t>& pixels() const { return m_pixels; }
    CoverageView view();
    void clear();

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_pixels;
};

struct FontRequest {
    std::string family;   // any name: fontconfig substitutes a face it has
    int cellHeight = 0;   // ascent + descent in pixels; used when > 0
    int emHeight = 0;     // character (em) height in pixels; used when cellHeight is 0
    bool bold = false;
    bool italic = false;
};

// One thread at a time per face: drawing reuses FreeType's glyph slot.
class FontFace {
public:
    // Finds the face through fontconfig and sizes it. Throws FontError.
    explicit FontFace(const FontRequest& request);
    // Opens a font file directly (no fontconfig), sized by cell height. Throws FontError.
    FontFace(const std::string& filePath, int cellHeight);
    ~FontFace();

    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // What fontconfig chose.
    const std::string& familyName() const { return m_familyName; }
    const std::string& filePath() const { return m_filePath; }

    int cellHeight() const { return m_ascent + m_descent; }
    int ascent() const { return m_ascent; }    // cell top to baseline
    int descent() const { return m_descent; }  // baseline to cell bottom

    // Advance width in whole pixels of one character (a byte taken as Latin-1).
    int advance(char c) const;
    // Sum of the advances: the width of the string's cells, without kerning.
    int textWidth(const std::string& text) const;

    // Draws one character whose cell's top-left corner is at (x, y): the
    // baseline lies at y + ascent(). Ink is laid over what the bitmap holds
    // (coverage composited "over"), clipped to the bitmap. Returns the advance.
    int drawChar(const CoverageView& target, int x, int y, char c) const;
    // Draws the characters one cell after another from (x, y). Returns the width.
    int drawText(const CoverageView& target, int x, int y, const std::string& text) const;

private:
    struct FreeTypeHandles;
    void openFile(const std::string& path, int faceIndex);
    void sizeByCellHeight(int cellHeight);
    void sizeByEmHeight(int emHeight);
    void cacheAdvances();

    std::unique_ptr<FreeTypeHandles> m_ft;
    std::string m_familyName;
    std::string m_filePath;
    int m_ascent = 0;
    int m_descent = 0;
    int m_advances[256] = {};
};

// The file fontconfig would pick for a family name (never empty when any font
// is installed). Throws FontError when fontconfig has nothing at all.
struct FontMatch {
    std::string filePath;
    int faceIndex = 0;
    std::string familyName;
};
FontMatch matchFont(const std::string& family, bool bold = false, bool italic = false);

}  // namespace platform
