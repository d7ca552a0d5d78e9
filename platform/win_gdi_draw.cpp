// win_gdi_draw.cpp - GDI drawing into the pixels of a DC: single pixels,
// rectangles, lines and block transfers.
//
// Implements: SetPixelV, GetPixel, SetRect, FillRect, MoveToEx,
// LineTo, Rectangle, BitBlt.
//
// Supported behaviour:
// - SetPixelV on a memory DC with a 32-bit bitmap writes the pixel memory
//   directly through a pointer, size and stride cached in the DC.
// - Pens of width 0 or 1 draw one-pixel Bresenham lines into memory as GDI
//   does: the end point is left out, and where the line passes exactly
//   half-way between two pixels the upper one (x-major lines) or the left
//   one (y-major lines) is taken, whichever way the line runs, so a line
//   and its reverse share their pixels. Wider pens draw with round
//   ends and round joins, centred on the pixel centres, without
//   antialiasing; a horizontal or vertical line is exactly as thick as
//   the pen (see kCentre).
// - Rectangle: with a one-pixel pen the border takes columns left..right-1
//   and rows top..bottom-1 and the brush fills the inside; with NULL_PEN
//   the brush fills left..right-2 x top..bottom-2 (GDI's one pixel less);
//   with a wider pen the border is centred on the one-pixel outline.
// - BitBlt copies between any two DCs, clipped to both surfaces; copies
//   within one surface may overlap.
//
// Not supported:
// - Raster operations other than SRCCOPY (BitBlt returns FALSE).
// - Pen styles other than PS_SOLID and PS_NULL (5); others draw solid.
// - Into a DIB section only SetPixelV, GetPixel, FillRect, one-pixel lines
//   and Rectangle with a one-pixel or null pen, and BitBlt work; wide pens
//   return FALSE there.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "platform/gdi_objects.h"

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

namespace {

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
    return QPen(QColor::fromRgb(ColorrefToArgb(pen->colour)), pen->penWidth, Qt::SolidLine, Qt::RoundCap,
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

// ---- pixels ------------------------------------------------------------------------

namespace {

// Kept out of line so that SetPixelV's fast path needs no stack frame.
__attribute__((noinline)) BOOL SetPixelSlow(HDC hdc, int x, int y, COLORREF colour) {
    PlatformDc* dc = LiveDc(hdc);
    Surface s;
    if (!dc || !SurfaceOf(dc, &s) || !s.Inside(x, y)) return FALSE;
    s.Put(x, y, ColorrefToArgb(colour));
    Drawn(dc);
    return TRUE;
}

}  // namespace

BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour) {
    if (!dc) return FALSE;
    if (dc->bits) {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(dc->width) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(dc->height))
            return FALSE;
        // 0x??BBGGRR byte-swapped is 0xRRGGBB??: shifted, Qt's 0xFFRRGGBB.
        dc->bits[y * dc->stride + x] = (__builtin_bswap32(colour) >> 8) | 0xFF000000u;
        return TRUE;
    }
    return SetPixelSlow(dc, x, y, colour);
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
    GdiObject* b = ResolveObject(brush);
    if (!dc || !rect || !b || b->kind != ObjectKind::Brush) return 0;
    if (b->hollow) return 1;
    Surface s;
    if (!SurfaceOf(dc, &s)) return 0;
    FillArea(s, rect->left, rect->top, rect->right, rect->bottom, ColorrefToArgb(b->colour));
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
        ThinLine(s, from.x, from.y, x, y, ColorrefToArgb(pen->colour));
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
    uint32_t fill = ColorrefToArgb(brush->colour);
    if (pen->hollow) {
        if (!brush->hollow) FillArea(s, l, t, r - 1, b - 1, fill);
    } else if (pen->penWidth <= 1) {
        if (!brush->hollow) FillArea(s, l + 1, t + 1, r - 1, b - 1, fill);
        uint32_t edge = ColorrefToArgb(pen->colour);
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

// ---- block transfer ---------------------------------------------------------------------

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    PlatformDc* d = LiveDc(dst);
    PlatformDc* sdc = LiveDc(src);
    Surface to, from;
    if (!d || !sdc || !SurfaceOf(d, &to) || !SurfaceOf(sdc, &from)) return FALSE;
    // Clip to both surfaces.
    long long dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
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
