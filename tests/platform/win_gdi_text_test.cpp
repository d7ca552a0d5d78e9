// Text through the layer's GDI: the cell of a character, its background,
// cell heights and faces, checked pixel by pixel.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/internal.h"
#include "platform/platform.h"
#include "tests/platform/gdi_test_support.h"

namespace {

// Draws "θ" on a canvas filled with `marker` and returns the changed area.
struct TextResult {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int textPixels = 0, otherPixels = 0;
    int textTop = INT_MAX, textBottom = -1;  // rows holding text pixels
    std::vector<COLORREF> pixels;
};

TextResult DrawTheta(const char* face, LONG height, int mode) {
    const COLORREF marker = RGB(0x12, 0x34, 0x56);
    Canvas c(120, 80);
    c.Fill(marker);
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    strcpy(lf.lfFaceName, face);
    {
        Use font(c.dc, CreateFontIndirectA(&lf));
        EXPECT_EQ(SetTextColor(c.dc, kYellow), 0u);
        EXPECT_EQ(SetBkColor(c.dc, 0), 0xFFFFFFu);
        EXPECT_EQ(SetBkMode(c.dc, mode), OPAQUE);
        EXPECT_TRUE(TextOutA(c.dc, 20, 10, "\x83\xC6", 2));
    }
    TextResult r;
    r.pixels = c.All();
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            COLORREF p = GetPixel(c.dc, x, y);
            if (p == marker) continue;
            r.left = std::min(r.left, x);
            r.top = std::min(r.top, y);
            r.right = std::max(r.right, x);
            r.bottom = std::max(r.bottom, y);
            (p == kYellow ? r.textPixels : r.otherPixels) += 1;
            if (p == kYellow) {
                r.textTop = std::min(r.textTop, y);
                r.textBottom = std::max(r.textBottom, y);
            }
        }
    return r;
}

TEST(GdiText, ThetaFillsItsCellAndNothingOutside) {
    TextResult r = DrawTheta(kStandardGothic, 28, OPAQUE);
    // The cell: top-left at (20, 10), exactly 28 rows, a full-width letter.
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.bottom, 10 + 28 - 1);
    EXPECT_GE(r.right - r.left + 1, 20);
    EXPECT_LE(r.right - r.left + 1, 28);
    EXPECT_GT(r.textPixels, 30);
    // The letter stands in the cell (drawn on the baseline, not from the top).
    EXPECT_GT(r.textTop, 10);
    EXPECT_GE(r.textBottom - r.textTop + 1, 14);
    // Every changed pixel is inside that rectangle and either text or black cell.
    int area = (r.right - r.left + 1) * (r.bottom - r.top + 1);
    EXPECT_EQ(r.textPixels + r.otherPixels, area);
    TextResult clear = DrawTheta(kStandardGothic, 28, TRANSPARENT);
    EXPECT_EQ(clear.otherPixels, 0);
    EXPECT_EQ(clear.textPixels, r.textPixels);
    EXPECT_GE(clear.left, 20);
    EXPECT_GE(clear.top, 10);
    EXPECT_LE(clear.bottom, 37);
}

TEST(GdiText, CellHeightsAndFaces) {
    for (LONG h : {9, 10, 15, 22, 45}) {
        TextResult r = DrawTheta(kStandardGothic, h, OPAQUE);
        EXPECT_EQ(r.bottom - r.top + 1, h) << h;
    }
    // A negative height is the character height: the cell is taller.
    TextResult character = DrawTheta(kStandardGothic, -20, OPAQUE);
    EXPECT_GE(character.bottom - character.top + 1, 20);
    // Gothic and Mincho are different fonts.
    EXPECT_NE(DrawTheta(kStandardGothic, 28, OPAQUE).pixels, DrawTheta(kStandardMincho, 28, OPAQUE).pixels);
    // Nothing drawn, nothing changed, for empty or unusable text.
    Canvas c(10, 10);
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, "abc", 0));
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, "abc", -1));
    EXPECT_EQ(c.PixelsOf(0).size(), 100u);
    // A tab or line end takes one blank cell, like a space: no layout.
    Canvas tab(200, 40), space(200, 40);
    TextOutA(tab.dc, 0, 0, "a\tb\nc", 5);
    TextOutA(space.dc, 0, 0, "a b c", 5);
    EXPECT_EQ(tab.All(), space.All());
}

}  // namespace
