// win_messages.cpp - the message queue and timers.
//
// Implements: PeekMessageA, GetMessageA, TranslateMessage, DispatchMessageA,
// WaitMessage, SendMessageA, PostMessageA, PostQuitMessage, SetTimer,
// KillTimer; and for the rest of the layer the posting of Qt input, the
// pump that keeps our queue moving inside modal loops, Qt event delivery and
// the count of running timers.
//
// Supported behaviour:
// - One queue, for the thread that started the layer (Qt widgets belong to
//   it; other threads of the program only compute). Qt input on our windows
//   is posted to it; nothing is delivered to a window procedure before a
//   loop of the program (or a modal loop) takes it from the queue.
// - Retrieval order as in Win32: posted messages (input included) in order,
//   then WM_QUIT, then WM_PAINT for a visible window whose client area is
//   invalid, then WM_TIMER for a timer that has expired. WM_PAINT and WM_TIMER
//   are produced from state, never queued, so they are never duplicated: an
//   invalid window gives WM_PAINT until it is validated, an expired timer one
//   WM_TIMER until it is taken, and a late timer does not catch up in a burst.
// - WM_QUIT passes every hwnd and range filter.
// - TranslateMessage turns a WM_KEYDOWN into one WM_CHAR per byte of the typed
//   text in code page 932, placed ahead of the input still queued.
//
// Not supported: messages between threads, sent messages from other threads,
// PM_NOYIELD/PM_QS_* flags, WM_MOUSEMOVE. SetTimer for a window returns the
// id given (1 for the id 0, which is still the id to kill).
#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/window_state.h"

namespace {

int64_t NowMs() {
    LayerState* bd = LayerData();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - bd->start).count();
}

bool PassesFilter(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (msg.hwnd) return false;
    } else if (hwnd && msg.hwnd != hwnd) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(NowMs());
    return msg;
}

void MarkExpiredTimers() {
    LayerState* bd = LayerData();
    int64_t now = NowMs();
    for (TimerRecord& t : bd->timers) {
        if (now >= t.nextDue) {
            t.ready = true;
            // Keep the timer on its own beat: an overdue timer gives one
            // WM_TIMER, not one for every period it missed.
            while (t.nextDue <= now) t.nextDue += t.interval;
        }
    }
}

// Finds the next message as Win32 orders them; removes posted messages and
// timer expiries when `remove` is set. WM_PAINT stays until validated.
bool TakeMessage(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool skipQuit) {
    LayerState* bd = LayerData();
    for (auto it = bd->posted.begin(); it != bd->posted.end(); ++it) {
        if (!PassesFilter(*it, hwnd, filterMin, filterMax)) continue;
        *out = *it;
        if (remove) bd->posted.erase(it);
        return true;
    }
    if (bd->quitPending && !skipQuit) {
        *out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(bd->exitCode), 0);
        if (remove) bd->quitPending = false;
        return true;
    }
    int count = PlatformWindowCount();
    for (int i = 0; i < count; ++i) {
        PlatformWindow* w = PlatformWindowAt(i);
        if (!w->alive || !w->needsPaint || !w->frame || !w->frame->isVisible()) continue;
        MSG paint = MakeMsg(w, WM_PAINT, 0, 0);
        if (!PassesFilter(paint, hwnd, filterMin, filterMax)) continue;
        *out = paint;
        return true;
    }
    MarkExpiredTimers();
    for (TimerRecord& t : bd->timers) {
        if (!t.ready) continue;
        MSG tick = MakeMsg(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
        if (!PassesFilter(tick, hwnd, filterMin, filterMax)) continue;
        *out = tick;
        if (remove) t.ready = false;
        return true;
    }
    return false;
}

// Milliseconds until the next timer expires; -1 when no timer runs.
int64_t MsUntilNextTimer() {
    LayerState* bd = LayerData();
    int64_t now = NowMs();
    int64_t best = -1;
    for (const TimerRecord& t : bd->timers) {
        int64_t wait = t.ready ? 0 : std::max<int64_t>(0, t.nextDue - now);
        if (best < 0 || wait < best) best = wait;
    }
    return best;
}

// Blocks until Qt has something to deliver or the next timer is due.
void WaitForQtEvents() {
    int64_t wait = MsUntilNextTimer();
    QTimer wake;
    wake.setSingleShot(true);
    if (wait >= 0) wake.start(static_cast<int>(std::min<int64_t>(wait + 1, 1000000)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ScheduleModalPump();

// One round of a modal loop: dispatches what our queue holds (WM_QUIT is left
// for the program's own loop), a bounded number so the modal stays live even
// when a window procedure never validates its window.
void PumpModalOnce() {
    LayerState* bd = LayerData();
    for (int n = 0; n < 64 && bd->modalDepth > 0; ++n) {
        MSG msg;
        if (!TakeMessage(&msg, nullptr, 0, 0, true, true)) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ScheduleModalPump();
}

void ScheduleModalPump() {
    LayerState* bd = LayerData();
    if (bd->modalDepth <= 0 || !bd->modalPump) return;
    MSG msg;
    if (TakeMessage(&msg, nullptr, 0, 0, false, true)) {
        bd->modalPump->start(0);
        return;
    }
    int64_t wait = MsUntilNextTimer();
    if (wait >= 0) {
        bd->modalPump->start(static_cast<int>(std::min<int64_t>(wait, 1000000)));
    } else {
        bd->modalPump->stop();
    }
}

static_assert(sizeof(LPARAM) == 8, "key texts ride above the 32 bits Win32 defines for lParam");

uint32_t KeySerialOf(LPARAM lParam) { return static_cast<uint32_t>(static_cast<uint64_t>(lParam) >> 32); }

}  // namespace

// ---- layer-internal ----------------------------------------------------------

void PlatformProcessQtEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PlatformPostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LayerState* bd = LayerData();
    bd->posted.push_back(MakeMsg(hwnd, message, wParam, lParam));
    PlatformWakeQueue();
}

void PlatformPostKey(HWND hwnd, UINT virtualKey, const QString& text) {
    LayerState* bd = LayerData();
    uint32_t serial = 0;
    if (!text.isEmpty()) {
        serial = bd->nextKeySerial++;
        if (bd->nextKeySerial == 0) bd->nextKeySerial = 1;
        bd->keyTexts[serial] = text;
        // Key presses that are never translated must not pile up.
        while (bd->keyTexts.size() > 256) bd->keyTexts.erase(bd->keyTexts.begin());
    }
    // Repeat count 1 in the low word as in Win32; the text's serial above
    // the 32 bits that Win32 defines.
    LPARAM lParam = static_cast<LPARAM>((static_cast<uint64_t>(serial) << 32) | 1u);
    PlatformPostInput(hwnd, WM_KEYDOWN, virtualKey, lParam);
}

void PlatformWakeQueue() {
    LayerState* bd = LayerData();
    if (bd->modalDepth > 0 && bd->modalPump) bd->modalPump->start(0);
}

void PlatformForgetWindowMessages(HWND hwnd) {
    LayerState* bd = LayerData();
    bd->posted.erase(
        std::remove_if(bd->posted.begin(), bd->posted.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
        bd->posted.end());
    bd->timers.erase(
        std::remove_if(bd->timers.begin(), bd->timers.end(), [hwnd](const TimerRecord& t) { return t.hwnd == hwnd; }),
        bd->timers.end());
}

void PlatformForgetAllMessages() {
    LayerState* bd = LayerData();
    bd->posted.clear();
    bd->timers.clear();
    bd->nextThreadTimerId = 0x7F00;
    bd->quitPending = false;
    bd->exitCode = 0;
    bd->keyTexts.clear();
    bd->nextKeySerial = 1;
    bd->modalDepth = 0;
    if (bd->modalPump) bd->modalPump->stop();
}

int PlatformTimerCount() {
    LayerState* bd = LayerData();
    return static_cast<int>(bd->timers.size());
}

void PlatformEnterModal() {
    LayerState* bd = LayerData();
    if (!bd->modalPump) {
        bd->modalPump = new QTimer();
        bd->modalPump->setSingleShot(true);
        QObject::connect(bd->modalPump, &QTimer::timeout, [] { PumpModalOnce(); });
    }
    ++bd->modalDepth;
    bd->modalPump->start(0);
}

void PlatformLeaveModal() {
    LayerState* bd = LayerData();
    if (bd->modalDepth > 0) --bd->modalDepth;
    if (bd->modalDepth == 0 && bd->modalPump) bd->modalPump->stop();
}

// ---- USER32 -------------------------------------------------------------------

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) return FALSE;
    PlatformProcessQtEvents();
    return TakeMessage(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        PlatformProcessQtEvents();
        if (TakeMessage(msg, hwnd, filterMin, filterMax, true, false)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        WaitForQtEvents();
    }
}

BOOL WaitMessage() {
    for (;;) {
        PlatformProcessQtEvents();
        MSG msg;
        if (TakeMessage(&msg, nullptr, 0, 0, false, false)) return TRUE;
        WaitForQtEvents();
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    LayerState* bd = LayerData();
    QByteArray bytes;
    uint32_t serial = KeySerialOf(msg->lParam);
    auto found = serial ? bd->keyTexts.find(serial) : bd->keyTexts.end();
    if (found != bd->keyTexts.end()) {
        bytes = EncodeWindowsText(found->second);
        bd->keyTexts.erase(found);
    } else {
        // A key press posted without text (by a program or a test): the
        // characters an unshifted key gives.
        WPARAM vk = msg->wParam;
        if (vk == VK_RETURN || vk == VK_BACK || vk == VK_ESCAPE || vk == VK_TAB || vk == VK_SPACE ||
            (vk >= '0' && vk <= '9')) {
            bytes.append(static_cast<char>(vk));
        } else if (vk >= 'A' && vk <= 'Z') {
            bytes.append(static_cast<char>(vk - 'A' + 'a'));
        }
    }
    if (bytes.isEmpty()) return FALSE;
    // The characters come before the input that is still queued, as Win32's
    // posted WM_CHAR precedes the next keyboard input.
    for (int i = static_cast<int>(bytes.size()) - 1; i >= 0; --i) {
        bd->posted.push_front(MakeMsg(msg->hwnd, WM_CHAR, static_cast<unsigned char>(bytes[i]), 1));
    }
    PlatformWakeQueue();
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(NowMs()));
        return 0;
    }
    PlatformWindow* w = PlatformLiveWindow(msg->hwnd);
    if (!w || !w->cls || !w->cls->proc) return 0;
    return w->cls->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !w->cls || !w->cls->proc) return 0;
    return w->cls->proc(hwnd, message, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !PlatformLiveWindow(hwnd)) return FALSE;
    PlatformPostInput(hwnd, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    LayerState* bd = LayerData();
    bd->quitPending = true;
    bd->exitCode = exitCode;
    PlatformWakeQueue();
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    if (hwnd && !PlatformLiveWindow(hwnd)) return 0;
    LayerState* bd = LayerData();
    int64_t interval = std::max<int64_t>(elapseMs, 10);  // Win32's minimum period
    auto existing = std::find_if(bd->timers.begin(), bd->timers.end(),
                                 [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
    UINT_PTR result = id;
    if (existing == bd->timers.end()) {
        if (!hwnd) {
            // A thread timer gets an identifier of its own.
            do {
                result = bd->nextThreadTimerId++;
            } while (std::any_of(bd->timers.begin(), bd->timers.end(),
                                 [&](const TimerRecord& t) { return !t.hwnd && t.id == result; }));
        }
        bd->timers.push_back(TimerRecord{hwnd, result, interval, proc, NowMs() + interval, false});
    } else {
        existing->interval = interval;
        existing->proc = proc;
        existing->nextDue = NowMs() + interval;
        existing->ready = false;
    }
    PlatformWakeQueue();
    return result ? result : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    LayerState* bd = LayerData();
    auto it = std::find_if(bd->timers.begin(), bd->timers.end(),
                           [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == bd->timers.end()) return FALSE;
    bd->timers.erase(it);
    return TRUE;
}
