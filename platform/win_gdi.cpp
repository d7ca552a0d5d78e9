// win_gdi.cpp - device contexts, bitmaps, pens, brushes, fonts and drawing of
// the Win32 subset, drawn straight into pixel memory (QImage on Qt 6).
//
// Calls implemented: GetDC, ReleaseDC, BeginPaint, EndPaint, SetRect,
// FillRect, CreateCompatibleDC, CreateCompatibleBitmap, CreateDIBSection,
// DeleteDC, SelectObject, DeleteObject, GetStockObject, SetPixelV, GetPixel,
// CreatePen, CreateSolidBrush, MoveToEx, LineTo, Rectangle,
// CreateFontIndirectA, SetTextColor, SetBkColor, SetBkMode, TextOutA, BitBlt;
// for the window side PlatformForgetWindowDcs and PlatformBrushColor.
//
// Handles
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
// Behaviour
//   - Every DC starts as GDI's do: white background colour, black text,
//     OPAQUE, the stock system font, black pen, white brush, position (0, 0).
//   - A window DC draws into the window's retained client-area image
//     (PlatformWindowSurface, looked up on every call because resizing may
//     replace it) and tells the window after each drawing call. GetDC of a
//     CS_OWNDC window always returns the window's one DC (ReleaseDC leaves
//     it); other windows get a fresh DC that ReleaseDC or EndPaint frees.
//     BeginPaint does not erase (the retained image keeps what was drawn);
//     rcPaint is the whole client area and fErase is FALSE.
//   - A memory DC starts with a 1 x 1 black bitmap. Compatible bitmaps are
//     32-bit and black. A bitmap can be selected into one DC at a time.
//   - SetPixelV on a memory DC with a 32-bit bitmap writes the pixel memory
//     directly through a pointer, size and stride cached in the DC.
//   - Pens of width 0 or 1 draw one-pixel Bresenham lines into memory as GDI
//     does: the end point is left out, and where the line passes exactly
//     half-way between two pixels the upper one (x-major lines) or the left
//     one (y-major lines) is taken, whichever way the line runs, so a line
//     and its reverse share their pixels. Wider pens draw with round
//     ends and round joins, centred on the pixel centres, without
//     antialiasing; a horizontal or vertical line is exactly as thick as
//     the pen (see kCentre).
//   - Rectangle: with a one-pixel pen the border takes columns left..right-1
//     and rows top..bottom-1 and the brush fills the inside; with NULL_PEN
//     the brush fills left..right-2 x top..bottom-2 (GDI's one pixel less);
//     with a wider pen the border is centred on the one-pixel outline.
//   - Fonts: a positive lfHeight is the cell height (the largest pixel size
//     whose ascent + descent fits; the cell is then exactly lfHeight high), a
//     negative one the character height, 0 a 16-pixel cell. Character set
//     128, the faces "標準ゴシック"/"標準明朝" and other Japanese faces select
//     IPAGothic or IPAMincho. Text is drawn without antialiasing, clipped to
//     its cell rectangle (advance width x cell height), whose background is
//     filled in the background colour in OPAQUE mode. Control characters
//     (tabs, line ends) take a blank cell each, as no layout is done.
//   - BitBlt copies between any two DCs, clipped to both surfaces; copies
//     within one surface may overlap.
//
// Deliberately not supported
//   - Raster operations other than SRCCOPY (BitBlt returns FALSE).
//   - DIB sections other than 24-bit BI_RGB, and file-mapping sections
//     (CreateDIBSection returns NULL). Into a DIB section only SetPixelV,
//     GetPixel, FillRect, one-pixel lines and Rectangle with a one-pixel or
//     null pen, and BitBlt work; wide pens and text return FALSE there.
//   - Pen styles other than PS_SOLID and PS_NULL (5); others draw solid.
//   - lfWidth, lfEscapement and lfOrientation of a font are ignored.
//   - Bitmaps cannot be selected into window DCs.
//   - GetDC(NULL) (the screen) returns NULL.
//
// Deleting a pen, brush, font or bitmap that is still selected succeeds; the
// object stays usable by the DCs that hold it and is freed when the last of
// them deselects it or is deleted. Deleting a stock object does nothing.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "platform/internal.h"

namespace {

enum class ObjectKind { Bitmap, Pen, Brush, Font };

// A font as drawn: the Qt font and the cell geometry of the GDI font.
struct FontData {
    QFont font;
    int ascent = 0;      // from the top of the cell to the baseline
    int cellHeight = 0;  // ascent + descent as GDI reports it
};

struct GdiObject {
    ObjectKind kind = ObjectKind::Brush;
    uint32_t handle = 0;
    int selections = 0;          // DCs that have it selected (not counted for stock)
    bool deletePending = false;  // deleted while selected: freed on the last deselection

    COLORREF color = 0;  // pen, brush
    int penWidth = 1;    // pen
    bool hollow = false; // NULL_PEN, NULL_BRUSH, PS_NULL

    QImage image;                 // compatible bitmap (Format_RGB32)
    uint8_t* dibBits = nullptr;   // 24-bit DIB section, owned
    int dibWidth = 0;
    int dibHeight = 0;
    qsizetype dibStride = 0;
    bool dibBottomUp = true;

    std::unique_ptr<FontData> font;

    ~GdiObject() { std::free(dibBits); }
};

constexpr uint32_t kStockLimit = 16;  // handles 1..16 are stock objects
constexpr uint32_t kDefaultBitmapHandle = 16;
constexpr uint32_t kFirstSlot = kStockLimit + 1;
constexpr uint32_t kSlotCount = 0x10000;
constexpr int kSystemFontIndex = 13;  // SYSTEM_FONT
constexpr int kNullPenIndex = 8;      // NULL_PEN
constexpr int kPsNull = 5;            // PS_NULL

// Largest bitmap accepted: 32768 pixels a side and 1 GiB of pixels.
constexpr long long kMaxSide = 32768;
constexpr long long kMaxBytes = 1LL << 30;

// ---- stock objects -----------------------------------------------------------

GdiObject* StockTable() {
    // Never destroyed: fonts must not outlive the Qt application at exit.
    static GdiObject* const table = new GdiObject[kStockLimit + 1];
    static bool built = false;
    if (!built) {
        built = true;
        auto brush = [](int index, COLORREF color, bool hollow) {
            GdiObject& o = table[index + 1];
            o.kind = ObjectKind::Brush;
            o.color = color;
            o.hollow = hollow;
        };
        brush(WHITE_BRUSH, 0xFFFFFF, false);
        brush(LTGRAY_BRUSH, 0xC0C0C0, false);
        brush(GRAY_BRUSH, 0x808080, false);
        brush(DKGRAY_BRUSH, 0x404040, false);
        brush(BLACK_BRUSH, 0x000000, false);
        brush(NULL_BRUSH, 0x000000, true);
        auto pen = [](int index, COLORREF color, bool hollow) {
            GdiObject& o = table[index + 1];
            o.kind = ObjectKind::Pen;
            o.color = color;
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
    return table;
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

struct Slot {
    uint32_t handle = 0;  // 0 when free
    uint16_t generation = 0;
    std::unique_ptr<GdiObject> object;
};

std::vector<Slot>& Slots() {
    static std::vector<Slot>* const entries = new std::vector<Slot>;  // never destroyed, as above
    return *entries;
}
std::deque<uint32_t>& FreeSlots() {
    static std::deque<uint32_t> free;
    return free;
}

// Registers a new object and gives it its handle; NULL when the table is full.
HGDIOBJ Register(std::unique_ptr<GdiObject> object) {
    std::vector<Slot>& entries = Slots();
    uint32_t index;
    if (!FreeSlots().empty()) {
        index = FreeSlots().front();
        FreeSlots().pop_front();
    } else {
        if (entries.size() < kFirstSlot) entries.resize(kFirstSlot);
        if (entries.size() >= kSlotCount) return nullptr;
        index = static_cast<uint32_t>(entries.size());
        entries.emplace_back();
    }
    Slot& slot = entries[index];
    slot.generation = static_cast<uint16_t>(slot.generation % 0x7FFF + 1);
    slot.handle = (static_cast<uint32_t>(slot.generation) << 16) | index;
    object->handle = slot.handle;
    slot.object = std::move(object);
    return MakeHandle(slot.handle);
}

// The object behind a handle, stock or not; deleted-but-still-selected
// objects are found too (the DCs holding them keep drawing with them).
GdiObject* Lookup(uint32_t h) {
    if (h == 0) return nullptr;
    if (h <= kStockLimit) return IsStockHandle(h) ? &StockTable()[h] : nullptr;
    uint32_t index = h & 0xFFFFu;
    std::vector<Slot>& entries = Slots();
    if (index < kFirstSlot || index >= entries.size() || entries[index].handle != h) return nullptr;
    return entries[index].object.get();
}

// The object behind a handle given by the program: deleted objects are gone.
GdiObject* Resolve(HGDIOBJ handle) {
    GdiObject* o = Lookup(HandleValue(handle));
    return o && !o->deletePending ? o : nullptr;
}

void Destroy(uint32_t h) {
    uint32_t index = h & 0xFFFFu;
    Slot& slot = Slots()[index];
    slot.object.reset();
    slot.handle = 0;
    FreeSlots().push_back(index);
}

// ---- fonts ---------------------------------------------------------------------

const QString& GothicFamily() {
    static const QString name = QStringLiteral("IPAGothic");
    return name;
}
const QString& MinchoFamily() {
    static const QString name = QStringLiteral("IPAMincho");
    return name;
}

bool HasJapanese(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() >= 0x3000) return true;
    }
    return false;
}

// The Qt families for a GDI face name and character set.
QStringList FamiliesFor(const QString& face, int charSet) {
    static const QString standardGothic = QString::fromUtf8("標準ゴシック");
    static const QString standardMincho = QString::fromUtf8("標準明朝");
    static const QString mincho = QString::fromUtf8("明朝");
    if (face == standardGothic) return {GothicFamily()};
    if (face == standardMincho) return {MinchoFamily()};
    if (HasJapanese(face)) return {face.contains(mincho) ? MinchoFamily() : GothicFamily()};
    if (face.contains(QLatin1String("Mincho"), Qt::CaseInsensitive)) return {face, MinchoFamily()};
    if (face.isEmpty()) {
        if (charSet == SHIFTJIS_CHARSET) return {GothicFamily()};
        return {QStringLiteral("DejaVu Sans"), GothicFamily()};
    }
    // A face that is not installed falls back to the Japanese Gothic.
    return {face, GothicFamily()};
}

int CellHeightOf(const QFont& font) {
    QFontMetrics m(font);
    return m.ascent() + m.descent();
}

// The largest pixel size whose cell (ascent + descent) is at most `cell`.
int PixelSizeForCell(QFont font, int cell) {
    static std::map<std::pair<QString, int>, int> cache;
    QString key = font.families().join(QLatin1Char('|')) + QLatin1Char('/') +
                  QString::number(font.weight()) + (font.italic() ? QStringLiteral("i") : QString());
    auto found = cache.find({key, cell});
    if (found != cache.end()) return found->second;
    // Estimate from a reference size, then walk to the exact size.
    font.setPixelSize(100);
    int reference = std::max(1, CellHeightOf(font));
    int size = std::max(1, static_cast<int>(static_cast<long long>(cell) * 100 / reference));
    font.setPixelSize(size);
    while (size > 1 && CellHeightOf(font) > cell) font.setPixelSize(--size);
    while (size < 2 * cell) {
        font.setPixelSize(size + 1);
        if (CellHeightOf(font) > cell) break;
        ++size;
    }
    cache[{key, cell}] = size;
    return size;
}

constexpr int kMaxFontPixels = 1000;

std::unique_ptr<FontData> MakeFont(const LOGFONTA& lf) {
    auto data = std::make_unique<FontData>();
    size_t faceLength = strnlen(lf.lfFaceName, LF_FACESIZE);
    QString face = DecodeWindowsText(lf.lfFaceName, static_cast<int>(faceLength)).trimmed();
    QFont& font = data->font;
    font.setFamilies(FamiliesFor(face, lf.lfCharSet));
    int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);

    long long height = lf.lfHeight;
    if (height == 0) height = 16;
    if (height > 0) {
        int cell = static_cast<int>(std::min<long long>(height, kMaxFontPixels));
        font.setPixelSize(PixelSizeForCell(font, cell));
        QFontMetrics m(font);
        data->cellHeight = cell;
        data->ascent = std::min(m.ascent(), cell);
    } else {
        int size = static_cast<int>(std::min<long long>(-height, kMaxFontPixels));
        font.setPixelSize(std::max(1, size));
        QFontMetrics m(font);
        data->cellHeight = m.ascent() + m.descent();
        data->ascent = m.ascent();
    }
    return data;
}

FontData* FontOf(GdiObject* o) {
    if (!o->font) {  // the stock system font, made on first use
        LOGFONTA lf{};
        lf.lfHeight = 16;
        lf.lfCharSet = SHIFTJIS_CHARSET;
        o->font = MakeFont(lf);
    }
    return o->font.get();
}

}  // namespace

// ---- device contexts -----------------------------------------------------------

struct PlatformDc {
    // What SetPixelV and GetPixel use without further look-ups: the 32-bit
    // pixels of the bitmap selected into a memory DC. Null for window DCs,
    // DIB sections and released DCs, which take the slower path.
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    qsizetype stride = 0;  // in pixels

    bool live = false;
    HWND window = nullptr;  // window DC of this window
    bool ownDc = false;     // the one DC of a CS_OWNDC window

    uint32_t bitmap = 0, pen = 0, brush = 0, font = 0;  // selected object handles
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    POINT position{0, 0};
    uint32_t defaultPixel = 0xFF000000u;  // the 1 x 1 default bitmap's pixel
};

namespace {

std::deque<PlatformDc>& DcPool() {
    static std::deque<PlatformDc> pool;
    return pool;
}
std::unordered_set<const PlatformDc*>& DcAll() {
    static std::unordered_set<const PlatformDc*> all;
    return all;
}
std::deque<PlatformDc*>& DcFree() {
    static std::deque<PlatformDc*> free;
    return free;
}
std::unordered_map<HWND, PlatformDc*>& OwnDcs() {
    static std::unordered_map<HWND, PlatformDc*> own;
    return own;
}

PlatformDc* LiveDc(HDC dc) {
    if (!dc || !DcAll().count(dc) || !dc->live) return nullptr;
    return dc;
}

void Select(uint32_t h) {
    if (h <= kStockLimit) return;
    if (GdiObject* o = Lookup(h)) ++o->selections;
}

void Deselect(uint32_t h) {
    if (h <= kStockLimit) return;
    GdiObject* o = Lookup(h);
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
    GdiObject* o = Lookup(dc->bitmap);
    if (!o || o->image.isNull()) return;
    dc->bits = reinterpret_cast<uint32_t*>(o->image.bits());
    dc->width = o->image.width();
    dc->height = o->image.height();
    dc->stride = o->image.bytesPerLine() / 4;
}

PlatformDc* NewDc(HWND window) {
    PlatformDc* dc;
    if (!DcFree().empty()) {
        dc = DcFree().front();
        DcFree().pop_front();
    } else {
        DcPool().emplace_back();
        dc = &DcPool().back();
        DcAll().insert(dc);
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
    Deselect(dc->bitmap);
    Deselect(dc->pen);
    Deselect(dc->brush);
    Deselect(dc->font);
    if (dc->ownDc) OwnDcs().erase(dc->window);
    *dc = PlatformDc();  // not live, no cached pixels
    DcFree().push_back(dc);
}

// ---- surfaces ------------------------------------------------------------------

// The pixels a DC draws into: 32-bit (0xFFRRGGBB) or a 24-bit DIB section.
struct Surface {
    uint32_t* bits32 = nullptr;
    qsizetype stride32 = 0;  // pixels per row
    uint8_t* bits24 = nullptr;
    qsizetype stride24 = 0;  // bytes per row
    bool bottomUp = false;
    int width = 0;
    int height = 0;

    bool Valid() const { return width > 0 && height > 0 && (bits32 || bits24); }
    uint8_t* Row24(int y) const { return bits24 + (bottomUp ? height - 1 - y : y) * stride24; }
    uint32_t Get(int x, int y) const {
        if (bits32) return bits32[y * stride32 + x];
        const uint8_t* p = Row24(y) + 3 * x;
        return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    void Put(int x, int y, uint32_t argb) const {
        if (bits32) {
            bits32[y * stride32 + x] = argb;
            return;
        }
        uint8_t* p = Row24(y) + 3 * x;
        p[0] = static_cast<uint8_t>(argb);
        p[1] = static_cast<uint8_t>(argb >> 8);
        p[2] = static_cast<uint8_t>(argb >> 16);
    }
    bool Inside(long long x, long long y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // A QImage over the 32-bit pixels for QPainter; null for DIB sections.
    QImage Wrap() const {
        if (!bits32) return QImage();
        return QImage(reinterpret_cast<uchar*>(bits32), width, height, stride32 * 4, QImage::Format_RGB32);
    }
};

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
    GdiObject* o = Lookup(dc->bitmap);
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
    GdiObject* o = Lookup(dc->pen);
    return o ? o : &StockTable()[BLACK_PEN + 1];
}
GdiObject* SelectedBrush(PlatformDc* dc) {
    GdiObject* o = Lookup(dc->brush);
    return o ? o : &StockTable()[WHITE_BRUSH + 1];
}
FontData* SelectedFont(PlatformDc* dc) {
    GdiObject* o = Lookup(dc->font);
    return FontOf(o ? o : &StockTable()[kSystemFontIndex + 1]);
}

// Fills [left, right) x [top, bottom), clipped to the surface.
void FillArea(const Surface& s, long long left, long long top, long long right, long long bottom, uint32_t argb) {
    left = std::max(left, 0LL);
    top = std::max(top, 0LL);
    right = std::min<long long>(right, s.width);
    bottom = std::min<long long>(bottom, s.height);
    if (left >= right || top >= bottom) return;
    for (int y = static_cast<int>(top); y < bottom; ++y) {
        if (s.bits32) {
            std::fill(s.bits32 + y * s.stride32 + left, s.bits32 + y * s.stride32 + right, argb);
        } else {
            for (int x = static_cast<int>(left); x < right; ++x) s.Put(x, y, argb);
        }
    }
}

// One-pixel line from (x0, y0) towards (x1, y1), the end point left out.
// Step i along the major axis draws the minor offset i * dMinor / dMajor
// rounded to the nearest pixel; an exact half goes to the smaller minor
// coordinate (GDI's rule: its Bresenham loop biases the error term in the
// octants that run up or left so that ties fall the same way in all of them).
void ThinLine(const Surface& s, long long x0, long long y0, long long x1, long long y1, uint32_t argb) {
    long long dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    int sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    bool xMajor = dx > dy;
    long long major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    if (major == 0) return;
    int minorStep = xMajor ? sy : sx;
    // Rounding of (2 i minor + major) / (2 major): half down when the minor
    // coordinate grows, half up (further towards smaller coordinates) when
    // it shrinks.
    long long roundBias = minorStep > 0 ? major - 1 : major;
    // Only the steps whose major coordinate lies on the surface matter.
    long long start = xMajor ? x0 : y0;
    int step = xMajor ? sx : sy;
    long long limit = xMajor ? s.width : s.height;
    long long first = 0, last = major - 1;
    if (step > 0) {
        first = std::max(first, -start);
        last = std::min(last, limit - 1 - start);
    } else {
        first = std::max(first, start - (limit - 1));
        last = std::min(last, start);
    }
    for (long long i = first; i <= last; ++i) {
        __int128 num = static_cast<__int128>(2) * i * minor + roundBias;
        long long k = static_cast<long long>(num / (2 * static_cast<__int128>(major)));
        long long px = xMajor ? x0 + sx * i : x0 + sx * k;
        long long py = xMajor ? y0 + sy * k : y0 + sy * i;
        if (s.Inside(px, py)) s.Put(static_cast<int>(px), static_cast<int>(py), argb);
    }
}

// Cuts the segment to the rectangle [lo, hi] in both axes (Liang-Barsky);
// false when nothing of it is inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double loX, double loY, double hiX, double hiY) {
    double t0 = 0.0, t1 = 1.0;
    double dx = x1 - x0, dy = y1 - y0;
    double p[4] = {-dx, dx, -dy, dy};
    double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
        } else {
            double r = q[i] / p[i];
            if (p[i] < 0.0) {
                if (r > t1) return false;
                t0 = std::max(t0, r);
            } else {
                if (r < t0) return false;
                t1 = std::min(t1, r);
            }
        }
    }
    double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
    double nx1 = x0 + t1 * dx, ny1 = y0 + t1 * dy;
    x0 = nx0;
    y0 = ny0;
    x1 = nx1;
    y1 = ny1;
    return true;
}

// Wide pens are stroked around the pixel centres, moved by 1/32 pixel up and
// left so that no edge of the stroke falls exactly on a pixel centre: a
// horizontal or vertical line of width w is then exactly w pixels thick (for
// even widths the extra half lies above or left of the line).
constexpr double kCentre = 0.5 - 1.0 / 32;

QPen WidePen(const GdiObject* pen) {
    return QPen(QColor::fromRgb(ColorrefToArgb(pen->color)), pen->penWidth, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin);
}

// A line of a pen wider than one pixel, round ends, centred on pixel centres.
bool WideLine(const Surface& s, const GdiObject* pen, long long x0, long long y0, long long x1, long long y1) {
    QImage image = s.Wrap();
    if (image.isNull()) return false;
    double margin = pen->penWidth + 2.0;
    double ax = x0 + kCentre, ay = y0 + kCentre, bx = x1 + kCentre, by = y1 + kCentre;
    if (!ClipSegment(ax, ay, bx, by, -margin, -margin, s.width + margin, s.height + margin)) return true;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(WidePen(pen));
    painter.drawLine(QPointF(ax, ay), QPointF(bx, by));
    return true;
}

long long Clamp(long long v, long long lo, long long hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

// ---- window DCs ------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
    if (!hwnd || !PlatformWindowSurface(hwnd)) return nullptr;
    if (PlatformWindowOwnsDc(hwnd)) {
        auto found = OwnDcs().find(hwnd);
        if (found != OwnDcs().end() && found->second->live) return found->second;
        PlatformDc* dc = NewDc(hwnd);
        dc->ownDc = true;
        OwnDcs()[hwnd] = dc;
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
    for (PlatformDc& dc : DcPool()) {
        if (dc.live && dc.window == hwnd) FreeDc(&dc);
    }
    OwnDcs().erase(hwnd);
}

COLORREF PlatformBrushColor(HBRUSH brush) {
    GdiObject* o = Lookup(HandleValue(brush));
    if (!o || o->kind != ObjectKind::Brush || o->hollow) return 0;
    return o->color & 0xFFFFFFu;
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
    return Register(std::move(o));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
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
    HGDIOBJ handle = Register(std::move(o));
    if (handle && bits) *bits = memory;
    return handle;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    PlatformDc* dc = LiveDc(hdc);
    GdiObject* o = Resolve(object);
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
    GdiObject* o = Resolve(object);
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

HPEN CreatePen(int style, int width, COLORREF color) {
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Pen;
    o->color = color & 0xFFFFFFu;
    o->penWidth = std::max(1, std::min(width, 10000));
    o->hollow = style == kPsNull;
    return Register(std::move(o));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Brush;
    o->color = color & 0xFFFFFFu;
    return Register(std::move(o));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Font;
    o->font = MakeFont(*font);
    return Register(std::move(o));
}

// ---- pixels ------------------------------------------------------------------------

namespace {

// Kept out of line so that SetPixelV's fast path needs no stack frame.
__attribute__((noinline)) BOOL SetPixelSlow(HDC hdc, int x, int y, COLORREF color) {
    PlatformDc* dc = LiveDc(hdc);
    Surface s;
    if (!dc || !SurfaceOf(dc, &s) || !s.Inside(x, y)) return FALSE;
    s.Put(x, y, ColorrefToArgb(color));
    Drawn(dc);
    return TRUE;
}

}  // namespace

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) {
    if (!dc) return FALSE;
    if (dc->bits) {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(dc->width) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(dc->height))
            return FALSE;
        // 0x??BBGGRR byte-swapped is 0xRRGGBB??: shifted, Qt's 0xFFRRGGBB.
        dc->bits[y * dc->stride + x] = (__builtin_bswap32(color) >> 8) | 0xFF000000u;
        return TRUE;
    }
    return SetPixelSlow(dc, x, y, color);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    if (!hdc) return CLR_INVALID;
    if (hdc->bits) {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(hdc->width) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(hdc->height))
            return CLR_INVALID;
        return ArgbToColorref(hdc->bits[y * hdc->stride + x]);
    }
    PlatformDc* dc = LiveDc(hdc);
    Surface s;
    if (!dc || !SurfaceOf(dc, &s) || !s.Inside(x, y)) return CLR_INVALID;
    return ArgbToColorref(s.Get(x, y));
}

// ---- rectangles and lines -------------------------------------------------------------

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    PlatformDc* dc = LiveDc(hdc);
    GdiObject* b = Resolve(brush);
    if (!dc || !rect || !b || b->kind != ObjectKind::Brush) return 0;
    if (b->hollow) return 1;
    Surface s;
    if (!SurfaceOf(dc, &s)) return 0;
    FillArea(s, rect->left, rect->top, rect->right, rect->bottom, ColorrefToArgb(b->color));
    Drawn(dc);
    return 1;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return FALSE;
    POINT from = dc->position;
    dc->position = POINT{x, y};
    GdiObject* pen = SelectedPen(dc);
    if (pen->hollow) return TRUE;
    Surface s;
    if (!SurfaceOf(dc, &s)) return FALSE;
    if (pen->penWidth <= 1) {
        ThinLine(s, from.x, from.y, x, y, ColorrefToArgb(pen->color));
    } else if (!WideLine(s, pen, from.x, from.y, x, y)) {
        return FALSE;
    }
    Drawn(dc);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return FALSE;
    Surface s;
    if (!SurfaceOf(dc, &s)) return FALSE;
    long long l = std::min(left, right), r = std::max(left, right);
    long long t = std::min(top, bottom), b = std::max(top, bottom);
    if (r == l || b == t) return TRUE;
    GdiObject* pen = SelectedPen(dc);
    GdiObject* brush = SelectedBrush(dc);
    // Edges far outside the surface change nothing visible; keep them near.
    long long m = pen->penWidth + 2;
    l = Clamp(l, -m, s.width + m);
    r = Clamp(r, -m, s.width + m);
    t = Clamp(t, -m, s.height + m);
    b = Clamp(b, -m, s.height + m);
    uint32_t fill = ColorrefToArgb(brush->color);
    if (pen->hollow) {
        if (!brush->hollow) FillArea(s, l, t, r - 1, b - 1, fill);
    } else if (pen->penWidth <= 1) {
        if (!brush->hollow) FillArea(s, l + 1, t + 1, r - 1, b - 1, fill);
        uint32_t edge = ColorrefToArgb(pen->color);
        FillArea(s, l, t, r, t + 1, edge);
        FillArea(s, l, b - 1, r, b, edge);
        FillArea(s, l, t, l + 1, b, edge);
        FillArea(s, r - 1, t, r, b, edge);
    } else {
        QImage image = s.Wrap();
        if (image.isNull()) return FALSE;
        if (!brush->hollow) FillArea(s, l, t, r, b, fill);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(WidePen(pen));
        painter.setBrush(Qt::NoBrush);
        QPainterPath outline;
        outline.moveTo(l + kCentre, t + kCentre);
        outline.lineTo(r - 1 + kCentre, t + kCentre);
        outline.lineTo(r - 1 + kCentre, b - 1 + kCentre);
        outline.lineTo(l + kCentre, b - 1 + kCentre);
        outline.closeSubpath();
        painter.drawPath(outline);
    }
    Drawn(dc);
    return TRUE;
}

// ---- text -----------------------------------------------------------------------------

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFFu;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || length < 0 || (!text && length > 0)) return FALSE;
    if (length == 0) return TRUE;
    Surface s;
    if (!SurfaceOf(dc, &s)) return FALSE;
    QImage image = s.Wrap();
    if (image.isNull()) return FALSE;
    FontData* font = SelectedFont(dc);
    QString string = DecodeWindowsText(text, length);
    // Control characters take a blank cell: Qt would expand tabs and break
    // lines, GDI draws one cell per character.
    for (QChar& ch : string) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) ch = QLatin1Char(' ');
    }
    long long advance = QFontMetrics(font->font).horizontalAdvance(string);
    // The cell rectangle, cut to the surface; text never leaves it.
    long long left = std::max<long long>(x, 0), top = std::max<long long>(y, 0);
    long long right = std::min<long long>(static_cast<long long>(x) + advance, s.width);
    long long bottom = std::min<long long>(static_cast<long long>(y) + font->cellHeight, s.height);
    if (left >= right || top >= bottom) return TRUE;
    QRect visible(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                  static_cast<int>(bottom - top));
    if (dc->bkMode == OPAQUE) FillArea(s, left, top, right, bottom, ColorrefToArgb(dc->bkColor));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(visible);
    painter.setFont(font->font);
    painter.setPen(QColor::fromRgb(ColorrefToArgb(dc->textColor)));
    painter.drawText(QPoint(x, y + font->ascent), string);
    painter.end();
    Drawn(dc);
    return TRUE;
}

// ---- block transfer ---------------------------------------------------------------------

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    PlatformDc* d = LiveDc(dst);
    PlatformDc* sdc = LiveDc(src);
    Surface to, from;
    if (!d || !sdc || !SurfaceOf(d, &to) || !SurfaceOf(sdc, &from)) return FALSE;
    // Clip to both surfaces.
    long long dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min({w, to.width - dx, from.width - sx});
    h = std::min({h, to.height - dy, from.height - sy});
    if (w <= 0 || h <= 0) return TRUE;

    // Within one surface the source is copied first, so overlaps are safe.
    std::vector<uint32_t> copy;
    bool same = (to.bits32 && to.bits32 == from.bits32) || (to.bits24 && to.bits24 == from.bits24);
    if (same) {
        copy.resize(static_cast<size_t>(w * h));
        for (long long r = 0; r < h; ++r)
            for (long long c = 0; c < w; ++c)
                copy[r * w + c] = from.Get(static_cast<int>(sx + c), static_cast<int>(sy + r));
    }
    for (long long r = 0; r < h; ++r) {
        int ty = static_cast<int>(dy + r), fy = static_cast<int>(sy + r);
        if (same) {
            for (long long c = 0; c < w; ++c) to.Put(static_cast<int>(dx + c), ty, copy[r * w + c]);
        } else if (to.bits32 && from.bits32) {
            memcpy(to.bits32 + ty * to.stride32 + dx, from.bits32 + fy * from.stride32 + sx,
                   static_cast<size_t>(w) * 4);
        } else if (to.bits24 && from.bits32) {
            uint8_t* out = to.Row24(ty) + 3 * dx;
            const uint32_t* in = from.bits32 + fy * from.stride32 + sx;
            for (long long c = 0; c < w; ++c) {
                uint32_t p = in[c];
                out[3 * c] = static_cast<uint8_t>(p);
                out[3 * c + 1] = static_cast<uint8_t>(p >> 8);
                out[3 * c + 2] = static_cast<uint8_t>(p >> 16);
            }
        } else {
            for (long long c = 0; c < w; ++c)
                to.Put(static_cast<int>(dx + c), ty, from.Get(static_cast<int>(sx + c), fy));
        }
    }
    Drawn(d);
    return TRUE;
}
