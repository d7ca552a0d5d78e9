// gdi_objects.h - what the GDI files of the layer share: the objects behind
// GDI handles, the device context record behind an HDC, the pixels a DC
// draws into, and the look-ups between them. Includes Qt; only for
// platform/. The tables themselves live in the layer's state record
// (layer_state.h).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include <QFont>
#include <QImage>
#include <QStringList>

#include "platform/internal.h"

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

    COLORREF colour = 0;  // pen, brush
    int penWidth = 1;     // pen
    bool hollow = false;  // NULL_PEN, NULL_BRUSH, PS_NULL

    QImage image;                // compatible bitmap (Format_RGB32)
    uint8_t* dibBits = nullptr;  // 24-bit DIB section, owned
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

// One entry of the object table: the handle it gives out now (0 when free)
// and the generation that makes a later handle of the same slot differ.
struct GdiSlot {
    uint32_t handle = 0;
    uint16_t generation = 0;
    std::unique_ptr<GdiObject> object;
};

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
    COLORREF textColour = 0;
    COLORREF bkColour = 0xFFFFFF;
    int bkMode = OPAQUE;
    POINT position{0, 0};
    uint32_t defaultPixel = 0xFF000000u;  // the 1 x 1 default bitmap's pixel
};

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

// ---- objects and device contexts (win_gdi_objects.cpp) ------------------------
// Fills the stock objects; the table has kStockLimit + 1 entries, entry h
// for handle h.
void BuildStockObjects(GdiObject* table);
uint32_t HandleValue(HGDIOBJ h);
HGDIOBJ MakeHandle(uint32_t v);
bool IsStockHandle(uint32_t h);
// The object behind a handle, stock or not; deleted-but-still-selected
// objects are found too (the DCs holding them keep drawing with them).
GdiObject* LookupObject(uint32_t h);
// The object behind a handle given by the program: deleted objects are gone.
GdiObject* ResolveObject(HGDIOBJ handle);
// Registers a new object and gives it its handle; NULL when the table is full.
HGDIOBJ RegisterObject(std::unique_ptr<GdiObject> object);
// Null unless `dc` is a live DC of this layer.
PlatformDc* LiveDc(HDC dc);
// The surface `dc` draws into; false when it has none.
bool SurfaceOf(PlatformDc* dc, Surface* s);
// A window DC's drawing has to reach the screen.
void Drawn(PlatformDc* dc);
GdiObject* SelectedPen(PlatformDc* dc);
GdiObject* SelectedBrush(PlatformDc* dc);
// Releases every DC and object: the layer's reset for tests.
void ForgetAllGdi();

// ---- drawing (win_gdi_draw.cpp) --------------------------------------------------
// Fills [left, right) x [top, bottom), clipped to the surface.
void FillArea(const Surface& s, long long left, long long top, long long right, long long bottom, uint32_t argb);

// ---- text (win_gdi_text.cpp) -----------------------------------------------------
// The Qt families for a GDI face name and character set: the Japanese faces
// become the installed IPA faces.
QStringList FamiliesFor(const QString& face, int charSet);
std::unique_ptr<FontData> MakeFont(const LOGFONTA& lf);
// The font of a font object; the stock system font is made on first use.
FontData* FontOf(GdiObject* o);
FontData* SelectedFont(PlatformDc* dc);
