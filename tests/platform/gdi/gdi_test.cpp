#include "gdi_api.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A memory DC with a 32-bit DIB of the given size selected, as the font packer makes it.
struct DibCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    bool topDown = true;

    DibCanvas(int w, int h, bool topDownRows = true) : width(w), height(h), topDown(topDownRows) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = topDownRows ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint8_t*>(memory);
        previousBitmap = SelectObject(dc, bitmap);
    }
    ~DibCanvas() {
        SelectObject(dc, previousBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Bytes B, G, R, x of the pixel at (x, y), y counted from the top.
    const uint8_t* at(int x, int y) const {
        const int row = topDown ? y : height - 1 - y;
        return bits + (row * width + x) * 4;
    }
    int inkIn(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            for (int x = std::max(left, 0); x < std::min(right, width); ++x) count += at(x, y)[0] != 0;
        return count;
    }
};

HFONT makeFont(int height, const char* face = "Carolingia") {
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
}

}  // namespace

TEST(Gdi, FontPackerSequenceDrawsWhiteCoverageInsideTheCell) {
    DibCanvas canvas(256, 256);
    ASSERT_NE(canvas.dc, nullptr);
    ASSERT_NE(canvas.bitmap, nullptr);
    ASSERT_NE(canvas.previousBitmap, nullptr);
    // A new DIB section starts black.
    for (int i = 0; i < 256 * 256 * 4; ++i) ASSERT_EQ(canvas.bits[i], 0);

    SetTextColor(canvas.dc, RGB(255, 255, 255));
    SetBkColor(canvas.dc, 0);
    EXPECT_NE(SetTextAlign(canvas.dc, TA_LEFT | TA_TOP), GDI_ERROR);
    EXPECT_NE(SetMapMode(canvas.dc, MM_TEXT), 0);
    EXPECT_EQ(GetDeviceCaps(canvas.dc, LOGPIXELSY), 96);

    // The heights the game's four fonts ask for.
    const int heights[][2] = {{16, 21}, {32, 43}, {10, 13}, {20, 27}};
    for (const auto& pair : heights) {
        EXPECT_EQ(MulDiv(pair[0], GetDeviceCaps(canvas.dc, LOGPIXELSY), 72), pair[1]);
    }

    HFONT font = makeFont(21);
    ASSERT_NE(font, nullptr);
    HGDIOBJ previousFont = SelectObject(canvas.dc, font);
    ASSERT_NE(previousFont, nullptr);

    const char c = 'W';
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, &c, 1, &size));
    EXPECT_EQ(size.cy, 21);
    EXPECT_GT(size.cx, 5);

    ASSERT_TRUE(ExtTextOutA(canvas.dc, 40, 30, ETO_OPAQUE, nullptr, &c, 1, nullptr));
    EXPECT_GT(canvas.inkIn(40, 30, 40 + size.cx, 30 + size.cy), 20);
    // Nothing outside the cell (a glyph may overhang its advance by a pixel).
    EXPECT_EQ(canvas.inkIn(0, 0, 256, 30), 0);
    EXPECT_EQ(canvas.inkIn(0, 30 + size.cy, 256, 256), 0);
    EXPECT_EQ(canvas.inkIn(0, 0, 39, 256), 0);
    EXPECT_EQ(canvas.inkIn(40 + size.cx + 2, 0, 256, 256), 0);
    // White on black: the three colour bytes agree, the fourth stays 0; edges are antialiased.
    bool sawPartial = false, sawFull = false;
    for (int y = 30; y < 30 + size.cy; ++y)
        for (int x = 40; x < 40 + size.cx; ++x) {
            const uint8_t* p = canvas.at(x, y);
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[0], p[2]);
            ASSERT_EQ(p[3], 0);
            sawPartial |= p[0] > 0 && p[0] < 255;
            sawFull |= p[0] == 255;
        }
    EXPECT_TRUE(sawPartial);
    EXPECT_TRUE(sawFull);

    EXPECT_EQ(SelectObject(canvas.dc, previousFont), font);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(Gdi, ColoursLandInTheirBytesAndTheCellIsFilled) {
    DibCanvas canvas(64, 32);
    HFONT font = makeFont(27, "Arial");
    HGDIOBJ previousFont = SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, RGB(255, 0, 0));
    SetBkColor(canvas.dc, RGB(0, 0, 200));
    const char c = 'I';
    SIZE size{};
    GetTextExtentPoint32A(canvas.dc, &c, 1, &size);
    ExtTextOutA(canvas.dc, 2, 2, ETO_OPAQUE, nullptr, &c, 1, nullptr);

    bool sawRed = false;
    for (int y = 2; y < 2 + size.cy && y < 32; ++y)
        for (int x = 2; x < 2 + size.cx; ++x) {
            const uint8_t* p = canvas.at(x, y);
            EXPECT_EQ(p[1], 0);
            EXPECT_EQ(p[0] + p[2] >= 199, true) << "background or ink everywhere in the cell";
            sawRed |= p[2] == 255 && p[0] == 0;
        }
    EXPECT_TRUE(sawRed);
    EXPECT_EQ(canvas.at(2 + size.cx, 2)[0], 0) << "the fill stops at the cell";
    EXPECT_EQ(canvas.at(1, 2)[0], 0);

    SelectObject(canvas.dc, previousFont);
    DeleteObject(font);
}

TEST(Gdi, BottomUpSectionsAndAlignmentPlaceTextAsAsked) {
    DibCanvas topDown(80, 80, true);
    DibCanvas bottomUp(80, 80, false);
    HFONT font = makeFont(21);
    for (DibCanvas* canvas : {&topDown, &bottomUp}) {
        SelectObject(canvas->dc, font);
        SetTextColor(canvas->dc, RGB(255, 255, 255));
        SetBkColor(canvas->dc, 0);
        ExtTextOutA(canvas->dc, 10, 10, ETO_OPAQUE, nullptr, "Hi", 2, nullptr);
    }
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) ASSERT_EQ(topDown.at(x, y)[0], bottomUp.at(x, y)[0]);

    // With the baseline as reference, the same text sits one ascent higher.
    DibCanvas baseline(80, 80);
    SelectObject(baseline.dc, font);
    SetTextColor(baseline.dc, RGB(255, 255, 255));
    SetBkColor(baseline.dc, 0);
    SetTextAlign(baseline.dc, TA_LEFT | TA_BASELINE);
    int ascentGuess = -1;
    for (int shift = 0; shift < 21 && ascentGuess < 0; ++shift) {
        ExtTextOutA(baseline.dc, 10, 10 + shift, 0, nullptr, "Hi", 2, nullptr);
        bool same = true;
        for (int y = 0; y < 80 && same; ++y)
            for (int x = 0; x < 80 && same; ++x) same = baseline.at(x, y)[0] == topDown.at(x, y)[0];
        if (same) ascentGuess = shift;
        std::fill(baseline.bits, baseline.bits + 80 * 80 * 4, 0);
    }
    EXPECT_GT(ascentGuess, 10);
    EXPECT_LT(ascentGuess, 21);
}

TEST(Gdi, TextIsClippedAtTheSectionEdges) {
    DibCanvas canvas(16, 16);
    HFONT font = makeFont(43);
    HGDIOBJ previousFont = SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    SetBkColor(canvas.dc, 0);
    for (int x : {-60, -20, 0, 8, 15, 40})
        for (int y : {-60, -20, 0, 8, 15, 40})
            EXPECT_TRUE(ExtTextOutA(canvas.dc, x, y, ETO_OPAQUE, nullptr, "Wg", 2, nullptr));
    EXPECT_GT(canvas.inkIn(0, 0, 16, 16), 0);
    SelectObject(canvas.dc, previousFont);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(Gdi, ExtentsAddUpAndMatchTheFilledCells) {
    DibCanvas canvas(300, 40);
    HFONT font = makeFont(27, "Arial");
    SelectObject(canvas.dc, font);
    SIZE whole{}, a{}, b{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "AB", 2, &whole));
    GetTextExtentPoint32A(canvas.dc, "A", 1, &a);
    GetTextExtentPoint32A(canvas.dc, "B", 1, &b);
    EXPECT_EQ(whole.cx, a.cx + b.cx);
    EXPECT_EQ(whole.cy, 27);
    SIZE empty{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "", 0, &empty));
    EXPECT_EQ(empty.cx, 0);

    SetBkColor(canvas.dc, RGB(9, 9, 9));
    SetTextColor(canvas.dc, RGB(9, 9, 9));
    ExtTextOutA(canvas.dc, 0, 0, ETO_OPAQUE, nullptr, "AB", 2, nullptr);
    EXPECT_EQ(canvas.at(whole.cx - 1, 26)[0], 9);
    EXPECT_EQ(canvas.at(whole.cx, 26)[0], 0);
    EXPECT_EQ(canvas.at(0, 27)[0], 0);
}

TEST(Gdi, HandlesAreCheckedAndSelectedObjectsAreKeptAlive) {
    EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(0x1234)), nullptr);
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(SetTextAlign(nullptr, 0), GDI_ERROR);
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
    SIZE size{};
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "A", 1, &size));
    EXPECT_FALSE(ExtTextOutA(nullptr, 0, 0, 0, nullptr, "A", 1, nullptr));

    DibCanvas canvas(8, 8);
    EXPECT_EQ(SelectObject(canvas.dc, reinterpret_cast<HGDIOBJ>(0x4321)), nullptr);
    EXPECT_EQ(SetMapMode(canvas.dc, 8), 0) << "only pixel units are supported";
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, "A", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, nullptr, 1, &size));

    // A font still selected may not be deleted; once deselected it may.
    HFONT font = makeFont(13);
    HGDIOBJ previous = SelectObject(canvas.dc, font);
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &size));
    EXPECT_EQ(SelectObject(canvas.dc, previous), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font)) << "a handle is freed once";

    // A bitmap lives in one context at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, canvas.bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_FALSE(DeleteDC(other));
}

TEST(Gdi, DibSectionsRefuseWhatTheyCannotHold) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);

    info.bmiHeader.biBitCount = 32;
    for (LONG width : {0, -4}) {
        info.bmiHeader.biWidth = width;
        EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    }
    info.bmiHeader.biWidth = 1 << 20;
    info.bmiHeader.biHeight = -(1 << 20);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Gdi, FontHeightsFollowTheirSign) {
    DibCanvas canvas(8, 8);
    SIZE cell{}, em{};
    HFONT byCell = makeFont(32, "Arial");
    HFONT byEm = makeFont(-32, "Arial");
    ASSERT_NE(byCell, nullptr);
    ASSERT_NE(byEm, nullptr);
    HGDIOBJ previous = SelectObject(canvas.dc, byCell);
    GetTextExtentPoint32A(canvas.dc, "M", 1, &cell);
    SelectObject(canvas.dc, byEm);
    GetTextExtentPoint32A(canvas.dc, "M", 1, &em);
    EXPECT_EQ(cell.cy, 32);
    EXPECT_GT(em.cy, 32);
    EXPECT_GT(em.cx, cell.cx);
    SelectObject(canvas.dc, previous);
    DeleteObject(byCell);
    DeleteObject(byEm);
}
