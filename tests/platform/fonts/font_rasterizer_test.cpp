#include "font_rasterizer.h"

#include <gtest/gtest.h>

#include <vector>

using platform::CoverageBitmap;
using platform::CoverageView;
using platform::FontError;
using platform::FontFace;
using platform::FontRequest;

namespace {

FontRequest cellRequest(const std::string& family, int cellHeight) {
    FontRequest request;
    request.family = family;
    request.cellHeight = cellHeight;
    return request;
}

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
    bool empty() const { return right < 0; }
};

InkBox inkBox(const CoverageBitmap& bitmap) {
    InkBox box;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.at(x, y)) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

}  // namespace

TEST(FontRasterizer, CellHeightIsExactlyTheRequestedHeight) {
    // The heights the game's fonts ask for at 96 dpi, and a few more.
    for (const char* family : {"Carolingia", "Arial", "DejaVu Sans"}) {
        for (int height : {8, 13, 21, 27, 43, 64, 85}) {
            FontFace face(cellRequest(family, height));
            EXPECT_EQ(face.cellHeight(), height) << family;
            EXPECT_EQ(face.ascent() + face.descent(), height) << family;
            EXPECT_GT(face.ascent(), face.descent()) << family << " " << height;
            EXPECT_GT(face.descent(), 0) << family << " " << height;
        }
    }
}

TEST(FontRasterizer, UnknownFamiliesAreSubstitutedAndArialIsAMetricCompatibleSans) {
    FontFace made_up(cellRequest("Carolingia", 21));
    EXPECT_FALSE(made_up.familyName().empty());
    EXPECT_FALSE(made_up.filePath().empty());

    FontFace arial(cellRequest("Arial", 21));
    EXPECT_EQ(arial.familyName(), "Liberation Sans") << arial.filePath();
}

TEST(FontRasterizer, AdvancesArePerCharacterAndAddUp) {
    FontFace face(cellRequest("Arial", 27));
    EXPECT_GT(face.advance(' '), 0);
    EXPECT_GT(face.advance('W'), face.advance('i'));
    EXPECT_EQ(face.advance('\n'), 0);
    EXPECT_EQ(face.textWidth("Wi W"), face.advance('W') * 2 + face.advance('i') + face.advance(' '));
    EXPECT_EQ(face.textWidth(""), 0);
}

TEST(FontRasterizer, GlyphSitsInItsCellOnTheBaseline) {
    FontFace face(cellRequest("Arial", 43));
    CoverageBitmap bitmap(200, 100);
    const int x = 30, y = 20;
    const int advance = face.drawChar(bitmap.view(), x, y, 'H');
    EXPECT_EQ(advance, face.advance('H'));

    const InkBox box = inkBox(bitmap);
    ASSERT_FALSE(box.empty());
    EXPECT_GE(box.left, x);
    EXPECT_LE(box.right, x + advance);
    EXPECT_GE(box.top, y);
    // A capital rests on the baseline: its last inked row is the one just above it.
    EXPECT_NEAR(box.bottom, y + face.ascent() - 1, 1);
    // Full ink inside the stems.
    int strongest = 0;
    for (int v : bitmap.pixels()) strongest = std::max(strongest, v);
    EXPECT_EQ(strongest, 255);

    // A descender goes below the baseline but stays inside the cell.
    bitmap.clear();
    face.drawChar(bitmap.view(), x, y, 'g');
    const InkBox g = inkBox(bitmap);
    EXPECT_GT(g.bottom, y + face.ascent());
    EXPECT_LT(g.bottom, y + face.cellHeight());
}

TEST(FontRasterizer, DrawTextAdvancesCellByCell) {
    FontFace face(cellRequest("Carolingia", 21));
    CoverageBitmap bitmap(300, 40);
    EXPECT_EQ(face.drawText(bitmap.view(), 5, 5, "Ab c"), face.textWidth("Ab c"));

    CoverageBitmap second(300, 40);
    face.drawChar(second.view(), 5 + face.advance('A') + face.advance('b') + face.advance(' '), 5, 'c');
    // The 'c' of the string lands exactly where a lone 'c' drawn at its pen does.
    for (int yy = 0; yy < 40; ++yy)
        for (int xx = 5 + face.textWidth("Ab "); xx < 300; ++xx)
            ASSERT_EQ(bitmap.at(xx, yy), second.at(xx, yy)) << xx << "," << yy;
}

TEST(FontRasterizer, DrawingClipsToTheView) {
    // A 20x12 view into a larger buffer: everything outside must stay untouched.
    const int width = 40, height = 30, pitch = width;
    std::vector<uint8_t> memory(width * height, 7);
    CoverageView view{memory.data() + 10 * pitch + 10, 20, 12, pitch};
    for (int yy = 0; yy < 12; ++yy)
        for (int xx = 0; xx < 20; ++xx) view.row(yy)[xx] = 0;

    FontFace face(cellRequest("Arial", 43));
    for (int px : {-30, -10, 5, 15, 40})
        for (int py : {-40, -20, 0, 8, 30}) face.drawText(view, px, py, "WgM");

    int inked = 0;
    for (int yy = 0; yy < height; ++yy)
        for (int xx = 0; xx < width; ++xx) {
            const bool inside = xx >= 10 && xx < 30 && yy >= 10 && yy < 22;
            if (inside) {
                inked += memory[yy * pitch + xx] != 0;
            } else {
                ASSERT_EQ(memory[yy * pitch + xx], 7) << xx << "," << yy;
            }
        }
    EXPECT_GT(inked, 0);
}

TEST(FontRasterizer, InkIsLaidOverExistingCoverage) {
    FontFace face(cellRequest("Arial", 43));
    CoverageBitmap bitmap(60, 60);
    face.drawChar(bitmap.view(), 5, 5, 'O');
    const std::vector<uint8_t> once = bitmap.pixels();
    face.drawChar(bitmap.view(), 5, 5, 'O');
    for (size_t i = 0; i < once.size(); ++i) {
        ASSERT_GE(bitmap.pixels()[i], once[i]);
        if (once[i] == 255) {
            ASSERT_EQ(bitmap.pixels()[i], 255);
        }
        if (once[i] == 0) {
            ASSERT_EQ(bitmap.pixels()[i], 0);
        }
    }
}

TEST(FontRasterizer, ErrorsAreClear) {
    try {
        FontFace face("/nonexistent/font.ttf", 20);
        FAIL() << "opened a file that does not exist";
    } catch (const FontError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/font.ttf"), std::string::npos);
    }
    EXPECT_THROW(FontFace(cellRequest("Arial", 0)), FontError);
    EXPECT_THROW(FontFace(platform::matchFont("Arial").filePath, -3), FontError);

    // A file that is not a font.
    const std::string notAFont = "/proc/self/cmdline";
    EXPECT_THROW(FontFace(notAFont, 20), FontError);
}

TEST(FontRasterizer, EmHeightRequestsSizeTheCharacterBody) {
    FontRequest request;
    request.family = "Arial";
    request.emHeight = 32;
    FontFace byEm(request);
    FontFace byCell(cellRequest("Arial", 32));
    // The cell is taller than the em square it holds.
    EXPECT_GT(byEm.cellHeight(), 32);
    EXPECT_GT(byEm.advance('M'), byCell.advance('M'));
}
