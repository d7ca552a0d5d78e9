// The layer's GDI objects and device contexts: what SelectObject gives
// back, deleting selected objects, and window DCs.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/internal.h"
#include "platform/platform.h"
#include "tests/platform/gdi_test_support.h"

namespace {

TEST(GdiObjects, SelectObjectReturnsThePreviousOfTheSameKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 2, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    LOGFONTA lf{};
    lf.lfHeight = 12;
    HFONT font = CreateFontIndirectA(&lf);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HGDIOBJ stockPen = SelectObject(dc, pen);
    EXPECT_EQ(stockPen, GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    HGDIOBJ systemFont = SelectObject(dc, font);
    EXPECT_NE(systemFont, nullptr);
    HGDIOBJ defaultBitmap = SelectObject(dc, bitmap);
    EXPECT_NE(defaultBitmap, nullptr);
    EXPECT_EQ(SelectObject(dc, stockPen), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, systemFont), font);
    EXPECT_EQ(SelectObject(dc, defaultBitmap), bitmap);
    // A bitmap lives in one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    DeleteDC(other);
    // Every handle survives the 32-bit LONG of SetClassLongA; stock ones are 1..16.
    for (HGDIOBJ h : {static_cast<HGDIOBJ>(pen), brush, font, bitmap}) {
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(static_cast<LONG>(reinterpret_cast<intptr_t>(h)))), h);
    }
    for (int i = WHITE_BRUSH; i <= BLACK_PEN; ++i) {
        uintptr_t v = reinterpret_cast<uintptr_t>(GetStockObject(i));
        EXPECT_GE(v, 1u);
        EXPECT_LE(v, 16u);
    }
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // ignored
    EXPECT_EQ(PlatformBrushColour(reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0u);
    DeleteObject(pen);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
    DeleteObject(brush);
    DeleteObject(font);
    SelectObject(dc, defaultBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(GdiObjects, DeletingASelectedObjectKeepsTheDcDrawing) {
    Canvas c(6, 6);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(c.dc, pen);
    EXPECT_TRUE(DeleteObject(pen));  // still selected
    Line(c.dc, 0, 1, 5, 1);
    EXPECT_EQ(GetPixel(c.dc, 2, 1), kRed);
    SelectObject(c.dc, old);  // the last holder lets go: now it is gone
    EXPECT_EQ(SelectObject(c.dc, pen), nullptr);
    // The same for the bitmap itself.
    EXPECT_TRUE(DeleteObject(c.bitmap));
    EXPECT_TRUE(SetPixelV(c.dc, 4, 4, kBlue));
    EXPECT_EQ(GetPixel(c.dc, 4, 4), kBlue);
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const char* className, UINT style) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = PlainProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "gdi", WS_OVERLAPPED | WS_CAPTION, 10, 10, 220, 160, nullptr, nullptr,
                           nullptr, nullptr);
}

TEST(GdiWindowDc, DrawsIntoTheClientArea) {
    HWND hwnd = MakeWindow("GdiTestOwnDc", CS_OWNDC);
    ASSERT_NE(hwnd, nullptr);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDC(hwnd), dc);  // the class owns its DC
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    EXPECT_EQ(SetBkColor(dc, 0), 0xFFFFFFu);
    SetPixelV(dc, 5, 6, kRed);
    Canvas c(30, 20);
    c.Fill(kBlue);
    BitBlt(dc, client.right - 10, 40, 30, 20, c.dc, 0, 0, SRCCOPY);
    QImage* surface = PlatformWindowSurface(hwnd);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->width(), client.right);
    EXPECT_EQ(surface->height(), client.bottom);
    EXPECT_EQ(surface->pixel(5, 6), ColorrefToArgb(kRed));
    EXPECT_EQ(surface->pixel(client.right - 1, 45), ColorrefToArgb(kBlue));
    EXPECT_EQ(surface->pixel(client.right - 11, 45), ColorrefToArgb(0xFFFFFF));
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(hwnd, &ps), dc);
    EXPECT_EQ(ps.rcPaint.right, client.right);
    EndPaint(hwnd, &ps);
    EXPECT_EQ(GetPixel(dc, 5, 6), kRed);
    DestroyWindow(hwnd);
    EXPECT_FALSE(SetPixelV(dc, 5, 6, kRed));  // the DC went with its window
    EXPECT_EQ(GetPixel(dc, 5, 6), CLR_INVALID);
}

TEST(GdiWindowDc, CommonWindowsGetFreshDcsWithDefaults) {
    HWND hwnd = MakeWindow("GdiTestCommonDc", 0);
    ASSERT_NE(hwnd, nullptr);
    HDC first = GetDC(hwnd);
    SetTextColor(first, kRed);
    EXPECT_EQ(ReleaseDC(hwnd, first), 1);
    EXPECT_EQ(SetTextColor(first, kRed), CLR_INVALID);  // released
    HDC second = GetDC(hwnd);
    EXPECT_EQ(SetTextColor(second, kBlue), 0u);  // black again
    EXPECT_EQ(SetBkMode(second, TRANSPARENT), OPAQUE);
    POINT at{-1, -1};
    MoveToEx(second, 3, 3, &at);
    EXPECT_EQ(at.x, 0);
    HBRUSH blue = CreateSolidBrush(kBlue);
    RECT all{0, 0, 10, 10};
    FillRect(second, &all, blue);
    DeleteObject(blue);
    Rectangle(second, 0, 0, 4, 4);  // black pen, white brush
    EXPECT_EQ(GetPixel(second, 0, 0), 0u);
    EXPECT_EQ(GetPixel(second, 1, 1), 0xFFFFFFu);
    ReleaseDC(hwnd, second);
    DestroyWindow(hwnd);
}

}  // namespace
