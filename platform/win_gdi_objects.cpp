// win_gdi_objects.cpp - GDI objects and device contexts: the handles of
// bitmaps, pens, brushes and fonts, memory and window DCs, and what is
// selected into them. Drawing is in win_gdi_draw.cpp, text and fonts in
// win_gdi_text.cpp.
//
// Implements: GetDC, ReleaseDC, BeginPaint, EndPaint,
// CreateCompatibleDC, CreateCompatibleBitmap, CreateDIBSection, DeleteDC,
// SelectObject, DeleteObject, GetStockObject, CreatePen, CreateSolidBrush;
// for the window side PlatformForgetWindowDcs and PlatformBrushColour; the
// counts of live GDI objects and device contexts.
//
// Handles:
//   GDI objects (HGDIOBJ, HBITMAP, HPEN, HBRUSH, HFONT) are small numbers, not
//   addresses, so that every one of them survives a trip through a 32-bit
//   LONG (SetClassLongA with GCL_HBRBACKGROUND) and a stale or foreign handle
//   is recognised instead of dereferenced:
//     1..16   stock objects, fixed for the life of the process:
//             handle = stock index + 1 for WHITE_BRUSH (1), LTGRAY_BRUSH (2),
//             GRAY_BRUSH (3), DKGRAY_BRUSH (4), BLACK_BRUSH (5), NULL_BRUSH (6),
//             WHITE_PEN (7), BLACK_PEN (8), NULL_PEN (9, index 8) and
//             SYSTEM_FONT (14, index 13); 16 is the 1 x 1 black bitmap that a
//             new memory DC has selected. GetStockObject of any other index
//             returns NULL.
//     others  (generation << 16) | slot with slot 17..65535 and generation
//             1..32767: always below 2^31. Creation fails (returns NULL) when
//             all 65519 slots are in use, as GDI fails at its object limit.
//   Device contexts (HDC) are addresses of records taken from a pool that is
//   never given back to the system: a released DC's record is reused later,
//   so a stale HDC never points into freed memory.
//
// Supported behaviour:
// - Every DC starts as GDI's do: white background colour, black text,
//   OPAQUE, the stock system font, black pen, white brush, position (0, 0).
// - A window DC draws into the window's retained client-area image
//   (PlatformWindowSurface, looked up on every call because resizing may
//   replace it) and tells the window after each drawing call. GetDC of a
//   CS_OWNDC window always returns the window's one DC (ReleaseDC leaves
//   it); other windows get a fresh DC that ReleaseDC or EndPaint frees.
//   BeginPaint does not erase (the retained image keeps what was drawn);
//   rcPaint is the whole client area and fErase is FALSE.
// - A memory DC starts with a 1 x 1 black bitmap. Compatible bitmaps are
//   32-bit and black. A bitmap can be selected into one DC at a time.
//
// Not supported:
// - DIB sections other than 24-bit BI_RGB, and file-mapping sections
//   (CreateDIBSection returns NULL).
// - Bitmaps cannot be selected into window DCs.
// - GetDC(NULL) (the screen) returns NULL.
//
// Deleting a pen, brush, font or bitmap that is still selected succeeds; the
// object stays usable by the DCs that hold it and is freed when the last of
// them deselects it or is deleted. Deleting a stock object does nothing.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QImage>

#include "platform/gdi_objects.h"
#include "platform/layer_state.h"

// ---- stock objects -----------------------------------------------------------

void BuildStockObjects(GdiObject* table) {
    auto brush = [table](int index, COLORREF colour, bool hollow) {
        GdiObject& o = table[index + 1];
        o.kind = ObjectKind::Brush;
        o.colour = colour;
        o.hollow = hollow;
    };
    brush(WHITE_BRUSH, 0xFFFFFF, false);
    brush(LTGRAY_BRUSH, 0xC0C0C0, false);
    brush(GRAY_BRUSH, 0x808080, false);
    brush(DKGRAY_BRUSH, 0x404040, false);
    brush(BLACK_BRUSH, 0x000000, false);
    brush(NULL_BRUSH, 0x000000, true);
    auto pen = [table](int index, COLORREF colour, bool hollow) {
        GdiObject& o = table[index + 1];
        o.kind = ObjectKind::Pen;
        o.colour = colour;
        o.penWidth = 1;
        o.hollow = hollow;
    };
    pen(WHITE_PEN, 0xFFFFFF, false);
    pen(BLACK_PEN, 0x000000, false);
    pen(kNullPenIndex, 0x000000, true);
    table[kSystemFontIndex + 1].kind = ObjectKind::Font;  // FontData made on first use
    table[kDefaultBitmapHandle].kind = ObjectKind::Bitmap;
    for (uint32_t h = 1; h <= kStockLimit; ++h) table[h].handle = h;
}

bool IsStockHandle(uint32_t h) {
    if (h == 0 || h > kStockLimit) return false;
    if (h == kDefaultBitmapHandle) return true;
    int index = static_cast<int>(h) - 1;
    return index <= kNullPenIndex || index == kSystemFontIndex;
}

uint32_t HandleValue(HGDIOBJ h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    return v > 0x7FFFFFFFu ? 0 : static_cast<uint32_t>(v);
}

HGDIOBJ MakeHandle(uint32_t v) { return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(v)); }

// ---- object table ------------------------------------------------------------

HGDIOBJ RegisterObject(std::unique_ptr<GdiObject> object) {
    LayerState* bd = LayerData();
    std::vector<GdiSlot>& entries = bd->objectSlots;
    uint32_t index;
    if (!bd->freeSlots.empty()) {
        index = bd->freeSlots.front();
        bd->freeSlots.pop_front();
    } else {
        if (entries.size() < kFirstSlot) entries.resize(kFirstSlot);
        if (entries.size() >= kSlotCount) return nullptr;
        index = static_cast<uint32_t>(entries.size());
        entries.emplace_back();
    }
    GdiSlot& slot = entries[index];
    slot.generation = static_cast<uint16_t>(slot.generation % 0x7FFF + 1);
    slot.handle = (static_cast<uint32_t>(slot.generation) << 16) | index;
    object->handle = slot.handle;
    slot.object = std::move(object);
    return MakeHandle(slot.handle);
}

GdiObject* LookupObject(uint32_t h) {
    if (h == 0) return nullptr;
    LayerState* bd = LayerData();
    if (h <= kStockLimit) return IsStockHandle(h) ? &bd->stock[h] : nullptr;
    uint32_t index = h & 0xFFFFu;
    std::vector<GdiSlot>& entries = bd->objectSlots;
    if (index < kFirstSlot || index >= entries.size() || entries[index].handle != h) return nullptr;
    return entries[index].object.get();
}

GdiObject* ResolveObject(HGDIOBJ handle) {
    GdiObject* o = LookupObject(HandleValue(handle));
    return o && !o->deletePending ? o : nullptr;
}

namespace {

void Destroy(uint32_t h) {
    LayerState* bd = LayerData();
    uint32_t index = h & 0xFFFFu;
    GdiSlot& slot = bd->objectSlots[index];
    slot.object.reset();
    slot.handle = 0;
    bd->freeSlots.push_back(index);
}

void Select(uint32_t h) {
    if (h <= kStockLimit) return;
    if (GdiObject* o = LookupObject(h)) ++o->selections;
}

void Deselect(uint32_t h) {
    if (h <= kStockLimit) return;
    GdiObject* o = LookupObject(h);
    if (!o) return;
    if (--o->selections <= 0) {
        o->selections = 0;
        if (o->deletePending) Destroy(h);
    }
}

// Refreshes the cached pixel pointer of a memory DC after a bitmap change.
void Recache(PlatformDc* dc) {
    dc->bits = nullptr;
    dc->width = dc->height = 0;
    dc->stride = 0;
    if (dc->window) return;
    if (dc->bitmap == kDefaultBitmapHandle) {
        dc->bits = &dc->defaultPixel;
        dc->width = dc->height = 1;
        dc->stride = 1;
        return;
    }
    GdiObject* o = LookupObject(dc->bitmap);
    if (!o || o->image.isNull()) return;
    dc->bits = reinterpret_cast<uint32_t*>(o->image.bits());
    dc->width = o->image.width();
    dc->height = o->image.height();
    dc->stride = o->image.bytesPerLine() / 4;
}

PlatformDc* NewDc(HWND window) {
    LayerState* bd = LayerData();
    PlatformDc* dc;
    if (!bd->dcFree.empty()) {
        dc = bd->dcFree.front();
        bd->dcFree.pop_front();
    } else {
        bd->dcPool.emplace_back();
        dc = &bd->dcPool.back();
        bd->dcAll.insert(dc);
    }
    *dc = PlatformDc();
    dc->live = true;
    dc->window = window;
    dc->pen = BLACK_PEN + 1;
    dc->brush = WHITE_BRUSH + 1;
    dc->font = kSystemFontIndex + 1;
    dc->bitmap = window ? 0 : kDefaultBitmapHandle;
    Recache(dc);
    return dc;
}

void FreeDc(PlatformDc* dc) {
    LayerState* bd = LayerData();
    Deselect(dc->bitmap);
    Deselect(dc->pen);
    Deselect(dc->brush);
    Deselect(dc->font);
    if (dc->ownDc) bd->ownDcs.erase(dc->window);
    *dc = PlatformDc();  // not live, no cached pixels
    bd->dcFree.push_back(dc);
}

}  // namespace

PlatformDc* LiveDc(HDC dc) {
    LayerState* bd = LayerData();
    if (!dc || !bd->dcAll.count(dc) || !dc->live) return nullptr;
    return dc;
}

bool SurfaceOf(PlatformDc* dc, Surface* s) {
    *s = Surface();
    if (dc->window) {
        QImage* image = PlatformWindowSurface(dc->window);
        if (!image || image->isNull() || image->depth() != 32) return false;
        s->bits32 = reinterpret_cast<uint32_t*>(image->bits());
        s->stride32 = image->bytesPerLine() / 4;
        s->width = image->width();
        s->height = image->height();
        return s->Valid();
    }
    if (dc->bits) {
        s->bits32 = dc->bits;
        s->stride32 = dc->stride;
        s->width = dc->width;
        s->height = dc->height;
        return s->Valid();
    }
    GdiObject* o = LookupObject(dc->bitmap);
    if (!o || !o->dibBits) return false;
    s->bits24 = o->dibBits;
    s->stride24 = o->dibStride;
    s->bottomUp = o->dibBottomUp;
    s->width = o->dibWidth;
    s->height = o->dibHeight;
    return s->Valid();
}

// A window DC's drawing has to reach the screen.
void Drawn(PlatformDc* dc) {
    if (dc->window) PlatformWindowSurfaceChanged(dc->window);
}

GdiObject* SelectedPen(PlatformDc* dc) {
    LayerState* bd = LayerData();
    GdiObject* o = LookupObject(dc->pen);
    return o ? o : &bd->stock[BLACK_PEN + 1];
}
GdiObject* SelectedBrush(PlatformDc* dc) {
    LayerState* bd = LayerData();
    GdiObject* o = LookupObject(dc->brush);
    return o ? o : &bd->stock[WHITE_BRUSH + 1];
}

int PlatformLiveGdiObjectCount() {
    LayerState* bd = LayerData();
    const std::vector<GdiSlot>& table = bd->objectSlots;
    return static_cast<int>(std::count_if(table.begin(), table.end(), [](const GdiSlot& s) { return s.handle != 0; }));
}

int PlatformLiveDcCount() {
    LayerState* bd = LayerData();
    const std::deque<PlatformDc>& pool = bd->dcPool;
    return static_cast<int>(std::count_if(pool.begin(), pool.end(), [](const PlatformDc& dc) { return dc.live; }));
}

void ForgetAllGdi() {
    LayerState* bd = LayerData();
    for (PlatformDc& dc : bd->dcPool) {
        if (dc.live) FreeDc(&dc);
    }
    bd->ownDcs.clear();
    for (GdiSlot& slot : bd->objectSlots) {
        if (slot.handle) Destroy(slot.handle);
    }
}

// ---- window DCs ------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
    if (!hwnd || !PlatformWindowSurface(hwnd)) return nullptr;
    if (PlatformWindowOwnsDc(hwnd)) {
        LayerState* bd = LayerData();
        auto found = bd->ownDcs.find(hwnd);
        if (found != bd->ownDcs.end() && found->second->live) return found->second;
        PlatformDc* dc = NewDc(hwnd);
        dc->ownDc = true;
        bd->ownDcs[hwnd] = dc;
        return dc;
    }
    return NewDc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || !dc->window || (hwnd && dc->window != hwnd)) return 0;
    if (!dc->ownDc) FreeDc(dc);
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    HDC dc = GetDC(hwnd);
    if (paint) {
        memset(paint, 0, sizeof *paint);
        paint->hdc = dc;
        paint->fErase = FALSE;
        if (QImage* image = dc ? PlatformWindowSurface(hwnd) : nullptr) {
            paint->rcPaint = RECT{0, 0, image->width(), image->height()};
        }
    }
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!hwnd) return FALSE;
    PlatformWindowValidate(hwnd);
    if (paint) ReleaseDC(hwnd, paint->hdc);
    return TRUE;
}

void PlatformForgetWindowDcs(HWND hwnd) {
    if (!hwnd) return;
    LayerState* bd = LayerData();
    for (PlatformDc& dc : bd->dcPool) {
        if (dc.live && dc.window == hwnd) FreeDc(&dc);
    }
    bd->ownDcs.erase(hwnd);
}

COLORREF PlatformBrushColour(HBRUSH brush) {
    GdiObject* o = LookupObject(HandleValue(brush));
    if (!o || o->kind != ObjectKind::Brush || o->hollow) return 0;
    return o->colour & 0xFFFFFFu;
}

// ---- memory DCs, bitmaps and objects ------------------------------------------------

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !LiveDc(hdc)) return nullptr;
    return NewDc(nullptr);
}

BOOL DeleteDC(HDC hdc) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || dc->ownDc) return FALSE;
    FreeDc(dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (hdc && !LiveDc(hdc)) return nullptr;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<long long>(width) * height * 4 > kMaxBytes)
        return nullptr;
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Bitmap;
    o->image = QImage(width, height, QImage::Format_RGB32);
    if (o->image.isNull()) return nullptr;
    o->image.fill(0xFF000000u);
    return RegisterObject(std::move(o));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    (void)offset;
    if (bits) *bits = nullptr;
    if (hdc && !LiveDc(hdc)) return nullptr;
    if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 24 || h.biCompression != BI_RGB) return nullptr;
    long long width = h.biWidth;
    long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    long long stride = (width * 3 + 3) / 4 * 4;
    if (stride * height > kMaxBytes) return nullptr;
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Bitmap;
    o->dibBits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride * height), 1));
    if (!o->dibBits) return nullptr;
    o->dibWidth = static_cast<int>(width);
    o->dibHeight = static_cast<int>(height);
    o->dibStride = stride;
    o->dibBottomUp = h.biHeight > 0;
    uint8_t* memory = o->dibBits;
    HGDIOBJ handle = RegisterObject(std::move(o));
    if (handle && bits) *bits = memory;
    return handle;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    PlatformDc* dc = LiveDc(hdc);
    GdiObject* o = ResolveObject(object);
    if (!dc || !o) return nullptr;
    uint32_t h = HandleValue(object);
    uint32_t* slot = nullptr;
    switch (o->kind) {
        case ObjectKind::Bitmap:
            if (dc->window) return nullptr;
            slot = &dc->bitmap;
            break;
        case ObjectKind::Pen: slot = &dc->pen; break;
        case ObjectKind::Brush: slot = &dc->brush; break;
        case ObjectKind::Font: slot = &dc->font; break;
    }
    uint32_t previous = *slot;
    if (previous == h) return object;
    // A bitmap belongs to one DC at a time.
    if (o->kind == ObjectKind::Bitmap && h > kStockLimit && o->selections > 0) return nullptr;
    Select(h);
    *slot = h;
    if (o->kind == ObjectKind::Bitmap) {
        if (h == kDefaultBitmapHandle) dc->defaultPixel = 0xFF000000u;
        Recache(dc);
    }
    Deselect(previous);
    return MakeHandle(previous);
}

BOOL DeleteObject(HGDIOBJ object) {
    uint32_t h = HandleValue(object);
    if (IsStockHandle(h)) return TRUE;
    GdiObject* o = ResolveObject(object);
    if (!o) return FALSE;
    if (o->selections > 0) {
        o->deletePending = true;
        return TRUE;
    }
    Destroy(h);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index > 15) return nullptr;
    uint32_t h = static_cast<uint32_t>(index) + 1;
    return IsStockHandle(h) && h != kDefaultBitmapHandle ? MakeHandle(h) : nullptr;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Pen;
    o->colour = colour & 0xFFFFFFu;
    o->penWidth = std::max(1, std::min(width, 10000));
    o->hollow = style == kPsNull;
    return RegisterObject(std::move(o));
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Brush;
    o->colour = colour & 0xFFFFFFu;
    return RegisterObject(std::move(o));
}
