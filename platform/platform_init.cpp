// platform_init.cpp - start-up of the layer and the hooks of platform.h.
//
// Implements: PlatformInit, PlatformQueueModalAnswer, PlatformSetUnattended,
// PlatformModalLogCount, PlatformModalLogEntry, PlatformDecodeText.
//
// Start-up chooses the X11 platform when both X11 and Wayland are available,
// also over a session-wide QT_QPA_PLATFORM=wayland (the program places its
// own windows, which Wayland does not allow; XWayland does), ends the process
// with one clear line and status 1 when no display can be reached (the
// toolkit would abort), creates
// the QApplication (kept alive for the whole process and never destroyed, so
// that exit() from a window procedure or a modal loop ends cleanly), keeps
// the application running when its last window closes, and maps the
// Japanese standard font faces to the installed IPA fonts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <QApplication>
#include <QFont>

#include "platform/internal.h"
#include "platform/platform.h"
#include "platform/window_state.h"

namespace {

struct ModalAnswer {
    std::string answer;
    int delayMs;
};

std::deque<ModalAnswer> g_answers;
bool g_unattended = false;
std::vector<std::string> g_modalLog;

void RegisterFontSubstitutions() {
    // "標準ゴシック" and "ゴシック" (code page 932 bytes, the names the
    // program's font records carry) to the installed Gothic face.
    static const char* const kGothic[] = {
        "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E",  // 標準ゴシック
        "\x83\x53\x83\x56\x83\x62\x83\x4E",                  // ゴシック
    };
    // "標準明朝" and "明朝" to the installed Mincho face.
    static const char* const kMincho[] = {
        "\x95\x57\x8F\x80\x96\xBE\x92\xA9",  // 標準明朝
        "\x96\xBE\x92\xA9",                  // 明朝
    };
    for (const char* face : kGothic) {
        QFont::insertSubstitution(DecodeWindowsText(face), QStringLiteral("IPAGothic"));
    }
    for (const char* face : kMincho) {
        QFont::insertSubstitution(DecodeWindowsText(face), QStringLiteral("IPAMincho"));
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
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<HeldMessage> g_heldMessages;

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
    if (type == QtFatalMsg) ReportStartFailure();
    g_heldMessages.push_back(HeldMessage{type, context.category ? context.category : "", text});
}

}  // namespace

void PlatformInit(int* argc, char** argv) {
    if (qApp) return;
    PreferX11();
    // QApplication keeps references to argc and argv for its whole life.
    static int s_argc = argc ? *argc : 0;
    static char** s_argv = argv;
    static char s_name[] = "sinora";
    static char* s_fallbackArgv[] = {s_name, nullptr};
    if (s_argc == 0 || !s_argv) {
        s_argc = 1;
        s_argv = s_fallbackArgv;
    }
    QtMessageHandler usualHandler = qInstallMessageHandler(HoldStartMessage);
    new QApplication(s_argc, s_argv);
    qInstallMessageHandler(usualHandler);
    for (const HeldMessage& held : g_heldMessages) {
        QMessageLogContext context(nullptr, 0, nullptr, held.category.c_str());
        if (usualHandler) {
            usualHandler(held.type, context, held.text);
        } else {
            qt_message_output(held.type, context, held.text);
        }
    }
    g_heldMessages.clear();
    QApplication::setQuitOnLastWindowClosed(false);
    RegisterFontSubstitutions();
}

// ---- test automation ------------------------------------------------------------

void PlatformQueueModalAnswer(const char* answer, int delayMs) {
    g_answers.push_back(ModalAnswer{answer ? answer : "", delayMs < 0 ? 0 : delayMs});
}

void PlatformSetUnattended(bool unattended) { g_unattended = unattended; }

int PlatformModalLogCount() { return static_cast<int>(g_modalLog.size()); }

const char* PlatformModalLogEntry(int index) {
    if (index < 0 || index >= static_cast<int>(g_modalLog.size())) return "";
    return g_modalLog[static_cast<size_t>(index)].c_str();
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
    if (g_answers.empty()) return false;
    *answer = g_answers.front().answer;
    *delayMs = g_answers.front().delayMs;
    g_answers.pop_front();
    return true;
}

bool PlatformIsUnattended() { return g_unattended; }

void PlatformLogModal(const QString& line) { g_modalLog.push_back(line.toUtf8().toStdString()); }
