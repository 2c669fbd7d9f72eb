// The texture font: glyph packing for the game's four sizes, the coverage
// texture, the quads it emits, drawing at a pixel position in a colour,
// batching past 100 characters, the caller's states, and a device reset.
#include "TextureFont.h"

#include "GraphicsApp.h"
#include "drawing_fixture.h"
#include "gdi_api.h"
#include "host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using drawtest::DrawingTest;

struct Cell {
    int left, top, right, bottom;  // texels, right and bottom exclusive
};

Cell cellOf(const CTextureFont& font, int code) {
    const SGlyphUV& g = font.m_Glyphs[code - 32];
    const float edge = float(font.m_nTexSize);
    return Cell{int(std::lround(g.m_fLeft * edge)), int(std::lround(g.m_fTop * edge)),
                int(std::lround(g.m_fRight * edge)), int(std::lround(g.m_fBottom * edge))};
}

// Advance widths as GDI measures them for a face and point size at 96 dpi.
std::vector<int> measuredWidths(const char* face, int points) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(MulDiv(points, 96, 72), 0, 0, 0, FW_DONTCARE, 0, 0, 0, DEFAULT_CHARSET,
                             0, 0, ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
    HGDIOBJ previous = SelectObject(dc, font);
    std::vector<int> widths;
    for (int code = 32; code <= 126; ++code) {
        const char c = char(code);
        SIZE size{};
        GetTextExtentPoint32A(dc, &c, 1, &size);
        widths.push_back(size.cx);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    DeleteDC(dc);
    return widths;
}

// Whether the packing rule (wrap when x + cx + 1 passes the edge, rows a cell
// height plus one apart, a gap of 10) keeps every cell inside the edge.
bool packingFits(const std::vector<int>& widths, int cellHeight, int edge) {
    int x = 0, y = 0;
    for (int cx : widths) {
        if (x + cx + 1 > edge) {
            x = 0;
            y += cellHeight + 1;
        }
        if (y + cellHeight > edge) return false;
        x += cx + 10;
    }
    return true;
}

class TextureFontTest : public DrawingTest {
protected:
    void TearDown() override {
        m_Font.Release();
        DrawingTest::TearDown();
    }

    // The quads the font emits for a text, read back from a buffer of its own.
    std::vector<SScreenVertex> emitted(float x, float y, const char* text) {
        IDirect3DVertexBuffer8* buffer = m_Font.CreateTextBuffer(x, y, text, 0xFFFFFFFF);
        std::vector<SScreenVertex> vertices;
        if (!buffer) return vertices;
        D3DVERTEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        BYTE* data = nullptr;
        buffer->Lock(0, 0, &data, D3DLOCK_READONLY);
        const auto* v = reinterpret_cast<const SScreenVertex*>(data);
        vertices.assign(v, v + desc.Size / sizeof(SScreenVertex));
        buffer->Unlock();
        buffer->Release();
        return vertices;
    }

    int inkIn(int left, int top, int right, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += (pixel(x, y) & 0xFFFFFF) != 0;
        return count;
    }

    CTextureFont m_Font;
};

}  // namespace

TEST_F(TextureFontTest, TheGameFourSizesPackIntoTheirTextures) {
    requireResources();
    if (IsSkipped()) return;
    const struct {
        const char* face;
        int points, cellHeight, edge;
    } fonts[] = {
        {"Carolingia", 16, 21, 256},
        {"Carolingia", 32, 43, 512},
        {"Arial", 10, 13, 256},
        {"Arial", 20, 27, 256},
    };
    for (const auto& f : fonts) {
        SCOPED_TRACE(std::string(f.face) + " " + std::to_string(f.points));
        CTextureFont font;
        ASSERT_EQ(font.Create(device(), f.face, f.points), S_OK);
        EXPECT_EQ(font.m_nTexSize, f.edge);
        const std::vector<int> widths = measuredWidths(f.face, f.points);

        Cell previous{};
        for (int code = 32; code <= 126; ++code) {
            const Cell cell = cellOf(font, code);
            EXPECT_EQ(cell.right - cell.left, widths[code - 32]) << char(code);
            EXPECT_EQ(cell.bottom - cell.top, f.cellHeight) << char(code);
            EXPECT_LE(cell.right, f.edge) << char(code);
            EXPECT_LE(cell.bottom, f.edge) << char(code);
            if (code == 32) {
                EXPECT_EQ(cell.left, 0);
                EXPECT_EQ(cell.top, 0);
            } else if (previous.right + 10 + (cell.right - cell.left) + 1 > f.edge) {
                EXPECT_EQ(cell.left, 0) << char(code) << " starts a row";
                EXPECT_EQ(cell.top, previous.top + f.cellHeight + 1) << char(code);
            } else {
                EXPECT_EQ(cell.left, previous.right + 10) << char(code);
                EXPECT_EQ(cell.top, previous.top) << char(code);
            }
            previous = cell;
        }
        const SGlyphUV& unused = font.m_Glyphs[95];
        EXPECT_EQ(unused.m_fLeft + unused.m_fTop + unused.m_fRight + unused.m_fBottom, 0.0f);
        font.Release();
    }
}

TEST_F(TextureFontTest, AFaceTooWideForItsTextureGrowsTheTexture) {
    requireResources();
    if (IsSkipped()) return;
    const char* face = "DejaVu Serif";
    const int points = 20, cellHeight = 27;
    const std::vector<int> widths = measuredWidths(face, points);
    ASSERT_FALSE(packingFits(widths, cellHeight, 256)) << "the premise: 256 texels are too few";

    ASSERT_EQ(m_Font.Create(device(), face, points), S_OK);
    EXPECT_EQ(m_Font.m_nTexSize, 512);
    for (int code = 32; code <= 126; ++code) {
        EXPECT_LE(m_Font.m_Glyphs[code - 32].m_fBottom, 1.0f) << char(code);
        EXPECT_LE(m_Font.m_Glyphs[code - 32].m_fRight, 1.0f) << char(code);
    }
}

TEST_F(TextureFontTest, TheTextureHoldsCoverageInAllFourChannels) {
    requireResources();
    if (IsSkipped()) return;
    ASSERT_EQ(m_Font.Create(device(), "Arial", 20), S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_TRUE(SUCCEEDED(m_Font.m_pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)));
    auto texel = [&](int x, int y) {
        return reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(locked.pBits) +
                                                 y * locked.Pitch)[x];
    };
    for (int y = 0; y < m_Font.m_nTexSize; ++y)
        for (int x = 0; x < m_Font.m_nTexSize; ++x) {
            const uint32_t t = texel(x, y);
            ASSERT_EQ(t, (t & 0xFF) * 0x01010101u) << x << "," << y;
        }
    int inkInW = 0, inkInSpace = 0;
    const Cell w = cellOf(m_Font, 'W'), space = cellOf(m_Font, ' ');
    for (int y = w.top; y < w.bottom; ++y)
        for (int x = w.left; x < w.right; ++x) inkInW += (texel(x, y) & 0xFF) == 0xFF;
    for (int y = space.top; y < space.bottom; ++y)
        for (int x = space.left; x < space.right; ++x) inkInSpace += texel(x, y) != 0;
    m_Font.m_pTexture->UnlockRect(0);
    EXPECT_GT(inkInW, 10);
    EXPECT_EQ(inkInSpace, 0);
}

TEST_F(TextureFontTest, QuadsFollowThePenAndNewlinesAndSkipOtherBytes) {
    requireResources();
    if (IsSkipped()) return;
    ASSERT_EQ(m_Font.Create(device(), "Carolingia", 16), S_OK);
    const Cell a = cellOf(m_Font, 'A'), b = cellOf(m_Font, 'B'), space = cellOf(m_Font, ' ');
    const float lineHeight = float(space.bottom - space.top);

    const std::vector<SScreenVertex> v = emitted(10.5f, 20.25f, "A\nB\t\r\x80\xff\x7f" "A");
    ASSERT_GE(v.size(), 18u);
    // A at the start: (x, y + h), (x, y), (x + w, y), (x + w, y), (x + w, y + h), (x, y + h).
    const float aw = float(a.right - a.left), ah = float(a.bottom - a.top);
    const float expected[6][2] = {{10.5f, 20.25f + ah}, {10.5f, 20.25f},      {10.5f + aw, 20.25f},
                                  {10.5f + aw, 20.25f}, {10.5f + aw, 20.25f + ah}, {10.5f, 20.25f + ah}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, expected[i][0]) << i;
        EXPECT_FLOAT_EQ(v[i].y, expected[i][1]) << i;
        EXPECT_EQ(v[i].z, 1.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].diffuse, 0xFFFFFFFFu);
    }
    EXPECT_FLOAT_EQ(v[0].tu, m_Font.m_Glyphs['A' - 32].m_fLeft);
    EXPECT_FLOAT_EQ(v[0].tv, m_Font.m_Glyphs['A' - 32].m_fBottom);
    EXPECT_FLOAT_EQ(v[2].tu, m_Font.m_Glyphs['A' - 32].m_fRight);
    EXPECT_FLOAT_EQ(v[2].tv, m_Font.m_Glyphs['A' - 32].m_fTop);
    // B starts the next line, one space height lower, at the start x.
    EXPECT_FLOAT_EQ(v[7].x, 10.5f);
    EXPECT_FLOAT_EQ(v[7].y, 20.25f + lineHeight);
    // Tab, carriage return and bytes from 128 on leave the pen where it was;
    // 127 makes a quad of no size there, and the last A follows B directly.
    const float afterB = 10.5f + float(b.right - b.left);
    for (int i = 12; i < 18; ++i) EXPECT_FLOAT_EQ(v[i].x, afterB) << i;
    ASSERT_GE(v.size(), 24u);
    EXPECT_FLOAT_EQ(v[19].x, afterB);
    EXPECT_FLOAT_EQ(v[20].x, afterB + aw);
}

TEST_F(TextureFontTest, TextShowsInkAtItsPixelPositionInItsColour) {
    requireDrawing();
    if (IsSkipped()) return;
    ASSERT_EQ(m_Font.Create(device(), "Carolingia", 32), S_OK);
    const Cell h = cellOf(m_Font, 'H');
    const int w = h.right - h.left, height = h.bottom - h.top;

    beginFrame(0xFF000000);
    m_Font.DrawText(200.0f, 150.0f, "HH", 0xFF20E040);
    endFrame();
    saveFrame("texture_font_hh.png");

    int ink = 0, wrongColour = 0;
    uint32_t strongest = 0;
    for (int y = 150; y < 150 + height; ++y)
        for (int x = 200; x < 200 + 2 * w; ++x) {
            const uint32_t p = pixel(x, y);
            if ((p & 0xFFFFFF) == 0) continue;
            ++ink;
            // Faded by coverage, but always the text's hue: green leads, blue over red.
            if (!(drawtest::green(p) > drawtest::blue(p) && drawtest::blue(p) >= drawtest::red(p)))
                ++wrongColour;
            if (drawtest::green(p) > drawtest::green(strongest)) strongest = p;
        }
    EXPECT_GT(ink, 50);
    EXPECT_EQ(wrongColour, 0);
    EXPECT_TRUE(drawtest::near(strongest, 0xFF20E040, 3)) << drawtest::hex(strongest)
                                                          << ": full ink is the text colour";
    EXPECT_EQ(inkIn(0, 0, 800, 148), 0);
    EXPECT_EQ(inkIn(0, 152 + height, 800, 600), 0);
    EXPECT_EQ(inkIn(0, 0, 198, 600), 0);
    EXPECT_EQ(inkIn(202 + 2 * w, 0, 800, 600), 0);
}

TEST_F(TextureFontTest, LongTextsAreDrawnInBatchesOfAHundredCharacters) {
    requireDrawing();
    if (IsSkipped()) return;
    ASSERT_EQ(m_Font.Create(device(), "Arial", 10), S_OK);
    const Cell h = cellOf(m_Font, 'H'), space = cellOf(m_Font, ' ');
    const int advance = h.right - h.left, lineHeight = space.bottom - space.top;
    // 5 lines of 50: batches end after characters 100 and 200, the rest is drawn at the end.
    std::string text;
    for (int line = 0; line < 5; ++line) text += std::string(50, 'H') + "\n";

    beginFrame(0xFF000000);
    m_Font.DrawText(20.0f, 30.0f, text.c_str(), 0xFFFFFFFF);
    endFrame();
    for (int k = 0; k < 250; ++k) {
        const int x = 20 + (k % 50) * advance, y = 30 + (k / 50) * lineHeight;
        ASSERT_GT(inkIn(x, y, x + advance, y + lineHeight), 0) << "character " << k;
    }
    EXPECT_EQ(inkIn(0, 30 + 5 * lineHeight + 1, 800, 600), 0);
}

TEST_F(TextureFontTest, DrawingLeavesEveryStateAsTheCallerHadIt) {
    requireResources();
    if (IsSkipped()) return;
    ASSERT_EQ(m_Font.Create(device(), "Carolingia", 16), S_OK);

    IDirect3DTexture8* callerTexture = nullptr;
    ASSERT_TRUE(SUCCEEDED(device()->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                  &callerTexture)));
    IDirect3DVertexBuffer8* callerStream = nullptr;
    ASSERT_TRUE(SUCCEEDED(device()->CreateVertexBuffer(240, 0, 0x142, D3DPOOL_MANAGED, &callerStream)));
    device()->SetTexture(0, callerTexture);
    device()->SetStreamSource(0, callerStream, 24);
    device()->SetVertexShader(0x142);
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } caller[] = {
        {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO}, {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_ALPHAREF, 0x77},          {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_ZENABLE, TRUE},           {D3DRS_LIGHTING, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
    };
    for (const auto& s : caller) device()->SetRenderState(s.state, s.value);

    DWORD before[D3DRS_COUNT], stagesBefore[D3DTSS_COUNT];
    for (DWORD s = 0; s < D3DRS_COUNT; ++s) device()->GetRenderState(D3DRENDERSTATETYPE(s), &before[s]);
    for (DWORD s = 0; s < D3DTSS_COUNT; ++s)
        device()->GetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(s), &stagesBefore[s]);

    beginFrame(0xFF000000);
    for (const char* text : {"", "Score 1200", "x\ny\tz"}) m_Font.DrawText(5, 5, text, 0xFFFFFFFF);
    m_Font.DrawText(5, 5, std::string(150, 'M').c_str(), 0xFF808080);
    endFrame();

    for (DWORD s = 0; s < D3DRS_COUNT; ++s) {
        DWORD after = 0;
        device()->GetRenderState(D3DRENDERSTATETYPE(s), &after);
        EXPECT_EQ(after, before[s]) << "render state " << s;
    }
    for (DWORD s = 0; s < D3DTSS_COUNT; ++s) {
        DWORD after = 0;
        device()->GetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(s), &after);
        EXPECT_EQ(after, stagesBefore[s]) << "stage state " << s;
    }
    IDirect3DBaseTexture8* texture = nullptr;
    device()->GetTexture(0, &texture);
    EXPECT_EQ(texture, callerTexture);
    if (texture) texture->Release();
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    device()->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, callerStream);
    EXPECT_EQ(stride, 24u);
    if (stream) stream->Release();
    DWORD shader = 0;
    device()->GetVertexShader(&shader);
    EXPECT_EQ(shader, 0x142u);

    device()->SetTexture(0, nullptr);
    device()->SetStreamSource(0, nullptr, 0);
    callerTexture->Release();
    callerStream->Release();
}

TEST_F(TextureFontTest, TheVertexBufferIsLetGoAndRemadeAroundAReset) {
    requireResources();
    if (IsSkipped()) return;
    const int before = host::defaultPoolResources();
    ASSERT_EQ(m_Font.Create(device(), "Arial", 10), S_OK);
    EXPECT_EQ(host::defaultPoolResources(), before + 1);
    m_Font.DrawTexturePreview(0, 0);  // leaves the font's buffer bound as stream 0

    g_App.OnInvalidateDeviceObjects();
    EXPECT_EQ(m_Font.m_pVertexBuffer, nullptr);
    EXPECT_EQ(m_Font.m_dwDrawBlock, 0u);
    EXPECT_EQ(host::defaultPoolResources(), before);
    ASSERT_TRUE(SUCCEEDED(device()->Reset(&g_App.m_pp)));
    g_App.OnRestoreDeviceObjects();
    ASSERT_NE(m_Font.m_pVertexBuffer, nullptr);
    EXPECT_NE(m_Font.m_dwDrawBlock, 0u);
    EXPECT_NE(m_Font.m_dwSavedBlock, 0u);
    EXPECT_EQ(host::defaultPoolResources(), before + 1);

    // Drawing works again with the new buffer, and the states still come back.
    device()->SetRenderState(D3DRS_ZENABLE, TRUE);
    device()->BeginScene();
    m_Font.DrawText(0, 0, "again", 0xFFFFFFFF);
    device()->EndScene();
    DWORD zenable = 0;
    device()->GetRenderState(D3DRS_ZENABLE, &zenable);
    EXPECT_EQ(zenable, DWORD(TRUE));

    // A released font is no longer part of the recovery.
    m_Font.Release();
    EXPECT_EQ(host::defaultPoolResources(), before);
    g_App.OnInvalidateDeviceObjects();
    g_App.OnRestoreDeviceObjects();
    EXPECT_EQ(m_Font.m_pVertexBuffer, nullptr);
}

TEST_F(TextureFontTest, AFontThatWasNeverMadeDrawsNothingAndReleasesSafely) {
    CTextureFont font;
    EXPECT_EQ(font.Create(nullptr, "Arial", 10), E_FAIL);
    font.DrawText(0, 0, "nothing", 0xFFFFFFFF);
    font.Release();
    font.Release();
    EXPECT_EQ(font.m_pTexture, nullptr);
    EXPECT_EQ(font.m_pVertexBuffer, nullptr);
}

namespace {

// When the device refuses the texture or the buffer, creation fails and the
// half-made font holds nothing, draws nothing and releases safely.
TEST_F(TextureFontTest, CreationFailsCleanlyWhenTheDeviceRefusesAResource) {
    struct Case { int textureFailures, bufferFailures; };
    for (const Case& c : {Case{1, 0}, Case{0, 1}}) {
        host::deviceFaults().textureCreationFailures = c.textureFailures;
        host::deviceFaults().vertexBufferCreationFailures = c.bufferFailures;
        CTextureFont font;
        EXPECT_EQ(font.Create(device(), "Arial", 10), E_FAIL);
        font.DrawText(10, 10, "nothing", 0xFFFFFFFF);
        font.Release();
        EXPECT_EQ(font.m_pTexture, nullptr);
        EXPECT_EQ(font.m_pVertexBuffer, nullptr);
    }
    EXPECT_EQ(host::defaultPoolResources(), 0);
}

}  // namespace
