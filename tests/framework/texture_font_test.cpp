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
#include <memory>
#include <sstream>
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

// How the recorder writes down values: numbers as they are, flags in hex,
// interface pointers by address (or "null").
std::string hexOf(DWORD value) {
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

std::string pointerName(const void* pointer) {
    if (!pointer) return "null";
    std::ostringstream text;
    text << pointer;
    return text.str();
}

template <typename... Args>
std::string callText(const char* name, const Args&... args) {
    std::ostringstream text;
    text << name;
    ((text << ' ' << args), ...);
    return text.str();
}
// Passes every call on to the real device and writes down, in order, the
// calls through which the font creates, records, saves, draws and releases.
class RecordingDevice : public IDirect3DDevice8 {
public:
    explicit RecordingDevice(IDirect3DDevice8* device) : m_real(device) {}

    std::vector<std::string> calls;

    // IUnknown: the recorder lives on the stack; the real device keeps its own count.
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return m_real->QueryInterface(iid, object);
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT TestCooperativeLevel() override { return m_real->TestCooperativeLevel(); }
    HRESULT GetDirect3D(IDirect3D8** d3d) override { return m_real->GetDirect3D(d3d); }
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override { return m_real->GetDeviceCaps(caps); }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) override {
        return m_real->GetCreationParameters(p);
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS* p) override { return m_real->Reset(p); }
    HRESULT Present(const RECT* s, const RECT* d, HWND w, const void* r) override {
        return m_real->Present(s, d, w, r);
    }

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture) override {
        note("CreateTexture", width, height, levels, usage, int(format), int(pool));
        return m_real->CreateTexture(width, height, levels, usage, format, pool, texture);
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override {
        note("CreateVertexBuffer", length, hexOf(usage), hexOf(fvf), int(pool));
        return m_real->CreateVertexBuffer(length, usage, fvf, pool, buffer);
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override {
        note("CreateIndexBuffer");
        return m_real->CreateIndexBuffer(length, usage, format, pool, buffer);
    }

    HRESULT BeginScene() override { return m_real->BeginScene(); }
    HRESULT EndScene() override { return m_real->EndScene(); }
    HRESULT Clear(DWORD n, const D3DRECT* r, DWORD f, D3DCOLOR c, float z, DWORD s) override {
        return m_real->Clear(n, r, f, c, z, s);
    }

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override {
        note("SetTransform", int(t));
        return m_real->SetTransform(t, m);
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) override {
        return m_real->GetTransform(t, m);
    }
    HRESULT SetMaterial(const D3DMATERIAL8* m) override {
        note("SetMaterial");
        return m_real->SetMaterial(m);
    }
    HRESULT GetMaterial(D3DMATERIAL8* m) override { return m_real->GetMaterial(m); }
    HRESULT SetLight(DWORD i, const D3DLIGHT8* l) override {
        note("SetLight", i);
        return m_real->SetLight(i, l);
    }
    HRESULT GetLight(DWORD i, D3DLIGHT8* l) override { return m_real->GetLight(i, l); }
    HRESULT LightEnable(DWORD i, BOOL e) override {
        note("LightEnable", i, e);
        return m_real->LightEnable(i, e);
    }
    HRESULT GetLightEnable(DWORD i, BOOL* e) override { return m_real->GetLightEnable(i, e); }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        note("SetRenderState", int(state), value);
        return m_real->SetRenderState(state, value);
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override {
        return m_real->GetRenderState(s, v);
    }

    HRESULT BeginStateBlock() override {
        note("BeginStateBlock");
        return m_real->BeginStateBlock();
    }
    HRESULT EndStateBlock(DWORD* token) override {
        const HRESULT hr = m_real->EndStateBlock(token);
        note("EndStateBlock", token ? *token : 0);
        return hr;
    }
    HRESULT ApplyStateBlock(DWORD token) override {
        note("ApplyStateBlock", token);
        return m_real->ApplyStateBlock(token);
    }
    HRESULT CaptureStateBlock(DWORD token) override {
        note("CaptureStateBlock", token);
        return m_real->CaptureStateBlock(token);
    }
    HRESULT DeleteStateBlock(DWORD token) override {
        note("DeleteStateBlock", token);
        return m_real->DeleteStateBlock(token);
    }

    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** t) override {
        return m_real->GetTexture(stage, t);
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override {
        note("SetTexture", stage, pointerName(texture));
        return m_real->SetTexture(stage, texture);
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override {
        return m_real->GetTextureStageState(stage, t, v);
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t, DWORD v) override {
        note("SetTextureStageState", stage, int(t), v);
        return m_real->SetTextureStageState(stage, t, v);
    }

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        note("DrawPrimitive", int(type), start, count);
        return m_real->DrawPrimitive(type, start, count);
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices,
                                 UINT startIndex, UINT count) override {
        note("DrawIndexedPrimitive");
        return m_real->DrawIndexedPrimitive(type, minIndex, vertices, startIndex, count);
    }

    HRESULT SetVertexShader(DWORD handle) override {
        note("SetVertexShader", hexOf(handle));
        return m_real->SetVertexShader(handle);
    }
    HRESULT GetVertexShader(DWORD* handle) override { return m_real->GetVertexShader(handle); }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override {
        note("SetStreamSource", stream, pointerName(buffer), stride);
        return m_real->SetStreamSource(stream, buffer, stride);
    }
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** b, UINT* stride) override {
        return m_real->GetStreamSource(stream, b, stride);
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* b, UINT base) override {
        note("SetIndices");
        return m_real->SetIndices(b, base);
    }
    HRESULT GetIndices(IDirect3DIndexBuffer8** b, UINT* base) override {
        return m_real->GetIndices(b, base);
    }

private:
    template <typename... Args>
    void note(const char* name, const Args&... args) {
        calls.push_back(callText(name, args...));
    }

    IDirect3DDevice8* m_real;
};

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

    // A recorder over the fixture's device; it outlives the font's release
    // in TearDown.
    RecordingDevice& recorder() {
        if (!m_Recorder) m_Recorder = std::make_unique<RecordingDevice>(device());
        return *m_Recorder;
    }

    CTextureFont m_Font;
    std::unique_ptr<RecordingDevice> m_Recorder;
};

}  // namespace

TEST_F(TextureFontTest, TheGameFourSizesPackIntoTheirTextures) {
    requireResources();
    if (HasFatalFailure()) return;
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
    if (HasFatalFailure()) return;
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
    // The glyphs were drawn again where the larger texture has them: the last
    // letters, which the smaller one had lost, carry ink in their cells.
    D3DLOCKED_RECT locked{};
    ASSERT_TRUE(SUCCEEDED(m_Font.m_pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)));
    for (char c : {'x', 'y', 'z'}) {
        const Cell cell = cellOf(m_Font, c);
        int ink = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x)
                ink += static_cast<const BYTE*>(locked.pBits)[y * locked.Pitch + 4 * x] == 0xFF;
        EXPECT_GT(ink, 5) << c;
    }
    m_Font.m_pTexture->UnlockRect(0);
}

TEST_F(TextureFontTest, TheTextureHoldsCoverageInAllFourChannels) {
    requireResources();
    if (HasFatalFailure()) return;
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
    int inkInW = 0, edgesInW = 0, inkInSpace = 0;
    const Cell w = cellOf(m_Font, 'W'), space = cellOf(m_Font, ' ');
    for (int y = w.top; y < w.bottom; ++y)
        for (int x = w.left; x < w.right; ++x) {
            const uint32_t coverage = texel(x, y) & 0xFF;
            inkInW += coverage == 0xFF;
            edgesInW += coverage != 0 && coverage != 0xFF;  // antialiased edges
        }
    for (int y = space.top; y < space.bottom; ++y)
        for (int x = space.left; x < space.right; ++x) inkInSpace += texel(x, y) != 0;
    m_Font.m_pTexture->UnlockRect(0);
    EXPECT_GT(inkInW, 10);
    EXPECT_GT(edgesInW, 10) << "the glyphs are drawn without antialiasing";
    EXPECT_EQ(inkInSpace, 0);
}

TEST_F(TextureFontTest, QuadsFollowThePenAndNewlinesAndSkipOtherBytes) {
    requireResources();
    if (HasFatalFailure()) return;
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
    if (HasFatalFailure()) return;
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
    if (HasFatalFailure()) return;
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
    if (HasFatalFailure()) return;
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
    if (HasFatalFailure()) return;
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

// The device sees exactly this from Create: the managed texture, the dynamic
// default-pool buffer, then the same ten states recorded twice, first into the
// drawing block and then into the saving block. Release deletes both blocks.
TEST_F(TextureFontTest, CreationRecordsTheFontStatesTwiceAndReleaseDeletesBothBlocks) {
    requireResources();
    if (HasFatalFailure()) return;
    RecordingDevice& recorder = this->recorder();
    ASSERT_EQ(m_Font.Create(&recorder, "Arial", 10), S_OK);
    const std::string texture = pointerName(static_cast<IDirect3DBaseTexture8*>(m_Font.m_pTexture));
    const std::string buffer = pointerName(m_Font.m_pVertexBuffer);
    const DWORD drawBlock = m_Font.m_dwDrawBlock, savedBlock = m_Font.m_dwSavedBlock;
    EXPECT_NE(drawBlock, 0u);
    EXPECT_NE(savedBlock, 0u);
    EXPECT_NE(drawBlock, savedBlock);

    std::vector<std::string> expected = {
        callText("CreateTexture", 256, 256, 1, 0, int(D3DFMT_A8R8G8B8), int(D3DPOOL_MANAGED)),
        callText("CreateVertexBuffer", 16800, "0x208", "0x144", int(D3DPOOL_DEFAULT)),
    };
    for (DWORD block : {drawBlock, savedBlock}) {
        const std::string recording[] = {
            callText("BeginStateBlock"),
            callText("SetTexture", 0, texture),
            callText("SetRenderState", int(D3DRS_ALPHABLENDENABLE), 1),
            callText("SetRenderState", int(D3DRS_SRCBLEND), int(D3DBLEND_SRCALPHA)),
            callText("SetRenderState", int(D3DRS_DESTBLEND), int(D3DBLEND_INVSRCALPHA)),
            callText("SetRenderState", int(D3DRS_ALPHATESTENABLE), 1),
            callText("SetRenderState", int(D3DRS_ALPHAREF), 0x10),
            callText("SetRenderState", int(D3DRS_ALPHAFUNC), int(D3DCMP_GREATEREQUAL)),
            callText("SetRenderState", int(D3DRS_ZENABLE), 0),
            callText("SetVertexShader", "0x144"),
            callText("SetStreamSource", 0, buffer, 28),
            callText("EndStateBlock", block),
        };
        expected.insert(expected.end(), std::begin(recording), std::end(recording));
    }
    EXPECT_EQ(recorder.calls, expected);

    recorder.calls.clear();
    m_Font.Release();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{callText("DeleteStateBlock", drawBlock),
                                                        callText("DeleteStateBlock", savedBlock)}));
    EXPECT_EQ(m_Font.m_dwDrawBlock, 0u);
    EXPECT_EQ(m_Font.m_dwSavedBlock, 0u);
}

// The edge comes from the point size alone while the glyphs fit.
TEST_F(TextureFontTest, ThePointSizePicksTheTextureEdge) {
    requireResources();
    if (HasFatalFailure()) return;
    const struct {
        int points, edge;
    } sizes[] = {{20, 256}, {21, 512}, {40, 512}, {41, 1024}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.points);
        const int cellHeight = MulDiv(size.points, 96, 72);
        ASSERT_TRUE(packingFits(measuredWidths("Arial", size.points), cellHeight, size.edge))
            << "the premise: the glyphs fit the table's edge";
        RecordingDevice recorder(device());
        CTextureFont font;
        ASSERT_EQ(font.Create(&recorder, "Arial", size.points), S_OK);
        EXPECT_EQ(font.m_nTexSize, size.edge);
        ASSERT_FALSE(recorder.calls.empty());
        EXPECT_EQ(recorder.calls[0], callText("CreateTexture", size.edge, size.edge, 1, 0,
                                              int(D3DFMT_A8R8G8B8), int(D3DPOOL_MANAGED)));
        font.Release();
    }
}

// Every text is drawn between a capture of the saving block with the drawing
// block applied and the saving block applied again; the triangles go out 200
// at a time (100 drawn characters) and whatever is left at the end.
TEST_F(TextureFontTest, DrawTextSavesTheStatesDrawsInBatchesAndRestores) {
    requireResources();
    if (HasFatalFailure()) return;
    RecordingDevice& recorder = this->recorder();
    ASSERT_EQ(m_Font.Create(&recorder, "Arial", 10), S_OK);
    const DWORD drawBlock = m_Font.m_dwDrawBlock, savedBlock = m_Font.m_dwSavedBlock;

    const std::string hundred(100, 'A');
    std::string hundredAmongSkipped;
    for (int i = 0; i < 100; ++i) hundredAmongSkipped += "A\t\x90";
    const struct {
        const char* name;
        std::string text;
        std::vector<int> batches;  // triangles per draw call
    } cases[] = {
        {"empty", "", {}},
        {"A, newline, B", "A\nB", {4}},
        {"only skipped bytes", "\t\r\x80\xff\x01", {}},
        {"character 127", "\x7f", {2}},
        {"exactly 100", hundred, {200}},
        {"101", hundred + "A", {200, 2}},
        {"100 among skipped bytes", hundredAmongSkipped, {200}},
        {"250", std::string(250, 'A'), {200, 200, 100}},
    };
    for (const auto& c : cases) {
        recorder.calls.clear();
        recorder.BeginScene();
        m_Font.DrawText(5.0f, 5.0f, c.text.c_str(), 0xFFFFFFFF);
        recorder.EndScene();
        std::vector<std::string> expected = {callText("CaptureStateBlock", savedBlock),
                                             callText("ApplyStateBlock", drawBlock)};
        for (int triangles : c.batches)
            expected.push_back(callText("DrawPrimitive", int(D3DPT_TRIANGLELIST), 0, triangles));
        expected.push_back(callText("ApplyStateBlock", savedBlock));
        EXPECT_EQ(recorder.calls, expected) << c.name;
    }
}

// The two helpers nothing in the game calls: the preview sets its states
// itself and keeps none of the caller's; a text buffer holds six vertices a
// character and is drawn between the font's blocks.
TEST_F(TextureFontTest, ThePreviewAndTheTextBufferMakeTheirOwnCalls) {
    requireResources();
    if (HasFatalFailure()) return;
    RecordingDevice& recorder = this->recorder();
    ASSERT_EQ(m_Font.Create(&recorder, "Arial", 10), S_OK);
    const std::string texture = pointerName(static_cast<IDirect3DBaseTexture8*>(m_Font.m_pTexture));
    const DWORD drawBlock = m_Font.m_dwDrawBlock, savedBlock = m_Font.m_dwSavedBlock;

    recorder.calls.clear();
    recorder.BeginScene();
    m_Font.DrawTexturePreview(10.0f, 20.0f);
    recorder.EndScene();
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{
                  callText("SetRenderState", int(D3DRS_CULLMODE), int(D3DCULL_NONE)),
                  callText("SetTexture", 0, texture), callText("SetVertexShader", "0x144"),
                  callText("SetStreamSource", 0, pointerName(m_Font.m_pVertexBuffer), 28),
                  callText("DrawPrimitive", int(D3DPT_TRIANGLESTRIP), 0, 2)}));

    recorder.calls.clear();
    IDirect3DVertexBuffer8* text = m_Font.CreateTextBuffer(0.0f, 0.0f, "Hello", 0xFFFFFFFF);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{callText("CreateVertexBuffer", 5 * 6 * 28, "0x208",
                                                 "0x144", int(D3DPOOL_DEFAULT))}));
    recorder.calls.clear();
    recorder.BeginScene();
    m_Font.DrawTextBuffer(text, 1, 3);
    recorder.EndScene();
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{callText("CaptureStateBlock", savedBlock),
                                        callText("ApplyStateBlock", drawBlock),
                                        callText("SetStreamSource", 0, pointerName(text), 28),
                                        callText("DrawPrimitive", int(D3DPT_TRIANGLELIST), 6, 6),
                                        callText("ApplyStateBlock", savedBlock)}));
    text->Release();
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
