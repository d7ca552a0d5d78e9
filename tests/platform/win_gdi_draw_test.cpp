// Drawing through the layer's GDI: pixels, lines, rectangles, block
// transfers and DIB sections, checked pixel by pixel.
#include <climits>
#include <cstdlib>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "platform/internal.h"
#include "platform/platform.h"
#include "tests/platform/gdi_test_support.h"

namespace {

// GDI's Bresenham loop, written independently of the layer: octants
// numbered 1..8 counter-clockwise from "right, slightly down" (y grows
// downward); octants 3, 5, 6 and 8 step the minor axis on a zero error.
std::set<std::pair<int, int>> Bresenham(int x0, int y0, int x1, int y1) {
    std::set<std::pair<int, int>> pixels;
    int dx = x1 - x0, dy = y1 - y0;
    int octant;
    if (dy > 0)
        octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    else
        octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;
    int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    int major = xMajor ? std::abs(dx) : std::abs(dy), minor = xMajor ? std::abs(dy) : std::abs(dx);
    int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    int err = 2 * minor - major, x = x0, y = y0;
    for (int i = 0; i < major; ++i) {
        pixels.insert({x, y});
        if (err + bias > 0) {
            (xMajor ? y : x) += xMajor ? sy : sx;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        (xMajor ? x : y) += xMajor ? sx : sy;
    }
    return pixels;
}

TEST(GdiPixels, SetPixelVRoundTripAndOutsideIgnored) {
    Canvas c(8, 6);
    EXPECT_EQ(GetPixel(c.dc, 3, 2), 0u);  // black at creation
    EXPECT_TRUE(SetPixelV(c.dc, 3, 2, RGB(0x12, 0x34, 0x56)));
    EXPECT_EQ(GetPixel(c.dc, 3, 2), RGB(0x12, 0x34, 0x56));
    SetPixelV(c.dc, 0, 0, kRed);
    SetPixelV(c.dc, 7, 5, kBlue);
    std::vector<COLORREF> before = c.All();
    const int outside[][2] = {{-1, 0}, {0, -1}, {8, 0}, {0, 6}, {INT_MIN, 2}, {2, INT_MAX}, {8, 5}};
    for (const auto& p : outside) {
        EXPECT_FALSE(SetPixelV(c.dc, p[0], p[1], 0xFFFFFF));
        EXPECT_EQ(GetPixel(c.dc, p[0], p[1]), CLR_INVALID);
    }
    EXPECT_EQ(c.All(), before);
    EXPECT_EQ(GetPixel(c.dc, 0, 0), kRed);
    EXPECT_EQ(GetPixel(c.dc, 7, 5), kBlue);
    EXPECT_FALSE(SetPixelV(nullptr, 0, 0, 0));
}

TEST(GdiPixels, FreshMemoryDcHoldsOneBlackPixel) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetPixel(dc, 0, 0), 0u);
    EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 10, -1), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 1 << 30, 1 << 30), nullptr);
}

TEST(GdiLines, EndPointIsNotDrawn) {
    Canvas c(20, 20);
    Use pen(c.dc, CreatePen(PS_SOLID, 1, kRed));
    // Horizontal, vertical, diagonal, steep: the start drawn, the end not.
    const int lines[][5] = {{2, 3, 9, 3, 7}, {4, 12, 4, 1, 11}, {1, 1, 8, 8, 7}, {15, 2, 17, 15, 13}};
    for (const auto& l : lines) {
        c.Fill(0);
        Line(c.dc, l[0], l[1], l[2], l[3]);
        std::set<std::pair<int, int>> drawn = c.PixelsOf(kRed);
        EXPECT_EQ(drawn.size(), static_cast<size_t>(l[4]));
        EXPECT_EQ(drawn.count({l[2], l[3]}), 0u);
        EXPECT_EQ(drawn.count({l[0], l[1]}), 1u);
    }
}

TEST(GdiLines, ExactBresenhamPixelsAndPosition) {
    Canvas c(12, 12);
    Use pen(c.dc, CreatePen(PS_SOLID, 0, kYellow));
    POINT previous{-7, -7};
    MoveToEx(c.dc, 0, 0, &previous);
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    LineTo(c.dc, 5, 2);
    std::set<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
    EXPECT_EQ(c.PixelsOf(kYellow), expected);
    // LineTo moved the position to its end point.
    MoveToEx(c.dc, 9, 9, &previous);
    EXPECT_EQ(previous.x, 5);
    EXPECT_EQ(previous.y, 2);
    // Exact halves go up (x-major) or left (y-major), in either direction.
    c.Fill(0);
    Line(c.dc, 0, 5, 4, 6);
    Line(c.dc, 4, 9, 0, 8);
    Line(c.dc, 10, 0, 11, 4);
    Line(c.dc, 9, 11, 8, 7);
    expected = {{0, 5}, {1, 5}, {2, 5}, {3, 6}, {4, 9}, {3, 9}, {2, 8}, {1, 8},
                {10, 0}, {10, 1}, {10, 2}, {11, 3}, {9, 11}, {9, 10}, {8, 9}, {8, 8}};
    EXPECT_EQ(c.PixelsOf(kYellow), expected);
    // Every direction against the independent loop; lines leaving the
    // surface draw the same pixels as far as they are on it.
    for (int x1 = -4; x1 <= 15; x1 += 3) {
        for (int y1 = -5; y1 <= 16; y1 += 2) {
            c.Fill(0);
            Line(c.dc, 6, 5, x1, y1);
            std::set<std::pair<int, int>> want;
            for (auto p : Bresenham(6, 5, x1, y1))
                if (p.first >= 0 && p.first < 12 && p.second >= 0 && p.second < 12) want.insert(p);
            EXPECT_EQ(c.PixelsOf(kYellow), want) << "to " << x1 << "," << y1;
        }
    }
    // Far-away coordinates neither hang nor draw outside the line.
    c.Fill(0);
    Line(c.dc, 3, 4, INT_MAX, 4);
    EXPECT_EQ(c.PixelsOf(kYellow).size(), 9u);
}

TEST(GdiLines, WidePenDrawsAroundTheLineWithRoundEnds) {
    Canvas c(60, 40);
    {
        Use pen(c.dc, CreatePen(PS_SOLID, 4, kYellow));
        Line(c.dc, 10, 20, 40, 20);
    }
    for (int x = 10; x <= 40; ++x) {
        for (int y = 19; y <= 21; ++y) EXPECT_EQ(GetPixel(c.dc, x, y), kYellow) << x << "," << y;
        EXPECT_EQ(GetPixel(c.dc, x, 17) | GetPixel(c.dc, x, 23), 0u);
    }
    // Round ends reach past both end points, but not as far as a square would.
    EXPECT_EQ(GetPixel(c.dc, 41, 20), kYellow);
    EXPECT_EQ(GetPixel(c.dc, 9, 20), kYellow);
    EXPECT_EQ(GetPixel(c.dc, 43, 20) | GetPixel(c.dc, 7, 20) | GetPixel(c.dc, 42, 22), 0u);
    // Horizontal and vertical lines are exactly as thick as the pen.
    for (int width : {2, 3, 4, 5}) {
        c.Fill(0);
        Use pen(c.dc, CreatePen(PS_SOLID, width, kYellow));
        Line(c.dc, 5, 20, 50, 20);
        Line(c.dc, 30, 2, 30, 15);
        int rows = 0, columns = 0;
        for (int y = 0; y < 40; ++y) rows += GetPixel(c.dc, 15, y) == kYellow;
        for (int x = 0; x < 60; ++x) columns += GetPixel(c.dc, x, 8) == kYellow;
        EXPECT_EQ(rows, width);
        EXPECT_EQ(columns, width);
    }
}

TEST(GdiRectangles, OnePixelBorderAndBrushInteriorExcludeRightAndBottom) {
    Canvas c(12, 10);
    Use pen(c.dc, CreatePen(PS_SOLID, 1, kRed));
    Use brush(c.dc, CreateSolidBrush(kBlue));
    EXPECT_TRUE(Rectangle(c.dc, 2, 3, 8, 7));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            bool inside = x >= 2 && x <= 7 && y >= 3 && y <= 6;
            bool border = inside && (x == 2 || x == 7 || y == 3 || y == 6);
            COLORREF want = border ? kRed : inside ? kBlue : 0;
            EXPECT_EQ(GetPixel(c.dc, x, y), want) << x << "," << y;
        }
    }
    // A null brush leaves the inside as it was.
    c.Fill(0);
    HGDIOBJ solid = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 1, 1, 6, 6);
    EXPECT_EQ(GetPixel(c.dc, 3, 3), 0u);
    EXPECT_EQ(GetPixel(c.dc, 5, 3), kRed);
    EXPECT_EQ(GetPixel(c.dc, 6, 3), 0u);
    SelectObject(c.dc, solid);
}

TEST(GdiRectangles, WidePenBorderIsCentredOnTheOutline) {
    Canvas c(40, 40);
    Use pen(c.dc, CreatePen(PS_SOLID, 3, kRed));
    Use brush(c.dc, CreateSolidBrush(kBlue));
    Rectangle(c.dc, 10, 10, 30, 25);
    // Edges on column 10, column 29 and row 24, each three pixels wide.
    for (int y = 14; y <= 20; ++y) {
        EXPECT_EQ(GetPixel(c.dc, 8, y) | GetPixel(c.dc, 31, y), 0u);
        for (int x : {9, 10, 11, 28, 29, 30}) EXPECT_EQ(GetPixel(c.dc, x, y), kRed);
    }
    for (int x = 14; x <= 25; ++x) {
        EXPECT_EQ(GetPixel(c.dc, x, 8) | GetPixel(c.dc, x, 26), 0u);
        for (int y = 23; y <= 25; ++y) EXPECT_EQ(GetPixel(c.dc, x, y), kRed);
    }
    EXPECT_EQ(GetPixel(c.dc, 20, 17), kBlue);
}

TEST(GdiRectangles, FillRectExcludesRightAndBottomAndClips) {
    Canvas c(10, 8);
    RECT r;
    EXPECT_TRUE(SetRect(&r, 1, 2, 4, 5));
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.bottom, 5);
    EXPECT_NE(FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH))), 0);
    std::set<std::pair<int, int>> want;
    for (int y = 2; y < 5; ++y)
        for (int x = 1; x < 4; ++x) want.insert({x, y});
    EXPECT_EQ(c.PixelsOf(0xC0C0C0), want);
    SetRect(&r, -100, -100, 100000, 100000);
    FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(c.PixelsOf(0xFFFFFF).size(), 80u);
    SetRect(&r, 0, 0, 10, 8);
    FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    SetRect(&r, 6, 6, 2, 2);  // inverted: nothing
    FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(c.PixelsOf(0xFFFFFF).size(), 80u);
    EXPECT_EQ(PlatformBrushColour(reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))), 0x808080u);
    EXPECT_EQ(PlatformBrushColour(reinterpret_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH))), 0x404040u);
}

TEST(GdiBitBlt, CopiesAndClipsToBothSurfaces) {
    Canvas from(6, 5), to(8, 7);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) SetPixelV(from.dc, x, y, RGB(x * 10, y * 10, 7));
    to.Fill(kBlue);
    EXPECT_TRUE(BitBlt(to.dc, 2, 3, 3, 2, from.dc, 1, 2, SRCCOPY));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x) {
            bool copied = x >= 2 && x < 5 && y >= 3 && y < 5;
            EXPECT_EQ(GetPixel(to.dc, x, y), copied ? RGB((x - 1) * 10, (y - 1) * 10, 7) : kBlue) << x << "," << y;
        }
    // Negative destination and source positions and oversized extents.
    to.Fill(kBlue);
    BitBlt(to.dc, -2, 1, 100, 100, from.dc, 0, -1, SRCCOPY);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x) {
            bool copied = x < 4 && y >= 2;  // source rows 0..4 land on rows 2..6
            EXPECT_EQ(GetPixel(to.dc, x, y), copied ? RGB((x + 2) * 10, (y - 2) * 10, 7) : kBlue) << x << "," << y;
        }
    // Overlapping copy within one surface.
    BitBlt(from.dc, 1, 0, 5, 5, from.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(from.dc, 5, 3), RGB(40, 30, 7));
    EXPECT_EQ(GetPixel(from.dc, 1, 3), RGB(0, 30, 7));
    EXPECT_FALSE(BitBlt(to.dc, 0, 0, 1, 1, from.dc, 0, 0, 0x00660046));
}

TEST(GdiDibSection, BitBltWritesBottomUpBlueGreenRedRows) {
    const int w = 5, h = 3, stride = 16;  // 15 bytes a row, padded to 16
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixelV(c.dc, x, y, RGB(10 + x, 100 + y, 200 + x + y));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(c.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    HDC mem = CreateCompatibleDC(c.dc);
    Use section(mem, dib);
    EXPECT_TRUE(BitBlt(mem, 0, 0, w, h, c.dc, 0, 0, SRCCOPY));
    const auto* bytes = static_cast<const unsigned char*>(bits);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            COLORREF p = GetPixel(c.dc, x, y);
            const unsigned char* at = bytes + (h - 1 - y) * stride + 3 * x;
            EXPECT_EQ(at[0], GetBValue(p));
            EXPECT_EQ(at[1], GetGValue(p));
            EXPECT_EQ(at[2], GetRValue(p));
        }
        EXPECT_EQ(bytes[y * stride + 15], 0);  // padding stays zero
    }
    EXPECT_EQ(GetPixel(mem, 3, 0), GetPixel(c.dc, 3, 0));

    // Top-down sections (negative height) keep row y at y * stride.
    info.bmiHeader.biHeight = -h;
    HDC top = CreateCompatibleDC(nullptr);
    {
        Use downward(top, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        BitBlt(top, 0, 0, w, h, c.dc, 0, 0, SRCCOPY);
        EXPECT_EQ(static_cast<unsigned char*>(bits)[2 * stride + 3 * 4 + 2], 10 + 4);
    }

    info.bmiHeader.biBitCount = 16;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biWidth = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    DeleteDC(top);
    DeleteDC(mem);  // lets go of the section, which `section` then deletes
}

}  // namespace
