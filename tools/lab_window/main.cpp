// main.cpp - sinora-lab-window [--timings] [FILE]: Sinora Lab's window,
// opening FILE (a picture, DICOM slice or sinogram) or else a phantom.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "tools/lab_window/lab_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Sinora");
    QApplication::setApplicationName("sinora-lab-window");
    QApplication::setApplicationDisplayName("Sinora Lab");
    QApplication::setApplicationVersion(SINORA_VERSION);
    QApplication::setDesktopFileName("sinora-lab");
    QApplication::setWindowIcon(QIcon::fromTheme("sinora-lab"));

    QCommandLineParser parser;
    parser.setApplicationDescription("Sinora Lab: makes sinograms of pictures, CT slices and phantoms, and filter "
                                     "files, for Sinora.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption timings("timings", "Print each redraw's time, from the change to the preview on screen.");
    parser.addOption(timings);
    parser.addPositionalArgument("FILE", "A picture, DICOM CT slice or .sino file to open.", "[FILE]");
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        fprintf(stderr, "sinora-lab-window: one FILE at most (see sinora-lab-window --help)\n");
        return 2;
    }

    labwin::LabWindow window(parser.isSet(timings));
    window.show();
    if (files.isEmpty()) window.model().setSource(labwin::SourceSpec{});
    else window.openPath(files.first());
    return app.exec();
}
