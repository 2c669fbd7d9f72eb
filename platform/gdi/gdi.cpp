// GDI over FreeType: memory device contexts that draw text into 32-bit DIB
// sections. A handle is the address of its object; every call checks that the
// handle is one of ours before touching it.
#include "gdi_api.h"

#include "font_rasterizer.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr int kDotsPerInch = 96;
constexpr int kStockFontCellHeight = 16;
constexpr long long kMaxDibBytes = 1ll << 30;

enum class GdiKind { Font, Bitmap };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
    int selections = 0;  // device contexts it is selected into
};

struct GdiFont : GdiObject {
    GdiFont() : GdiObject(GdiKind::Font) {}
    std::unique_ptr<FontFace> face;  // null for the stock font until first use
    bool monochrome = false;
};

struct GdiBitmap : GdiObject {
    GdiBitmap() : GdiObject(GdiKind::Bitmap) {}
    int width = 0;
    int height = 0;
    bool topDown = true;
    std::unique_ptr<uint8_t[]> bits;  // BGRx, 4 bytes a pixel, zero-filled

    uint8_t* pixel(int x, int y) const {
        const int row = topDown ? y : height - 1 - y;
        return bits.get() + (static_cast<std::ptrdiff_t>(row) * width + x) * 4;
    }
};

struct DeviceContext {
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backColor = RGB(255, 255, 255);
    UINT textAlign = TA_LEFT | TA_TOP;
    int mapMode = MM_TEXT;
    GdiFont* font = nullptr;
    GdiBitmap* bitmap = nullptr;
};

struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
    bool empty() const { return left >= right || top >= bottom; }
    Box intersect(const Box& o) const {
        return Box{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                   std::min(bottom, o.bottom)};
    }
};

class Gdi {
public:
    std::mutex mutex;
    std::map<const void*, std::unique_ptr<GdiObject>> objects;
    std::map<const void*, std::unique_ptr<DeviceContext>> contexts;
    GdiFont* stockFont = nullptr;
    GdiBitmap* stockBitmap = nullptr;

    Gdi() {
        auto font = std::make_unique<GdiFont>();
        font->stock = true;
        stockFont = font.get();
        objects[font.get()] = std::move(font);

        // A fresh memory DC holds a 1 by 1 bitmap until the caller selects its own.
        auto bitmap = std::make_unique<GdiBitmap>();
        bitmap->stock = true;
        bitmap->width = bitmap->height = 1;
        bitmap->bits = std::make_unique<uint8_t[]>(4);
        stockBitmap = bitmap.get();
        objects[bitmap.get()] = std::move(bitmap);
    }

    DeviceContext* context(HDC dc) {
        auto it = contexts.find(dc);
        return it == contexts.end() ? nullptr : it->second.get();
    }
    GdiObject* object(HGDIOBJ handle) {
        auto it = objects.find(handle);
        return it == objects.end() ? nullptr : it->second.get();
    }
};

// Never destroyed, so objects freed from other destructors at exit still find it.
Gdi& gdi() {
    static Gdi* instance = new Gdi();
    return *instance;
}

// The face a context draws with; the stock font is opened on first use.
const FontFace* faceOf(DeviceContext& dc) {
    GdiFont* font = dc.font;
    if (!font->face && font->stock) {
        try {
            FontRequest request;
            request.family = "sans-serif";
            request.cellHeight = kStockFontCellHeight;
            font->face = std::make_unique<FontFace>(request);
        } catch (const FontError&) {
            return nullptr;
        }
    }
    return font->face.get();
}

void fillBox(GdiBitmap& bitmap, const Box& box, COLORREF color) {
    const Box clipped = box.intersect(Box{0, 0, bitmap.width, bitmap.height});
    for (int y = clipped.top; y < clipped.bottom; ++y)
        for (int x = clipped.left; x < clipped.right; ++x) {
            uint8_t* p = bitmap.pixel(x, y);
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
            p[3] = 0;
        }
}

uint8_t mix(uint8_t under, uint8_t ink, int coverage) {
    return static_cast<uint8_t>(under + ((ink - under) * coverage + (ink >= under ? 127 : -127)) / 255);
}

// Lays the text colour over the bitmap wherever the coverage has ink.
void blendInk(GdiBitmap& bitmap, const CoverageBitmap& coverage, int originX, int originY,
              COLORREF color, bool monochrome) {
    for (int y = 0; y < coverage.height(); ++y)
        for (int x = 0; x < coverage.width(); ++x) {
            int ink = coverage.at(x, y);
            if (monochrome) ink = ink >= 128 ? 255 : 0;
            if (!ink) continue;
            uint8_t* p = bitmap.pixel(originX + x, originY + y);
            p[0] = mix(p[0], GetBValue(color), ink);
            p[1] = mix(p[1], GetGValue(color), ink);
            p[2] = mix(p[2], GetRValue(color), ink);
            p[3] = 0;
        }
}

// Moves the reference point given to ExtTextOutA to the text's top-left corner.
void alignToTopLeft(UINT align, int width, const FontFace& face, int* x, int* y) {
    if ((align & TA_CENTER) == TA_CENTER)
        *x -= width / 2;
    else if (align & TA_RIGHT)
        *x -= width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        *y -= face.ascent();
    else if (align & TA_BOTTOM)
        *y -= face.cellHeight();
}

bool validDib(const BITMAPINFO* info, UINT usage) {
    if (!info || usage != DIB_RGB_COLORS) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 ||
        h.biCompression != BI_RGB)
        return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
    const long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    return static_cast<long long>(h.biWidth) * rows * 4 <= kMaxDibBytes;
}

}  // namespace
}  // namespace platform

using namespace platform;

HDC CreateCompatibleDC(HDC dc) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    if (dc && !g.context(dc)) return nullptr;
    auto context = std::make_unique<DeviceContext>();
    context->font = g.stockFont;
    context->bitmap = g.stockBitmap;
    ++g.stockFont->selections;
    ++g.stockBitmap->selections;
    HDC handle = reinterpret_cast<HDC>(context.get());
    g.contexts[handle] = std::move(context);
    return handle;
}

BOOL DeleteDC(HDC dc) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    if (!context) return FALSE;
    --context->font->selections;
    --context->bitmap->selections;
    g.contexts.erase(dc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    GdiObject* object = g.object(handle);
    if (!context || !object) return nullptr;
    if (object->kind == GdiKind::Font) {
        GdiFont* previous = context->font;
        if (previous == object) return previous;
        --previous->selections;
        context->font = static_cast<GdiFont*>(object);
        ++object->selections;
        return previous;
    }
    GdiBitmap* previous = context->bitmap;
    if (previous == object) return previous;
    // A bitmap can be selected into one device context at a time.
    if (!object->stock && object->selections > 0) return nullptr;
    --previous->selections;
    context->bitmap = static_cast<GdiBitmap*>(object);
    ++object->selections;
    return previous;
}

BOOL DeleteObject(HGDIOBJ handle) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    GdiObject* object = g.object(handle);
    if (!object) return FALSE;
    if (object->stock) return TRUE;
    // Freeing an object a context still draws with would leave it dangling.
    if (object->selections > 0) return FALSE;
    g.objects.erase(handle);
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    if (!g.context(dc)) return 0;
    return index == LOGPIXELSX || index == LOGPIXELSY ? kDotsPerInch : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    if (!context) return CLR_INVALID;
    return std::exchange(context->textColor, color & 0x00FFFFFFu);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    if (!context) return CLR_INVALID;
    return std::exchange(context->backColor, color & 0x00FFFFFFu);
}

UINT SetTextAlign(HDC dc, UINT align) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    // Updating a current position is not supported: nothing here draws that way.
    if (!context || (align & TA_UPDATECP)) return GDI_ERROR;
    return std::exchange(context->textAlign, align);
}

int SetMapMode(HDC dc, int mode) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    // Only pixel units with y pointing down.
    if (!context || mode != MM_TEXT) return 0;
    return std::exchange(context->mapMode, mode);
}

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD quality, DWORD, LPCSTR faceName) {
    FontRequest request;
    request.family = faceName ? faceName : "";
    // A positive height is the cell (ascent + descent), a negative one the em square.
    if (height > 0)
        request.cellHeight = height;
    else if (height < 0)
        request.emHeight = -height;
    else
        request.cellHeight = kStockFontCellHeight;
    request.bold = weight >= 600;
    request.italic = italic != 0;

    auto font = std::make_unique<GdiFont>();
    try {
        font->face = std::make_unique<FontFace>(request);
    } catch (const FontError&) {
        return nullptr;
    }
    font->monochrome = quality == NONANTIALIASED_QUALITY;

    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    HFONT handle = reinterpret_cast<HFONT>(font.get());
    g.objects[handle] = std::move(font);
    return handle;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits) *bits = nullptr;
    if (!validDib(info, usage) || section || offset) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    auto bitmap = std::make_unique<GdiBitmap>();
    bitmap->width = header.biWidth;
    bitmap->topDown = header.biHeight < 0;
    bitmap->height = bitmap->topDown ? -header.biHeight : header.biHeight;
    const size_t bytes = static_cast<size_t>(bitmap->width) * bitmap->height * 4;
    bitmap->bits.reset(new (std::nothrow) uint8_t[bytes]());
    if (!bitmap->bits) return nullptr;

    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    if (dc && !g.context(dc)) return nullptr;
    if (bits) *bits = bitmap->bits.get();
    HBITMAP handle = reinterpret_cast<HBITMAP>(bitmap.get());
    g.objects[handle] = std::move(bitmap);
    return handle;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    if (!context || !size || length < 0 || (length > 0 && !text)) return FALSE;
    const FontFace* face = faceOf(*context);
    if (!face) return FALSE;
    size->cx = face->textWidth(std::string(text ? text : "", static_cast<size_t>(length)));
    size->cy = face->cellHeight();
    return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT* dx) {
    Gdi& g = gdi();
    std::lock_guard<std::mutex> lock(g.mutex);
    DeviceContext* context = g.context(dc);
    if (!context || (length > 0 && !text)) return FALSE;
    const FontFace* face = faceOf(*context);
    if (!face) return FALSE;
    GdiBitmap& bitmap = *context->bitmap;

    // Pen positions of every character: the font's advances, or the caller's spacing.
    std::vector<int> pens(length + 1, 0);
    for (UINT i = 0; i < length; ++i) pens[i + 1] = pens[i] + (dx ? dx[i] : face->advance(text[i]));
    const int width = pens[length];
    alignToTopLeft(context->textAlign, width, *face, &x, &y);

    Box clip{0, 0, bitmap.width, bitmap.height};
    if (rect && (options & ETO_CLIPPED))
        clip = clip.intersect(Box{rect->left, rect->top, rect->right, rect->bottom});
    if (rect && (options & ETO_OPAQUE))
        fillBox(bitmap, clip.intersect(Box{rect->left, rect->top, rect->right, rect->bottom}),
                context->backColor);
    // The background mode is always opaque: the text's cells are filled first.
    fillBox(bitmap, clip.intersect(Box{x, y, x + width, y + face->cellHeight()}), context->backColor);

    // Glyphs may overhang their cells by up to a cell height on either side.
    const int reach = face->cellHeight();
    const Box area = clip.intersect(Box{x - reach, y, x + width + reach, y + face->cellHeight()});
    if (area.empty() || length == 0) return TRUE;
    CoverageBitmap coverage(area.right - area.left, area.bottom - area.top);
    for (UINT i = 0; i < length; ++i)
        face->drawChar(coverage.view(), x + pens[i] - area.left, y - area.top, text[i]);
    blendInk(bitmap, coverage, area.left, area.top, context->textColor, context->font->monochrome);
    return TRUE;
}
