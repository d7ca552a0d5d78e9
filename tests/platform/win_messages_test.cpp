// The message queue: order, filters, generated WM_PAINT/WM_TIMER, timers in
// loops and modal loops, WM_QUIT, keyboard and mouse input.
#include <chrono>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/platform.h"
#include "platform/window_state.h"
#include "tests/platform/platform_test_util.h"

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        Recorded().clear();
        g_ticks = 0;
    }
};

TEST_F(MessagesTest, PostedMessagesComeInOrderAndHonourFilters) {
    HWND a = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    HWND b = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(a && b);
    Recorded().clear();
    ASSERT_TRUE(PostMessageA(a, WM_USER + 1, 1, 0));
    ASSERT_TRUE(PostMessageA(b, WM_USER + 2, 2, 0));
    ASSERT_TRUE(PostMessageA(a, WM_USER + 3, 3, 0));

    MSG msg;
    // Window filter: b's message first, the others stay.
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    // Range filter skips WM_USER + 1.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    // PM_NOREMOVE left it; GetMessageA takes the rest in order and dispatches.
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    ASSERT_EQ(Recorded().size(), 2u);
    EXPECT_EQ(Recorded()[0].hwnd, a);
    EXPECT_EQ(Recorded()[0].wParam, 1u);
    EXPECT_EQ(Recorded()[1].wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(a);
    DestroyWindow(b);
}

HWND g_createdDuringCreate = nullptr;
LRESULT CALLBACK CreateProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        g_createdDuringCreate = hwnd;
        // The window already works inside WM_CREATE: a timer can be set.
        EXPECT_NE(SetTimer(hwnd, 1, 500, nullptr), 0u);
    }
    return RecordingProc(hwnd, message, wParam, lParam);
}

TEST_F(MessagesTest, CreateAndDestroySendTheirMessagesSynchronously) {
    std::string cls = RegisterTestClass(0, nullptr, CreateProbeProc);
    HWND hwnd = CreateWindowExA(0, cls.c_str(), "Probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_FALSE(Recorded().empty());
    EXPECT_EQ(Recorded()[0].message, UINT(WM_CREATE));
    EXPECT_EQ(g_createdDuringCreate, hwnd);
    EXPECT_EQ(CountRecorded(WM_DESTROY), 0);

    PostMessageA(hwnd, WM_USER, 0, 0);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(Recorded().back().message, UINT(WM_DESTROY));
    // The destroyed window's queued message and timer are gone with it.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(MessagesTest, PaintAndTimerComeOnlyWhenTheQueueIsEmptyAndNeverTwice) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    ASSERT_NE(hwnd, nullptr);
    MSG msg;
    // Hidden windows are not painted.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ShowWindow(hwnd, SW_SHOWNA);
    SetTimer(hwnd, 7, 20, nullptr);
    PostMessageA(hwnd, WM_USER, 0, 0);
    int64_t start = NowMs();
    while (NowMs() - start < 150) PeekMessageA(&msg, hwnd, WM_USER + 5, WM_USER + 5, PM_NOREMOVE);

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    // WM_PAINT stays until the window is validated, however often it is taken.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    DispatchMessageA(&msg);  // DefWindowProcA validates
    // Several periods have passed, yet one WM_TIMER only.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // A message posted while a timer is due still comes first.
    start = NowMs();
    while (NowMs() - start < 40) PeekMessageA(&msg, hwnd, WM_USER + 5, WM_USER + 5, PM_NOREMOVE);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));

    EXPECT_TRUE(KillTimer(hwnd, 7));
    start = NowMs();
    while (NowMs() - start < 60) PeekMessageA(&msg, hwnd, WM_USER + 5, WM_USER + 5, PM_NOREMOVE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(hwnd);
}

// Pumps as the program's input loop does for `ms` milliseconds.
void PumpFor(int ms) {
    int64_t start = NowMs();
    MSG msg;
    while (NowMs() - start < ms) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetMessageA(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

TEST_F(MessagesTest, TimerCallbackRunsEvery500MsFromThePumpAndFromModalLoops) {
    UINT_PTR id = SetTimer(nullptr, 1, 500, CountTick);
    ASSERT_NE(id, 0u);
    PumpFor(1600);
    EXPECT_GE(g_ticks, 2);
    EXPECT_LE(g_ticks, 4);

    HWND owner = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    ShowWindow(owner, SW_SHOWNORMAL);

    g_ticks = 0;
    PlatformQueueModalAnswer("ok", 1200);
    int64_t start = NowMs();
    EXPECT_EQ(MessageBoxA(owner, "tick?", "Ticks", MB_OKCANCEL), IDOK);
    EXPECT_GE(NowMs() - start, 1150);
    EXPECT_GE(g_ticks, 2);
    EXPECT_LE(g_ticks, 3);

    g_ticks = 0;
    PlatformQueueModalAnswer("cancel", 1200);
    char file[260] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.Flags = OFN_FILEMUSTEXIST;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_GE(g_ticks, 2);
    EXPECT_LE(g_ticks, 3);

    // A thread timer is stopped by its identifier with no window; the
    // window's handle does not name it.
    EXPECT_FALSE(KillTimer(owner, id));
    EXPECT_TRUE(KillTimer(nullptr, id));
    g_ticks = 0;
    PumpFor(600);
    EXPECT_EQ(g_ticks, 0);
    DestroyWindow(owner);
}

TEST_F(MessagesTest, WaitMessageAndGetMessageWakeForTheNextTimer) {
    UINT_PTR id = SetTimer(nullptr, 0, 100, CountTick);
    int64_t start = NowMs();
    EXPECT_TRUE(WaitMessage());
    EXPECT_GE(NowMs() - start, 90);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, id);
    DispatchMessageA(&msg);
    EXPECT_EQ(g_ticks, 1);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(MessagesTest, GetMessageReturnsZeroForQuitAfterThePostedMessages) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER, 0, 0);
    MSG msg;
    EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    // WM_QUIT passes any filter.
    EXPECT_FALSE(GetMessageA(&msg, hwnd, WM_USER, WM_USER));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(hwnd);
}

void Press(QWidget* w, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

// The WM_CHAR bytes produced by the queued key presses, after translation.
std::string TypedBytes(std::vector<WPARAM>* keys) {
    std::string bytes;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN) keys->push_back(msg.wParam);
        if (msg.message == WM_CHAR) bytes += static_cast<char>(msg.wParam);
        TranslateMessage(&msg);
        if (msg.message == WM_PAINT) DispatchMessageA(&msg);
    }
    return bytes;
}

TEST_F(MessagesTest, KeyPressesBecomeKeyDownAndCodePage932CharBytes) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW);
    QWidget* frame = PlatformWindowFrame(hwnd);
    ASSERT_NE(frame, nullptr);
    DrainQueue();

    Press(frame, Qt::Key_A, QStringLiteral("a"));
    Press(frame, Qt::Key_1, QStringLiteral("1"));
    Press(frame, Qt::Key_Return, QStringLiteral("\r"));
    Press(frame, Qt::Key_Backspace, QStringLiteral("\b"));
    Press(frame, Qt::Key_Escape, QStringLiteral("\x1b"));
    Press(frame, Qt::Key_Left, QString());
    Press(frame, Qt::Key_Delete, QStringLiteral("\x7f"));
    Press(frame, 0, QString::fromUtf8("θあ"));  // composed text, no key of its own

    // Nothing reaches the window procedure before the queue is pumped.
    EXPECT_EQ(CountRecorded(WM_KEYDOWN), 0);
    std::vector<WPARAM> keys;
    std::string bytes = TypedBytes(&keys);
    EXPECT_EQ(bytes, std::string("a1\r\b\x1b\x83\xC6\x82\xA0"));
    ASSERT_EQ(keys.size(), 8u);
    EXPECT_EQ(keys[0], WPARAM('A'));
    EXPECT_EQ(keys[2], WPARAM(VK_RETURN));
    EXPECT_EQ(keys[4], WPARAM(27));
    EXPECT_EQ(keys[5], WPARAM(VK_LEFT));
    EXPECT_EQ(keys[6], WPARAM(VK_DELETE));

    // The characters of a key come before the input queued after it.
    Press(frame, Qt::Key_B, QStringLiteral("b"));
    PostMessageA(hwnd, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, UINT(WM_KEYDOWN));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_CHAR));
    EXPECT_EQ(msg.wParam, WPARAM('b'));
    // A key press posted by a program has no text: the key's own character.
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 0);
    keys.clear();
    EXPECT_EQ(TypedBytes(&keys), std::string("\r"));
    DestroyWindow(hwnd);
}

TEST_F(MessagesTest, MouseButtonsArePostedWithClientCoordinates) {
    HWND hwnd = CreateTestWindow(WS_OVERLAPPEDWINDOW | WS_VSCROLL);
    MoveWindow(hwnd, 200, 100, 300, 200, FALSE);
    ShowWindow(hwnd, SW_SHOWNA);
    DrainQueue();
    Recorded().clear();
    QWidget* client = PlatformLiveWindow(hwnd)->client;
    QPointF local(10, 20);
    QPointF global = client->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(client, &press);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 6), client->mapToGlobal(QPointF(5, 6)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(client, &right);
    EXPECT_EQ(CountRecorded(WM_LBUTTONDOWN), 0);
    DrainQueue();
    ASSERT_EQ(CountRecorded(WM_LBUTTONDOWN), 1);
    ASSERT_EQ(CountRecorded(WM_RBUTTONDOWN), 1);
    for (const RecordedMessage& m : Recorded()) {
        if (m.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(m.lParam, MAKELPARAM(10, 20));
        }
        if (m.message == WM_RBUTTONDOWN) {
            EXPECT_EQ(m.lParam, MAKELPARAM(5, 6));
        }
    }
    // The pointer is where the last button was pressed.
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    ASSERT_TRUE(ScreenToClient(hwnd, &p));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
    POINT q{10, 20};
    ClientToScreen(hwnd, &q);
    EXPECT_EQ(q.x, 210);
    EXPECT_EQ(q.y, 120);
    DestroyWindow(hwnd);
}

}  // namespace
