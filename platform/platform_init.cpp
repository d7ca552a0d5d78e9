// platform_init.cpp - start-up of the layer and the hooks of platform.h.
//
// Implements: PlatformInit, PlatformResetForTests, PlatformQueueModalAnswer,
// PlatformSetUnattended, PlatformModalLogCount, PlatformModalLogEntry,
// PlatformLiveObjectCounts, PlatformDecodeText; LayerData, the layer's one
// state record.
//
// Start-up chooses the X11 platform when both X11 and Wayland are available,
// also over a session-wide QT_QPA_PLATFORM=wayland (the program places its
// own windows, which Wayland does not allow; XWayland does), ends the process
// with one clear line and status 1 when no display can be reached (the
// toolkit would abort), creates
// the QApplication (kept alive for the whole process and never destroyed, so
// that exit() from a window procedure or a modal loop ends cleanly), keeps
// the application running when its last window closes, keeps the pixmap
// cache small, and maps the Japanese standard font faces to the installed
// IPA fonts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <QApplication>
#include <QFont>
#include <QPixmapCache>

#include "platform/gdi_objects.h"
#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/os_calls.h"
#include "platform/platform.h"
#include "platform/window_state.h"

namespace {

// The Japanese standard faces the program names, given to Qt as
// substitutions too, so that every Qt font of those names (not only the
// GDI fonts, which ask FamiliesFor themselves) finds the installed face.
void RegisterFontSubstitutions() {
    const char* const faces[] = {"標準ゴシック", "ゴシック", "標準明朝", "明朝"};
    for (const char* utf8 : faces) {
        const QString face = QString::fromUtf8(utf8);
        QFont::insertSubstitutions(face, FamiliesFor(face, SHIFTJIS_CHARSET));
    }
}

// The X11 platform whenever an X display is there: unset, or a Wayland choice
// made for the whole session (tests choose offscreen and keep it).
void PreferX11() {
    const char* platform = getenv("QT_QPA_PLATFORM");
    const bool unset = !platform || !*platform;
    const bool wayland = !unset && strncmp(platform, "wayland", 7) == 0;
    const char* display = getenv("DISPLAY");
    if (display && *display && ((unset && getenv("WAYLAND_DISPLAY")) || wayland)) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
}

// While the application starts, the toolkit's messages are held back: when
// it cannot reach a display it reports that in several lines and aborts;
// the user gets one line and status 1 instead. Held messages of a start
// that succeeds go on to the usual handler.
void ReportStartFailure() {
    const char* display = getenv("DISPLAY");
    const char* platform = getenv("QT_QPA_PLATFORM");
    if (platform && *platform && strncmp(platform, "xcb", 3) != 0) {
        fprintf(stderr, "sinora: the window system '%s' could not be started\n", platform);
    } else if (!display || !*display) {
        fprintf(stderr,
                "sinora: no display to show the windows on (DISPLAY is not set); start Sinora from a desktop "
                "session\n");
    } else {
        fprintf(stderr, "sinora: cannot open the display '%s'; start Sinora from a desktop session\n", display);
    }
    fflush(stderr);
    _exit(1);
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    LayerState* bd = LayerData();
    if (type == QtFatalMsg) ReportStartFailure();
    bd->heldMessages.push_back(HeldMessage{type, context.category ? context.category : "", text});
}

}  // namespace

LayerState* LayerData() {
    static LayerState* const bd = new LayerState;  // never destroyed, see layer_state.h
    return bd;
}

void PlatformInit(int* argc, char** argv) {
    if (qApp) return;
    PreferX11();
    // QApplication keeps references to argc and argv for its whole life.
    LayerState* bd = LayerData();
    bd->argc = argc ? *argc : 0;
    bd->argv = argv;
    if (bd->argc == 0 || !bd->argv) {
        bd->argc = 1;
        bd->argv = bd->fallbackArgv;
    }
    QtMessageHandler usualHandler = qInstallMessageHandler(HoldStartMessage);
    new QApplication(bd->argc, bd->argv);
    qInstallMessageHandler(usualHandler);
    for (const HeldMessage& held : bd->heldMessages) {
        QMessageLogContext context(nullptr, 0, nullptr, held.category.c_str());
        if (usualHandler) {
            usualHandler(held.type, context, held.text);
        } else {
            qt_message_output(held.type, context, held.text);
        }
    }
    bd->heldMessages.clear();
    QApplication::setQuitOnLastWindowClosed(false);
    // Only the file dialogs' icons go through the pixmap cache; drawing one
    // again costs little, keeping many costs resident memory.
    QPixmapCache::setCacheLimit(256);
    RegisterFontSubstitutions();
}

// ---- test automation ------------------------------------------------------------

void PlatformResetForTests() {
    PlatformForgetAllMenus();
    PlatformForgetAllWindows();
    PlatformForgetAllMessages();
    ForgetAllGdi();
    PlatformForgetAllFiles();
    PlatformForgetAllGlobalMemory();
    PlatformRestoreOsCalls();
    LayerState* bd = LayerData();
    bd->answers.clear();
    bd->modalLog.clear();
    bd->dialogError = 0;
    PlatformProcessQtEvents();  // the widgets of the windows go now
}

void PlatformQueueModalAnswer(const char* answer, int delayMs) {
    LayerState* bd = LayerData();
    bd->answers.push_back(ModalAnswer{answer ? answer : "", delayMs < 0 ? 0 : delayMs});
}

void PlatformSetUnattended(bool unattended) {
    LayerState* bd = LayerData();
    bd->unattended = unattended;
}

int PlatformModalLogCount() {
    LayerState* bd = LayerData();
    return static_cast<int>(bd->modalLog.size());
}

const char* PlatformModalLogEntry(int index) {
    LayerState* bd = LayerData();
    if (index < 0 || index >= static_cast<int>(bd->modalLog.size())) return "";
    return bd->modalLog[static_cast<size_t>(index)].c_str();
}

PlatformLiveObjects PlatformLiveObjectCounts() {
    return PlatformLiveObjects{PlatformLiveWindowCount(), PlatformLiveGdiObjectCount(), PlatformLiveDcCount(),
                               PlatformTimerCount()};
}

const char* PlatformDecodeText(const char* bytes, char* utf8Out, int utf8Size) {
    if (!utf8Out || utf8Size <= 0) return utf8Out;
    QByteArray utf8 = DecodeWindowsText(bytes).toUtf8();
    int n = std::min(static_cast<int>(utf8.size()), utf8Size - 1);
    // Never cut a character in two.
    while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    memcpy(utf8Out, utf8.constData(), static_cast<size_t>(n));
    utf8Out[n] = 0;
    return utf8Out;
}

bool PlatformTakeModalAnswer(std::string* answer, int* delayMs) {
    LayerState* bd = LayerData();
    std::deque<ModalAnswer>& answers = bd->answers;
    if (answers.empty()) return false;
    *answer = answers.front().answer;
    *delayMs = answers.front().delayMs;
    answers.pop_front();
    return true;
}

bool PlatformIsUnattended() {
    LayerState* bd = LayerData();
    return bd->unattended;
}

// Only tests read the log, and they run unattended: the program itself
// keeps none, so a long session does not grow with it.
void PlatformLogModal(const QString& line) {
    LayerState* bd = LayerData();
    if (bd->unattended) bd->modalLog.push_back(line.toUtf8().toStdString());
}
