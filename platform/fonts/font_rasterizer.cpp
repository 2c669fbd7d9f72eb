#include "font_rasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace platform {

// ---------------------------------------------------------------- coverage bitmap

CoverageBitmap::CoverageBitmap(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * m_height, 0) {}

CoverageView CoverageBitmap::view() { return CoverageView{m_pixels.data(), m_width, m_height, m_width}; }

void CoverageBitmap::clear() { std::fill(m_pixels.begin(), m_pixels.end(), 0); }

// ---------------------------------------------------------------- fontconfig

namespace {

std::mutex& fontconfigMutex() {
    static std::mutex mutex;
    return mutex;
}

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::string patternString(FcPattern* pattern, const char* property) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, property, 0, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

}  // namespace

FontMatch matchFont(const std::string& family, bool bold, bool italic) {
    std::lock_guard<std::mutex> lock(fontconfigMutex());
    if (!FcInit()) throw FontError("fontconfig could not load its configuration");
    // Its configuration lives until the process ends; give it back then, so
    // that leak checks see only what the program itself keeps.
    static const bool releasedAtExit = std::atexit(FcFini) == 0;
    (void)releasedAtExit;

    PatternPtr pattern(FcPatternCreate());
    if (!pattern) throw FontError("fontconfig: out of memory");
    const std::string name = family.empty() ? std::string("sans-serif") : family;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) throw FontError("fontconfig found no font at all for \"" + name + "\"");

    FontMatch found;
    found.filePath = patternString(match.get(), FC_FILE);
    found.familyName = patternString(match.get(), FC_FAMILY);
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch) found.faceIndex = index;
    if (found.filePath.empty()) throw FontError("fontconfig matched \"" + name + "\" to no file");
    return found;
}

// ---------------------------------------------------------------- FreeType handles

struct FontFace::FreeTypeHandles {
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    ~FreeTypeHandles() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

namespace {

// The face's ascent and descent in font units, as GDI measures a cell: the
// Windows metrics of the OS/2 table where the font has them.
void designMetrics(FT_Face face, long* ascent, long* descent) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
        return;
    }
    *ascent = face->ascender;
    *descent = -face->descender;
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM;
        *descent = 0;
    }
}

// One glyph rendered antialiased, with its placement relative to the pen on the baseline.
FT_GlyphSlot renderGlyph(FT_Face face, char c) {
    const FT_ULong code = static_cast<unsigned char>(c);
    if (FT_Load_Char(face, code, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return nullptr;
    if (face->glyph->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return nullptr;
    return face->glyph;
}

uint8_t coverageOf(const FT_Bitmap& bitmap, int column, const uint8_t* row) {
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        return (row[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1 && bitmap.num_grays != 256)
        return static_cast<uint8_t>(row[column] * 255 / (bitmap.num_grays - 1));
    return row[column];
}

// Lays coverage src over dst: what the ink does not cover keeps its old coverage.
uint8_t over(uint8_t dst, uint8_t src) {
    return static_cast<uint8_t>(src + (dst * (255 - src) + 127) / 255);
}

void blitCoverage(const CoverageView& target, const FT_Bitmap& bitmap, int left, int top) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    const int rows = static_cast<int>(bitmap.rows);
    const int columns = static_cast<int>(bitmap.width);
    for (int r = std::max(0, -top); r < rows && top + r < target.height; ++r) {
        const uint8_t* source = bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
        if (bitmap.pitch < 0) source = bitmap.buffer + static_cast<std::ptrdiff_t>(rows - 1 - r) * -bitmap.pitch;
        uint8_t* dest = target.row(top + r);
        for (int c = std::max(0, -left); c < columns && left + c < target.width; ++c) {
            const uint8_t ink = coverageOf(bitmap, c, source);
            if (ink) dest[left + c] = over(dest[left + c], ink);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- FontFace

FontFace::FontFace(const FontRequest& request) : m_ft(std::make_unique<FreeTypeHandles>()) {
    const FontMatch match = matchFont(request.family, request.bold, request.italic);
    openFile(match.filePath, match.faceIndex);
    if (!match.familyName.empty()) m_familyName = match.familyName;
    if (request.cellHeight > 0)
        sizeByCellHeight(request.cellHeight);
    else if (request.emHeight > 0)
        sizeByEmHeight(request.emHeight);
    else
        throw FontError("font request for \"" + request.family + "\" gives no height");
    cacheAdvances();
}

FontFace::FontFace(const std::string& filePath, int cellHeight)
    : m_ft(std::make_unique<FreeTypeHandles>()) {
    if (cellHeight <= 0) throw FontError("cell height must be positive for " + filePath);
    openFile(filePath, 0);
    sizeByCellHeight(cellHeight);
    cacheAdvances();
}

FontFace::~FontFace() = default;

void FontFace::openFile(const std::string& path, int faceIndex) {
    if (FT_Init_FreeType(&m_ft->library) != 0) throw FontError("FreeType could not start");
    if (FT_New_Face(m_ft->library, path.c_str(), faceIndex, &m_ft->face) != 0) {
        m_ft->face = nullptr;
        throw FontError("FreeType cannot open font file " + path);
    }
    m_filePath = path;
    m_familyName = m_ft->face->family_name ? m_ft->face->family_name : "";
}

void FontFace::sizeByCellHeight(int cellHeight) {
    FT_Face face = m_ft->face;
    if (!FT_IS_SCALABLE(face)) {
        // A bitmap-only face comes in fixed sizes: take its first strike.
        if (face->num_fixed_sizes < 1 || FT_Select_Size(face, 0) != 0)
            throw FontError("font " + m_filePath + " has no usable size");
        m_ascent = static_cast<int>(face->size->metrics.ascender >> 6);
        m_descent = std::max(0, cellHeight - m_ascent);
        return;
    }
    long ascent = 0, descent = 0;
    designMetrics(face, &ascent, &descent);
    const double cellUnits = static_cast<double>(ascent + descent);
    const double emPixels = cellHeight * face->units_per_EM / cellUnits;
    const FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(emPixels * 64.0));
    if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(size, 1), 72, 72) != 0)
        throw FontError("FreeType cannot size " + m_filePath);
    m_ascent = static_cast<int>(std::lround(ascent * cellHeight / cellUnits));
    m_descent = cellHeight - m_ascent;
}

void FontFace::sizeByEmHeight(int emHeight) {
    FT_Face face = m_ft->face;
    if (!FT_IS_SCALABLE(face)) {
        sizeByCellHeight(emHeight);
        return;
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(emHeight)) != 0)
        throw FontError("FreeType cannot size " + m_filePath);
    long ascent = 0, descent = 0;
    designMetrics(face, &ascent, &descent);
    const double scale = static_cast<double>(emHeight) / face->units_per_EM;
    m_ascent = static_cast<int>(std::lround(ascent * scale));
    m_descent = static_cast<int>(std::lround(descent * scale));
}

void FontFace::cacheAdvances() {
    FT_Face face = m_ft->face;
    for (int code = 0; code < 256; ++code) {
        const FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL;
        if (code < 32 || FT_Load_Char(face, static_cast<FT_ULong>(code), flags) != 0) {
            m_advances[code] = 0;
            continue;
        }
        m_advances[code] = static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }
}

int FontFace::advance(char c) const { return m_advances[static_cast<unsigned char>(c)]; }

int FontFace::textWidth(const std::string& text) const {
    int width = 0;
    for (char c : text) width += advance(c);
    return width;
}

int FontFace::drawChar(const CoverageView& target, int x, int y, char c) const {
    if (!target.pixels || static_cast<unsigned char>(c) < 32) return advance(c);
    if (const FT_GlyphSlot glyph = renderGlyph(m_ft->face, c))
        blitCoverage(target, glyph->bitmap, x + glyph->bitmap_left, y + m_ascent - glyph->bitmap_top);
    return advance(c);
}

int FontFace::drawText(const CoverageView& target, int x, int y, const std::string& text) const {
    int pen = x;
    for (char c : text) pen += drawChar(target, pen, y, c);
    return pen - x;
}

}  // namespace platform
