// gdi_test_support.h - what the tests of the layer's GDI share: a memory DC
// with a bitmap to draw into, objects selected for a scope, and lines.
#pragma once

#include <set>
#include <utility>
#include <vector>

#include "platform/win32.h"

// "標準ゴシック" and "標準明朝" in code page 932.
const char kStandardGothic[] = "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E";
const char kStandardMincho[] = "\x95\x57\x8F\x80\x96\xBE\x92\xA9";

// A memory DC with a black width x height bitmap selected.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ original = nullptr;
    int width, height;
    Canvas(int w, int h) : width(w), height(h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        original = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, original);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Fill(COLORREF c) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) SetPixelV(dc, x, y, c);
    }
    std::set<std::pair<int, int>> PixelsOf(COLORREF c) const {
        std::set<std::pair<int, int>> found;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (GetPixel(dc, x, y) == c) found.insert({x, y});
        return found;
    }
    std::vector<COLORREF> All() const {
        std::vector<COLORREF> all;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) all.push_back(GetPixel(dc, x, y));
        return all;
    }
};

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0);

// Selects a created object into a DC; selects the previous one back and
// deletes the object at the end of the scope.
struct Use {
    HDC dc;
    HGDIOBJ object, previous;
    Use(HDC d, HGDIOBJ o) : dc(d), object(o), previous(SelectObject(d, o)) {}
    ~Use() {
        SelectObject(dc, previous);
        DeleteObject(object);
    }
};


inline void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}
