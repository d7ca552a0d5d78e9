// win_windows.cpp - window classes, windows, geometry, scroll bar, cursor,
// screen metrics.
//
// Implements: RegisterClassA, CreateWindowExA, DestroyWindow, DefWindowProcA,
// ShowWindow, MoveWindow, SetWindowPos, SetWindowTextA, GetWindowTextA,
// GetClientRect, GetWindowRect, IsWindowVisible, SetClassLongA,
// SetClassLongPtrA,
// GetSystemMetrics, GetCursorPos, ScreenToClient, ClientToScreen, ShowCursor,
// LoadIconA, LoadCursorA, SetScrollInfo, GetScrollInfo; and for GDI the
// window side of internal.h (the retained client surface and its validation);
// the count of live windows.
//
// Supported behaviour:
// - Every window is a top-level Qt widget holding a client widget, which
//   shows the window's retained client surface, and for WS_VSCROLL a
//   vertical scroll bar to its right (the client area excludes it).
// - Outer sizes and positions are the frame's (Qt's frame margins, 0 where
//   Qt does not know them, as before the first show and without a window
//   manager); the client area is the inside less the scroll bar.
// - WM_CREATE is sent before CreateWindowExA returns, then WM_SIZE. A size
//   change made by the program sends WM_SIZE at once; one made by the user
//   posts it. Input (keys, mouse buttons, wheel, scroll bar, close button) is
//   posted to the queue.
// - Without WS_THICKFRAME the window has a fixed size; the minimise and
//   maximise buttons follow WS_MINIMIZEBOX/WS_MAXIMIZEBOX; CS_NOCLOSE removes
//   the close button (and the close request is ignored).
// - SetClassLongPtrA(GCLP_HBRBACKGROUND) takes the brush handle whole.
//   SetClassLongA(GCL_HBRBACKGROUND) takes the 32-bit value older Win32
//   programs pass, `(LONG)(intptr_t)brush`: GDI handles are small numbers
//   below 2^31 (see win_gdi_objects.cpp), so the value is the handle itself.
// - The scroll bar stays visible and is disabled when the page covers the
//   whole range (Win32 would hide it and narrow nothing else).
//
// Not supported: child windows, menu bars, extended styles, horizontal
// scroll bars, SIZE_MINIMIZED/SIZE_MAXIMIZED notifications, WM_MOVE,
// WM_MOUSEMOVE, the CREATESTRUCT of WM_CREATE (lParam is 0).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/window_state.h"

namespace {

UINT VirtualKeyFromQt(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab: return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return 0x11;
        case Qt::Key_Alt: return 0x12;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Insert: return 0x2D;
        default: return 0;
    }
}

const UINT kVkPacket = 0xE7;  // a character without a key of its own

int ScrollBarExtent(const PlatformWindow* w) {
    if (!w->scrollBar) return 0;
    return w->scrollBar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w->scrollBar);
}

QMargins FrameMargins(const PlatformWindow* w) {
    if (!w->frame || !w->frame->windowHandle()) return QMargins();
    return w->frame->windowHandle()->frameMargins();
}

// New client size: the surface follows (kept pixels stay, new parts take the
// class background), and the whole client area becomes invalid.
bool ApplyClientSize(PlatformWindow* w, QSize size) {
    size = size.expandedTo(QSize(0, 0));
    if (size == w->clientSize && w->surface.size() == size) return false;
    QImage fresh;
    if (!size.isEmpty()) {
        fresh = QImage(size, QImage::Format_RGB32);
        HBRUSH bg = w->cls ? w->cls->background : nullptr;
        fresh.fill(ColorrefToArgb(PlatformBrushColour(bg)));
        int rows = std::min(fresh.height(), w->surface.height());
        int bytes = std::min(fresh.width(), w->surface.width()) * 4;
        for (int y = 0; y < rows && bytes > 0; ++y) {
            memcpy(fresh.scanLine(y), w->surface.constScanLine(y), static_cast<size_t>(bytes));
        }
    }
    w->surface = fresh;
    bool changed = size != w->clientSize;
    w->clientSize = size;
    w->needsPaint = true;
    PlatformWakeQueue();
    return changed;
}

void LayoutChildren(PlatformWindow* w, QSize content) {
    int bar = ScrollBarExtent(w);
    if (w->client) w->client->setGeometry(0, 0, std::max(0, content.width() - bar), content.height());
    if (w->scrollBar) w->scrollBar->setGeometry(std::max(0, content.width() - bar), 0, bar, content.height());
}

void BringToFront(QWidget* frame) {
    // The offscreen platform has no stacking order (and says so on stderr).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) frame->raise();
    frame->activateWindow();
}

LPARAM ClientSizeParam(QSize s) { return MAKELPARAM(s.width(), s.height()); }

class ClientWidget : public QWidget {
public:
    ClientWidget(PlatformWindow* w, QWidget* parent) : QWidget(parent), w_(w) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (!w_->surface.isNull()) p.drawImage(0, 0, w_->surface);
    }
    void mousePressEvent(QMouseEvent* e) override { PostButton(e, true); }
    void mouseReleaseEvent(QMouseEvent* e) override { PostButton(e, false); }

private:
    void PostButton(QMouseEvent* e, bool down) {
        LayerState* bd = LayerData();
        bd->lastMouseGlobal = e->globalPosition().toPoint();
        UINT message;
        if (e->button() == Qt::LeftButton) {
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        } else if (e->button() == Qt::RightButton) {
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        } else {
            return;
        }
        QPoint p = e->position().toPoint();
        PlatformPostInput(w_, message, 0, MAKELPARAM(p.x(), p.y()));
    }
    PlatformWindow* w_;
};

class FrameWidget : public QWidget {
public:
    explicit FrameWidget(PlatformWindow* w) : QWidget(nullptr), w_(w) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
            PlaceFramedWindow();
            w_->needsPaint = true;  // uncovered: the program repaints it
            PlatformWakeQueue();
        }
        if (e->type() == QEvent::MouseButtonRelease && watched == w_->scrollBar) {
            if (w_->scrollBar->isSliderDown()) {
                PostScroll(SB_THUMBPOSITION, w_->scrollBar->sliderPosition());
            }
            PostScroll(SB_ENDSCROLL, 0);
        }
        return false;
    }

    // A window placed before the window manager framed it sits with its
    // client corner at the requested point; once the frame is known, its
    // outer corner goes there, as MoveWindow and CreateWindowEx mean. The
    // window manager reports the frame a little after the first exposure,
    // so it is looked for again for up to two seconds; without a window
    // manager no frame comes and the window stays where it is.
    void PlaceFramedWindow() {
        if (!w_->placeWhenFramed || placing_) return;
        placing_ = true;
        TryPlaceFramedWindow(40);
    }
    void TryPlaceFramedWindow(int attempts) {
        const QMargins m = FrameMargins(w_);
        if (w_->placeWhenFramed && m.isNull() && attempts > 0) {
            QTimer::singleShot(50, this, [this, attempts] { TryPlaceFramedWindow(attempts - 1); });
            return;
        }
        placing_ = false;
        if (!w_->placeWhenFramed) return;  // placed again meanwhile
        w_->placeWhenFramed = false;
        if (m.isNull()) return;
        // The client's corner is given explicitly, from the frame just
        // reported: the widget's own record of the frame may lag behind.
        setGeometry(QRect(w_->placedOuterPos + QPoint(m.left(), m.top()), size()));
    }

    void PostScroll(int code, int pos) { PlatformPostInput(w_, WM_VSCROLL, MAKEWPARAM(code, pos), 0); }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();  // the program decides (DefWindowProcA destroys)
        if (w_->alive && !(w_->cls->style & CS_NOCLOSE)) PlatformPostInput(w_, WM_CLOSE, 0, 0);
    }
    void keyPressEvent(QKeyEvent* e) override {
        UINT vk = VirtualKeyFromQt(e->key());
        QString text = e->text();
        if (vk == VK_DELETE || (vk >= VK_PRIOR && vk <= VK_DOWN) || (vk >= 0x70 && vk <= 0x87)) {
            text.clear();  // keys without a character, as in Win32
        }
        if (vk == 0 && text.isEmpty()) return;
        PlatformPostKey(w_, vk ? vk : kVkPacket, text);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (e->isAutoRepeat()) return;  // Win32 repeats key downs only
        UINT vk = VirtualKeyFromQt(e->key());
        if (vk) PlatformPostInput(w_, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        // Text composed by an input method arrives as characters only.
        QByteArray bytes = EncodeWindowsText(e->commitString());
        for (char c : bytes) PlatformPostInput(w_, WM_CHAR, static_cast<unsigned char>(c), 1);
        e->accept();
    }
    void wheelEvent(QWheelEvent* e) override {
        if (!(w_->style & WS_VSCROLL)) return;
        // One notch (120) scrolls three lines, like the line buttons.
        w_->wheelRemainder += e->angleDelta().y();
        while (w_->wheelRemainder >= 120) {
            for (int i = 0; i < 3; ++i) PostScroll(SB_LINEUP, 0);
            w_->wheelRemainder -= 120;
        }
        while (w_->wheelRemainder <= -120) {
            for (int i = 0; i < 3; ++i) PostScroll(SB_LINEDOWN, 0);
            w_->wheelRemainder += 120;
        }
        e->accept();
    }
    void resizeEvent(QResizeEvent* e) override {
        LayoutChildren(w_, e->size());
        SyncFromQt();
    }
    void moveEvent(QMoveEvent*) override { SyncFromQt(); }

private:
    bool placing_ = false;  // a PlaceFramedWindow is waiting for the frame

    // A geometry change made by Qt or the user: record it; a new client
    // size is posted as WM_SIZE.
    void SyncFromQt() {
        if (!w_->alive) return;
        w_->outer = frameGeometry();
        QSize client(std::max(0, width() - ScrollBarExtent(w_)), height());
        if (ApplyClientSize(w_, client)) {
            PlatformPostInput(w_, WM_SIZE, SIZE_RESTORED, ClientSizeParam(client));
        }
    }
    PlatformWindow* w_;
};

// Moves/sizes a window the way the program asks (outer frame rectangle).
void SetOuterGeometry(PlatformWindow* w, int x, int y, int cx, int cy, bool move, bool size, bool send) {
    QMargins m = FrameMargins(w);
    QRect outer = w->outer;
    if (move) outer.moveTo(x, y);
    if (size) outer.setSize(QSize(std::max(0, cx), std::max(0, cy)));
    w->outer = outer;
    QSize content(std::max(0, outer.width() - m.left() - m.right()),
                  std::max(0, outer.height() - m.top() - m.bottom()));
    QSize client(std::max(0, content.width() - ScrollBarExtent(w)), content.height());
    bool changed = ApplyClientSize(w, client);
    if (w->frame) {
        QSize qtSize = content.expandedTo(QSize(1, 1));
        if (!(w->style & WS_THICKFRAME)) {
            w->frame->setFixedSize(qtSize);
        } else {
            w->frame->resize(qtSize);
        }
        LayoutChildren(w, content);
        if (move) {
            w->frame->move(outer.topLeft());
            // Without a known frame Qt takes the point for the client's
            // corner; the frame is moved there once the window is framed.
            w->placeWhenFramed = m.isNull();
            w->placedOuterPos = outer.topLeft();
        }
    }
    if (changed && send) SendMessageA(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(client));
}

void ConnectScrollBar(PlatformWindow* w, FrameWidget* frame) {
    QScrollBar* bar = w->scrollBar;
    QObject::connect(bar, &QAbstractSlider::actionTriggered, frame, [w, frame](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd: frame->PostScroll(SB_LINEDOWN, 0); break;
            case QAbstractSlider::SliderSingleStepSub: frame->PostScroll(SB_LINEUP, 0); break;
            case QAbstractSlider::SliderPageStepAdd: frame->PostScroll(SB_PAGEDOWN, 0); break;
            case QAbstractSlider::SliderPageStepSub: frame->PostScroll(SB_PAGEUP, 0); break;
            case QAbstractSlider::SliderToMinimum: frame->PostScroll(SB_TOP, 0); break;
            case QAbstractSlider::SliderToMaximum: frame->PostScroll(SB_BOTTOM, 0); break;
            case QAbstractSlider::SliderMove: frame->PostScroll(SB_THUMBTRACK, w->scrollBar->sliderPosition()); break;
            default: break;
        }
    });
    bar->installEventFilter(frame);
}

}  // namespace

// ---- layer-internal ----------------------------------------------------------

PlatformWindow* PlatformLiveWindow(HWND hwnd) {
    LayerState* bd = LayerData();
    if (!hwnd) return nullptr;
    auto& all = bd->windows;
    if (std::find(all.begin(), all.end(), hwnd) == all.end()) return nullptr;
    return hwnd->alive ? hwnd : nullptr;
}

int PlatformWindowCount() {
    LayerState* bd = LayerData();
    return static_cast<int>(bd->windows.size());
}
PlatformWindow* PlatformWindowAt(int index) {
    LayerState* bd = LayerData();
    return bd->windows[static_cast<size_t>(index)];
}

int PlatformLiveWindowCount() {
    LayerState* bd = LayerData();
    const std::vector<PlatformWindow*>& windows = bd->windows;
    return static_cast<int>(
        std::count_if(windows.begin(), windows.end(), [](const PlatformWindow* w) { return w->alive; }));
}

QWidget* PlatformWindowFrame(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    return w ? w->frame.data() : nullptr;
}

HWND PlatformWindowOfWidget(const QWidget* widget) {
    LayerState* bd = LayerData();
    if (!widget) return nullptr;
    for (PlatformWindow* w : bd->windows) {
        if (w->alive && w->frame == widget) return w;
    }
    return nullptr;
}

QImage* PlatformWindowSurface(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    return w ? &w->surface : nullptr;
}

void PlatformWindowSurfaceChanged(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (w && w->client) w->client->update();
}

bool PlatformWindowOwnsDc(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    return w && (w->cls->style & CS_OWNDC);
}

HBRUSH PlatformWindowBackground(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    return w ? w->cls->background : nullptr;
}

void PlatformWindowValidate(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (w) w->needsPaint = false;
}

// ---- USER32 -------------------------------------------------------------------

ATOM RegisterClassA(const WNDCLASSA* wc) {
    LayerState* bd = LayerData();
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    auto& classes = bd->classes;
    if (classes.count(wc->lpszClassName)) return 0;  // as Win32: already registered
    auto record = std::make_unique<WindowClassRecord>();
    record->name = wc->lpszClassName;
    record->style = wc->style;
    record->proc = wc->lpfnWndProc;
    record->background = wc->hbrBackground;
    classes[record->name] = std::move(record);
    return static_cast<ATOM>(0xC000 + classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height, HWND,
                     HMENU, HINSTANCE, LPVOID) {
    if (!className || !qApp) return nullptr;
    LayerState* bd = LayerData();
    auto found = bd->classes.find(className);
    if (found == bd->classes.end()) return nullptr;

    auto* w = new PlatformWindow;
    bd->windows.push_back(w);
    w->cls = found->second.get();
    w->style = style;
    w->text = windowName ? windowName : "";

    auto* frame = new FrameWidget(w);
    w->frame = frame;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint;
    if ((style & WS_SYSMENU) && !(w->cls->style & CS_NOCLOSE)) flags |= Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
    frame->setWindowFlags(flags);
    frame->setWindowTitle(DecodeWindowsText(w->text.c_str()));
    w->client = new ClientWidget(w, frame);
    if (style & WS_VSCROLL) {
        w->scrollBar = new QScrollBar(Qt::Vertical, frame);
        w->scrollBar->setFocusPolicy(Qt::NoFocus);
        w->scrollBar->setRange(0, 0);
        w->scrollBar->setEnabled(false);
        ConnectScrollBar(w, frame);
    }
    frame->winId();  // a native window now, to hear about exposure
    if (frame->windowHandle()) frame->windowHandle()->installEventFilter(frame);

    // CW_USEDEFAULT: a cascade position and a size of 640 x 480.
    if (x == CW_USEDEFAULT) {
        x = 40 + 24 * (bd->cascade % 8);
        y = 40 + 24 * (bd->cascade % 8);
        ++bd->cascade;
    }
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    w->outer = QRect(x, y, 0, 0);
    SetOuterGeometry(w, x, y, width, height, true, true, false);

    if (SendMessageA(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    if (!w->alive) return nullptr;
    SendMessageA(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(w->clientSize));
    if ((style & WS_VISIBLE) && w->alive) ShowWindow(w, SW_SHOW);
    return w->alive ? w : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    LayerState* bd = LayerData();
    std::vector<HWND>& destroying = bd->destroying;
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w) return FALSE;
    if (std::find(destroying.begin(), destroying.end(), hwnd) != destroying.end()) return TRUE;
    destroying.push_back(hwnd);
    if (w->frame) w->frame->hide();
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    destroying.erase(std::find(destroying.begin(), destroying.end(), hwnd));
    w->alive = false;
    PlatformForgetWindowMessages(hwnd);
    PlatformForgetWindowDcs(hwnd);
    // Deleted later: DestroyWindow may run inside one of the widget's events.
    if (w->frame) w->frame->deleteLater();
    w->surface = QImage();
    return TRUE;
}

void PlatformForgetAllWindows() {
    LayerState* bd = LayerData();
    for (PlatformWindow* w : bd->windows) {
        if (w->alive) {
            w->alive = false;
            PlatformForgetWindowDcs(w);
            if (w->frame) {
                w->frame->hide();
                w->frame->deleteLater();
            }
            w->surface = QImage();
        }
        w->cls = nullptr;  // the class records go next
    }
    bd->classes.clear();
    bd->destroying.clear();
    bd->cascade = 0;
    bd->lastMouseGlobal = QPoint();
    if (bd->cursorCount < 0) QGuiApplication::restoreOverrideCursor();
    bd->cursorCount = 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w) return 0;
    switch (message) {
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (!dc || !w->cls->background) return 0;
            RECT r{0, 0, w->clientSize.width(), w->clientSize.height()};
            FillRect(dc, &r, w->cls->background);
            return 1;
        }
        case WM_PAINT:
            w->needsPaint = false;  // as BeginPaint/EndPaint would
            return 0;
        default: return 0;
    }
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !w->frame) return FALSE;
    QWidget* f = w->frame;
    BOOL wasVisible = f->isVisible() ? TRUE : FALSE;
    f->setAttribute(Qt::WA_ShowWithoutActivating, cmdShow == SW_SHOWNA);
    switch (cmdShow) {
        case SW_HIDE: f->hide(); return wasVisible;
        case SW_SHOWNA: f->show(); break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED: f->showMinimized(); break;
        case SW_RESTORE:
            f->showNormal();
            BringToFront(f);
            break;
        default:
            if (f->isMinimized()) {
                f->showNormal();
            } else {
                f->show();
            }
            BringToFront(f);
            break;
    }
    if (!wasVisible) {
        w->needsPaint = true;
        PlatformWakeQueue();
    }
    return wasVisible;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w) return FALSE;
    SetOuterGeometry(w, x, y, width, height, true, true, true);
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w) return FALSE;
    bool move = !(flags & SWP_NOMOVE);
    bool size = !(flags & SWP_NOSIZE);
    if (move || size) SetOuterGeometry(w, x, y, cx, cy, move, size, true);
    return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w) return FALSE;
    w->text = text ? text : "";
    if (w->frame) w->frame->setWindowTitle(DecodeWindowsText(w->text.c_str()));
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !text || maxCount <= 0) return 0;
    int n = std::min(static_cast<int>(w->text.size()), maxCount - 1);
    memcpy(text, w->text.data(), static_cast<size_t>(n));
    text[n] = 0;
    return n;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->clientSize.width(), w->clientSize.height()};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !rect) return FALSE;
    *rect =
        RECT{w->outer.left(), w->outer.top(), w->outer.left() + w->outer.width(), w->outer.top() + w->outer.height()};
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    return (w && w->frame && w->frame->isVisible()) ? TRUE : FALSE;
}

DWORD SetClassLongA(HWND hwnd, int index, LONG value) {
    return static_cast<DWORD>(SetClassLongPtrA(hwnd, index, static_cast<LONG_PTR>(value)));
}

ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || index != GCLP_HBRBACKGROUND) return 0;
    HBRUSH previous = w->cls->background;
    w->cls->background = reinterpret_cast<HBRUSH>(value);
    return reinterpret_cast<ULONG_PTR>(previous);
}

int GetSystemMetrics(int index) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 0;
    if (index == SM_CXSCREEN) return screen->geometry().width();
    if (index == SM_CYSCREEN) return screen->geometry().height();
    return 0;
}

BOOL GetCursorPos(LPPOINT point) {
    LayerState* bd = LayerData();
    if (!point) return FALSE;
    // Without a real pointer (offscreen) the last mouse event tells where
    // the pointer is.
    QPoint p = QGuiApplication::platformName() == QLatin1String("offscreen") ? bd->lastMouseGlobal : QCursor::pos();
    point->x = p.x();
    point->y = p.y();
    return TRUE;
}

static QPoint ClientOrigin(PlatformWindow* w) {
    if (w->client) return w->client->mapToGlobal(QPoint(0, 0));
    return w->outer.topLeft();
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !point) return FALSE;
    QPoint o = ClientOrigin(w);
    point->x -= o.x();
    point->y -= o.y();
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !point) return FALSE;
    QPoint o = ClientOrigin(w);
    point->x += o.x();
    point->y += o.y();
    return TRUE;
}

int ShowCursor(BOOL show) {
    LayerState* bd = LayerData();
    int& count = bd->cursorCount;
    int before = count;
    count += show ? 1 : -1;
    if (before >= 0 && count < 0) QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    if (before < 0 && count >= 0) QGuiApplication::restoreOverrideCursor();
    return count;
}

// Icons and cursors are only passed on to RegisterClassA and never drawn:
// a non-null token stands for the standard ones.
HICON LoadIconA(HINSTANCE, LPCSTR) {
    LayerState* bd = LayerData();
    return reinterpret_cast<HICON>(&bd->standardIcon);
}
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) {
    LayerState* bd = LayerData();
    return reinterpret_cast<HCURSOR>(&bd->standardCursor);
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !info || bar != SB_VERT || !w->scrollBar) return 0;
    SCROLLINFO& s = w->scroll;
    if (info->fMask & SIF_RANGE) {
        s.nMin = info->nMin;
        s.nMax = info->nMax;
    }
    if (info->fMask & SIF_PAGE) s.nPage = info->nPage;
    if (info->fMask & SIF_POS) s.nPos = info->nPos;
    // As Win32: the page is at most the range, the position at most the
    // last position where a full page still fits.
    int64_t span = static_cast<int64_t>(s.nMax) - s.nMin + 1;
    if (span < 0) span = 0;
    if (static_cast<int64_t>(s.nPage) > span) s.nPage = static_cast<UINT>(span);
    int64_t maxPos = s.nPage ? static_cast<int64_t>(s.nMax) - s.nPage + 1 : s.nMax;
    if (maxPos < s.nMin) maxPos = s.nMin;
    s.nPos = static_cast<int>(std::clamp<int64_t>(s.nPos, s.nMin, maxPos));
    QSignalBlocker block(w->scrollBar);
    w->scrollBar->setRange(s.nMin, static_cast<int>(maxPos));
    w->scrollBar->setPageStep(std::max(1, static_cast<int>(std::min<UINT>(s.nPage, 0x7FFFFFFF))));
    w->scrollBar->setSingleStep(1);
    w->scrollBar->setValue(s.nPos);
    w->scrollBar->setEnabled(maxPos > s.nMin);
    return s.nPos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
    PlatformWindow* w = PlatformLiveWindow(hwnd);
    if (!w || !info || bar != SB_VERT || !w->scrollBar) return FALSE;
    if (info->fMask & SIF_RANGE) {
        info->nMin = w->scroll.nMin;
        info->nMax = w->scroll.nMax;
    }
    if (info->fMask & SIF_PAGE) info->nPage = w->scroll.nPage;
    if (info->fMask & SIF_POS) info->nPos = w->scroll.nPos;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = w->scrollBar->sliderPosition();
    return TRUE;
}
