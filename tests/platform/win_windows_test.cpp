// Windows: geometry of frame and client, the retained surface, class
// background, styles, close button, scroll bar, caption text.
#include <string>

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

#include "platform/internal.h"
#include "platform/platform.h"
#include "platform/window_state.h"
#include "tests/platform/platform_test_util.h"

namespace {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        Recorded().clear();
    }
};

RECT ClientOf(HWND hwnd) {
    RECT r{-1, -1, -1, -1};
    GetClientRect(hwnd, &r);
    return r;
}

TEST_F(WindowsTest, OuterAndClientGeometryAndWmSize) {
    HWND plain = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    HWND scrolled = CreateTestWindow(WS_OVERLAPPEDWINDOW | WS_VSCROLL);
    ASSERT_TRUE(plain && scrolled);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);

    Recorded().clear();
    ASSERT_TRUE(MoveWindow(plain, 720, 300, 480, 480, FALSE));
    // The size change is sent at once, with the client size.
    ASSERT_EQ(CountRecorded(WM_SIZE), 1);
    EXPECT_EQ(Recorded().back().lParam, MAKELPARAM(480, 480));
    RECT c = ClientOf(plain);
    EXPECT_EQ(c.right, 480);  // no frame under the test platform
    EXPECT_EQ(c.bottom, 480);
    RECT w{};
    ASSERT_TRUE(GetWindowRect(plain, &w));
    EXPECT_EQ(w.left, 720);
    EXPECT_EQ(w.top, 300);
    EXPECT_EQ(w.right, 1200);
    EXPECT_EQ(w.bottom, 780);
    // The same size again sends nothing.
    MoveWindow(plain, 700, 300, 480, 480, FALSE);
    EXPECT_EQ(CountRecorded(WM_SIZE), 1);

    MoveWindow(scrolled, 0, 0, 480, 480, FALSE);
    c = ClientOf(scrolled);
    EXPECT_LT(c.right, 480);  // the scroll bar takes the right edge
    EXPECT_GT(c.right, 440);
    EXPECT_EQ(c.bottom, 480);

    // The client-size correction the graphics window makes, before and
    // after it is shown.
    for (int round = 0; round < 2; ++round) {
        SetWindowPos(scrolled, nullptr, 0, 0, 1200, 800, SWP_NOMOVE | SWP_NOZORDER);
        c = ClientOf(scrolled);
        SetWindowPos(scrolled, nullptr, 0, 0, 2400 - c.right, 1600 - c.bottom, SWP_NOMOVE | SWP_NOZORDER);
        c = ClientOf(scrolled);
        EXPECT_EQ(c.right, 1200);
        EXPECT_EQ(c.bottom, 800);
        QImage* surface = PlatformWindowSurface(scrolled);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->size(), QSize(1200, 800));
        ShowWindow(scrolled, SW_RESTORE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    EXPECT_TRUE(IsWindowVisible(scrolled));
    ASSERT_TRUE(GetWindowRect(scrolled, &w));
    EXPECT_EQ(w.left, 0);  // SWP_NOMOVE kept the position
    int bar = PlatformLiveWindow(scrolled)->scrollBar->width();
    EXPECT_EQ(w.right - w.left, 1200 + bar);
    EXPECT_EQ(w.bottom - w.top, 800);
    // A resize by the window system (user, window manager) is posted.
    ShowWindow(plain, SW_SHOWNA);
    DrainQueue();
    Recorded().clear();
    PlatformWindowFrame(plain)->resize(500, 400);
    EXPECT_EQ(CountRecorded(WM_SIZE), 0);
    EXPECT_EQ(ClientOf(plain).right, 500);
    DrainQueue();
    ASSERT_EQ(CountRecorded(WM_SIZE), 1);
    for (const RecordedMessage& m : Recorded()) {
        if (m.message == WM_SIZE) {
            EXPECT_EQ(m.lParam, MAKELPARAM(500, 400));
        }
    }
    ShowWindow(scrolled, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(scrolled));
    DestroyWindow(plain);
    DestroyWindow(scrolled);
}

TEST_F(WindowsTest, SurfaceKeepsPixelsAndFillsNewPartsWithTheClassBrush) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW, 100, 80, 0,
                                 reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    QImage* surface = PlatformWindowSurface(hwnd);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->size(), QSize(100, 80));
    EXPECT_EQ(surface->pixel(99, 79), 0xFFFFFFFFu);
    surface->setPixel(5, 5, 0xFF123456u);

    // SetClassLongA takes the truncated handle and gives the previous one.
    LONG black = static_cast<LONG>(reinterpret_cast<intptr_t>(GetStockObject(BLACK_BRUSH)));
    DWORD previous = SetClassLongA(hwnd, GCL_HBRBACKGROUND, black);
    EXPECT_EQ(previous, static_cast<DWORD>(reinterpret_cast<uintptr_t>(GetStockObject(WHITE_BRUSH))));
    EXPECT_EQ(PlatformWindowBackground(hwnd), reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(SetClassLongA(hwnd, GCL_HBRBACKGROUND, black), static_cast<DWORD>(black));
    // SetClassLongPtrA takes and gives whole handles.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(red)),
              reinterpret_cast<ULONG_PTR>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(PlatformWindowBackground(hwnd), red);
    EXPECT_EQ(SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH))),
              reinterpret_cast<ULONG_PTR>(red));
    DeleteObject(red);

    MoveWindow(hwnd, 0, 0, 150, 120, FALSE);
    surface = PlatformWindowSurface(hwnd);
    EXPECT_EQ(surface->size(), QSize(150, 120));
    EXPECT_EQ(surface->pixel(5, 5), 0xFF123456u);    // kept
    EXPECT_EQ(surface->pixel(50, 50), 0xFFFFFFFFu);  // old area
    EXPECT_EQ(surface->pixel(120, 100), 0xFF000000u);  // new area: class brush

    // The default erase fills the client area with the class brush.
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(hwnd, dc);
    surface = PlatformWindowSurface(hwnd);
    EXPECT_EQ(surface->pixel(5, 5), 0xFF000000u);
    EXPECT_EQ(surface->pixel(149, 119), 0xFF000000u);

    EXPECT_FALSE(PlatformWindowOwnsDc(hwnd));
    DestroyWindow(hwnd);
    EXPECT_EQ(PlatformWindowSurface(hwnd), nullptr);
}

TEST_F(WindowsTest, StylesDecideButtonsAndResizing) {
    // The graphics window's style: minimise only, fixed size, no close.
    HWND fixed = CreateTestWindow(WS_SYSMENU | WS_MINIMIZEBOX, 480, 480, CS_OWNDC | CS_NOCLOSE);
    QWidget* f = PlatformWindowFrame(fixed);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(f->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(f->minimumSize(), f->maximumSize());
    EXPECT_TRUE(PlatformWindowOwnsDc(fixed));
    MoveWindow(fixed, 100, 20, 600, 400, FALSE);
    EXPECT_EQ(f->minimumSize(), QSize(600, 400));
    EXPECT_EQ(f->maximumSize(), QSize(600, 400));

    HWND sizable = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    QWidget* s = PlatformWindowFrame(sizable);
    EXPECT_TRUE(s->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(s->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_NE(s->minimumSize(), s->maximumSize());

    // The close button: posted WM_CLOSE, which the default processing turns
    // into destruction; a CS_NOCLOSE window ignores it.
    ShowWindow(fixed, SW_SHOWNA);
    ShowWindow(sizable, SW_SHOWNA);
    DrainQueue();
    Recorded().clear();
    QCloseEvent close1;
    QCoreApplication::sendEvent(f, &close1);
    QCloseEvent close2;
    QCoreApplication::sendEvent(s, &close2);
    EXPECT_EQ(CountRecorded(WM_CLOSE), 0);
    DrainQueue();
    EXPECT_EQ(CountRecorded(WM_CLOSE), 1);
    EXPECT_EQ(CountRecorded(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindowVisible(sizable));
    EXPECT_TRUE(IsWindowVisible(fixed));
    DestroyWindow(fixed);
}

TEST_F(WindowsTest, ScrollBarInfoAndRequests) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW | WS_VSCROLL, 300, 480);
    ShowWindow(hwnd, SW_SHOWNA);
    DrainQueue();
    Recorded().clear();
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 39, 32, 8, 0};
    EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &si, TRUE), 8);
    si.nPos = 30;  // beyond the last full page
    si.fMask = SIF_POS;
    EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &si, TRUE), 8);
    SCROLLINFO got{sizeof(SCROLLINFO), SIF_ALL, -1, -1, 0, -1, -1};
    ASSERT_TRUE(GetScrollInfo(hwnd, SB_VERT, &got));
    EXPECT_EQ(got.nMin, 0);
    EXPECT_EQ(got.nMax, 39);
    EXPECT_EQ(got.nPage, 32u);
    EXPECT_EQ(got.nPos, 8);

    // Setting the bar tells the program nothing; using it posts requests.
    DrainQueue();
    EXPECT_EQ(CountRecorded(WM_VSCROLL), 0);
    QScrollBar* bar = PlatformLiveWindow(hwnd)->scrollBar;
    ASSERT_NE(bar, nullptr);
    bar->setValue(2);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->setSliderPosition(5);  // dragging the thumb
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(PlatformWindowFrame(hwnd), &wheel);
    DrainQueue();
    std::vector<WPARAM> requests;
    for (const RecordedMessage& m : Recorded()) {
        if (m.message == WM_VSCROLL) requests.push_back(m.wParam);
    }
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0], WPARAM(SB_LINEUP));
    EXPECT_EQ(requests[1], WPARAM(SB_PAGEDOWN));
    EXPECT_EQ(LOWORD(requests[2]), SB_THUMBTRACK);
    EXPECT_EQ(HIWORD(requests[2]), 5);
    EXPECT_EQ(requests[3], WPARAM(SB_LINEDOWN));
    EXPECT_EQ(requests[5], WPARAM(SB_LINEDOWN));

    // A window without the style has no bar.
    HWND plain = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(SetScrollInfo(plain, SB_VERT, &si, TRUE), 0);
    EXPECT_FALSE(GetScrollInfo(plain, SB_VERT, &got));
    DestroyWindow(plain);
    DestroyWindow(hwnd);
}

TEST_F(WindowsTest, CaptionTextIsDecodedForTheScreenAndKeptAsBytes) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    const char* caption = "\x83\xC6 Sinora";  // "θ Sinora" in code page 932
    ASSERT_TRUE(SetWindowTextA(hwnd, caption));
    EXPECT_EQ(PlatformWindowFrame(hwnd)->windowTitle(), QString::fromUtf8("θ Sinora"));
    char back[64];
    EXPECT_EQ(GetWindowTextA(hwnd, back, sizeof(back)), 9);
    EXPECT_STREQ(back, caption);
    char small[4];
    EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof(small)), 3);
    EXPECT_STREQ(small, "\x83\xC6 ");
    DestroyWindow(hwnd);
}

}  // namespace
