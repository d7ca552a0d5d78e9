// main.cpp - sinora-lab-window [--timings] [FILE]: Sinora Lab's window,
// opening FILE (a picture, DICOM slice or sinogram) or else the last run's
// source.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QThreadPool>

#include <unistd.h>
#include <cstdio>
#include <vector>

#include "lab/window/lab_window.h"

namespace {

// How long a worker still running at the end may take to finish.
constexpr int StragglerMs = 1000;

void Describe() {
    QCoreApplication::setOrganizationName("Sinora");
    QCoreApplication::setApplicationName("sinora-lab-window");
    QCoreApplication::setApplicationVersion(SINORA_VERSION);
}

// While the application starts, Qt's messages are held back: when it cannot
// reach a display it reports that in several lines and aborts; the user
// gets one line and status 1 instead.
struct HeldMessage {
    QtMsgType type;
    QString text;
};
std::vector<HeldMessage> heldMessages;

void HoldStartMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        if (display.isEmpty())
            fprintf(stderr,
                    "sinora-lab-window: no display to show the window on (DISPLAY is not set); start Sinora "
                    "Lab from a desktop session\n");
        else
            fprintf(stderr,
                    "sinora-lab-window: cannot open the display '%s'; start Sinora Lab from a desktop session\n",
                    display.constData());
        fflush(stderr);
        _exit(1);
    }
    heldMessages.push_back({type, text});
}

}  // namespace

int main(int argc, char** argv) {
    // The command line is read before the window's application exists, so
    // that --help, --version and usage errors need no display.
    bool timings = false;
    bool look = false;
    QString file;
    {
        QCoreApplication core(argc, argv);
        Describe();
        QCommandLineParser parser;
        parser.setApplicationDescription(
            "Sinora Lab: makes sinograms of pictures, CT slices and phantoms, and "
            "filter files, for Sinora.");
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption timingsOption("timings",
                                               "Print each redraw's time, from the change to the preview on screen, and each status line.");
        parser.addOption(timingsOption);
        const QCommandLineOption lookOption("look", "Show FILE, a .sino file, in the Look view.");
        parser.addOption(lookOption);
        parser.addPositionalArgument("FILE", "A picture, DICOM CT slice or .sino file to open.", "[FILE]");
        if (!parser.parse(core.arguments())) {
            fprintf(stderr, "sinora-lab-window: %s (see sinora-lab-window --help)\n", qPrintable(parser.errorText()));
            return 2;
        }
        if (parser.isSet("help")) parser.showHelp(0);
        if (parser.isSet("version")) parser.showVersion();
        const QStringList files = parser.positionalArguments();
        if (files.size() > 1) {
            fprintf(stderr, "sinora-lab-window: one FILE at most (see sinora-lab-window --help)\n");
            return 2;
        }
        timings = parser.isSet(timingsOption);
        look = parser.isSet(lookOption);
        if (!files.isEmpty()) file = files.first();
    }
    const QtMessageHandler usualHandler = qInstallMessageHandler(HoldStartMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(usualHandler);
    for (const HeldMessage& held : heldMessages) qt_message_output(held.type, QMessageLogContext(), held.text);
    heldMessages.clear();
    Describe();
    QApplication::setApplicationDisplayName("Sinora Lab");
    QApplication::setDesktopFileName("sinora-lab");
    QApplication::setWindowIcon(QIcon::fromTheme("sinora-lab"));

    int status = 0;
    {
        labwin::LabWindow window(timings);
        window.show();
        if (file.isEmpty()) {
            window.openLastSource();
        } else {
            window.openPath(file);
            if (look) window.lookAt(file);
        }
        status = app.exec();
    }
    // The window's workers were told to stop as it went. One that cannot
    // (a read the kernel holds up) must not keep the process: its result is
    // wanted no more, and the settings are saved.
    if (!QThreadPool::globalInstance()->waitForDone(StragglerMs)) {
        fflush(nullptr);
        _exit(status);
    }
    return status;
}
