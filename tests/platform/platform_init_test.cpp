// The layer's start: the Japanese face names the program asks for are
// substituted by the installed IPA fonts; its reset for tests, which
// leaves nothing of a test for the next one; and the layer's count of what
// it holds for the program.
#include <gtest/gtest.h>

#include <QFont>
#include <QString>

#include "platform/platform.h"
#include "platform/window_state.h"
#include "tests/support/temp_folder.h"
#include "tests/platform/platform_test_util.h"

namespace {

// Qt keeps substitution names in lower case.
QString Substitute(const QString& face) { return QFont::substitute(face).toLower(); }

TEST(PlatformInitTest, FontSubstitutions) {
    EXPECT_EQ(Substitute(QString::fromUtf8("標準ゴシック")), QStringLiteral("ipagothic"));
    EXPECT_EQ(Substitute(QString::fromUtf8("ゴシック")), QStringLiteral("ipagothic"));
    EXPECT_EQ(Substitute(QString::fromUtf8("標準明朝")), QStringLiteral("ipamincho"));
    EXPECT_EQ(Substitute(QString::fromUtf8("明朝")), QStringLiteral("ipamincho"));
}

void CALLBACK NoTick(HWND, UINT, UINT_PTR, DWORD) {}

TEST(PlatformInitTest, ResetLeavesNothingOfTheTestBefore) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "LeftOver";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowExA(0, "LeftOver", "left over", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0x123456);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 16);
    TempFolder scratch("sinora_reset_");
    HANDLE file = CreateFileA((scratch.path() + "/open.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HMENU menu = CreatePopupMenu();
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, NoTick);
    PostMessageA(window, WM_USER, 0, 0);
    PlatformQueueModalAnswer("ok");
    MessageBoxA(nullptr, "logged", "left over", MB_OK);
    PlatformQueueModalAnswer("cancel");  // left unused

    PlatformResetForTests();

    // Old handles are refused, not followed.
    EXPECT_EQ(PlatformLiveWindow(window), nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(GlobalLock(memory), nullptr);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_FALSE(InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, 1, "x"));
    // Nothing queued, no timer, nothing logged or waiting to answer.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(nullptr, timer));
    EXPECT_EQ(PlatformModalLogCount(), 0);
    EXPECT_EQ(MessageBoxA(nullptr, "unattended", "no answer", MB_OKCANCEL), IDCANCEL);
    // The class name is free again.
    EXPECT_NE(RegisterClassA(&wc), 0);
}

// Each kind of object counts from its creation to its release; stock
// objects never count; an object deleted while selected counts until it is
// deselected; destroying a window releases its DCs and stops its timers.
TEST(PlatformInitTest, LiveObjectCountsFollowCreationAndRelease) {
    const PlatformLiveObjects start = PlatformLiveObjectCounts();
    HWND window = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(PlatformLiveObjectCounts().windows, start.windows + 1);

    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(PlatformLiveObjectCounts().deviceContexts, start.deviceContexts + 2);
    ReleaseDC(window, windowDc);
    EXPECT_EQ(PlatformLiveObjectCounts().deviceContexts, start.deviceContexts + 1);

    GetStockObject(BLACK_BRUSH);
    HPEN pen = CreatePen(PS_SOLID, 3, 0x00FFFF);
    HBITMAP bitmap = CreateCompatibleBitmap(memoryDc, 8, 8);
    EXPECT_EQ(PlatformLiveObjectCounts().gdiObjects, start.gdiObjects + 2);
    HGDIOBJ previousPen = SelectObject(memoryDc, pen);
    DeleteObject(pen);
    EXPECT_EQ(PlatformLiveObjectCounts().gdiObjects, start.gdiObjects + 2);  // still selected
    SelectObject(memoryDc, previousPen);
    EXPECT_EQ(PlatformLiveObjectCounts().gdiObjects, start.gdiObjects + 1);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    EXPECT_EQ(PlatformLiveObjectCounts().gdiObjects, start.gdiObjects);

    SetTimer(window, 1, 500, nullptr);
    SetTimer(window, 2, 500, nullptr);
    KillTimer(window, 2);
    EXPECT_EQ(PlatformLiveObjectCounts().timers, start.timers + 1);
    GetDC(window);
    DestroyWindow(window);
    const PlatformLiveObjects end = PlatformLiveObjectCounts();
    EXPECT_EQ(end.windows, start.windows);
    EXPECT_EQ(end.deviceContexts, start.deviceContexts);
    EXPECT_EQ(end.timers, start.timers);
}

}  // namespace
