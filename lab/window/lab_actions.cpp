// lab_actions.cpp
#include "lab/window/lab_actions.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include "lab/commands/commands.h"
#include "lab/files/slice_files.h"
#include "lab/window/look/look_model.h"
#include "lab/window/scan/save_files.h"
#include "lab/window/scan/save_names.h"
#include "lab/window/scan/scan_model.h"

namespace labwin {

namespace {

// A file or folder of the installed documents, found relative to the program.
QString DocumentPath(const QString& relativePath) {
    return QDir::cleanPath(QDir(QApplication::applicationDirPath()).filePath(SINORA_DOC_FROM_BIN "/" + relativePath));
}

}  // namespace

LabActions::LabActions(QMainWindow& window, ScanModel& scans, LookModel& look, const ActionTargets& targets)
    : QObject(&window), window_(window), scans_(scans), look_(look), targets_(targets) {
    QMenu* file = window_.menuBar()->addMenu("&File");
    QToolBar* tools = window_.addToolBar("Tools");
    tools->setObjectName("tools");
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addFileMenu(file, tools);
    addViewMenu(tools);
    addHelpMenu();
}

void LabActions::addFileMenu(QMenu* file, QToolBar* tools) {
    QAction* open = file->addAction("&Open...", this, &LabActions::openRequested);
    open->setShortcut(QKeySequence::Open);
    tools->addAction(open);
    QAction* save = file->addAction("&Save Sinogram...", this, &LabActions::saveSinogram);
    save->setShortcut(QKeySequence::Save);
    tools->addAction(save);
    QAction* truth = file->addAction("Save &Truth Picture...", this, &LabActions::saveTruth);
    file->addAction("Save &Filter...", this, &LabActions::saveFilter);
    QMenu* pictures = file->addMenu("Save Picture &of");
    for (const SavedPicture& picture : targets_.pictures)
        pictures->addAction(picture.item, this, [this, picture] { savePicture(picture.widget, picture.what); });
    file->addAction("Export the Look &Panels as PNG...", this, [this] { savePicture(targets_.lookPanels, "look"); });
    file->addAction("Export the Look Slice as &DICOM...", this, &LabActions::exportSliceDicom);
    file->addSeparator();
    QAction* sinora = file->addAction("Open in Si&nora", this, &LabActions::openInSinora);
    sinora->setToolTip("Save the sinogram if needed and start Sinora with it chosen");
    tools->addAction(sinora);
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", &window_, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    needsScan_ = {save, truth, sinora};
    for (QAction* action : needsScan_) action->setEnabled(false);
}

void LabActions::addViewMenu(QToolBar* tools) {
    QMenu* view = window_.menuBar()->addMenu("&View");
    const QStringList pageNames{"&Scan", "&Look", "&Compare"};
    for (int k = 0; k < pageNames.size(); ++k) {
        QAction* page = view->addAction(pageNames[k], this, [this, k] { targets_.pages->setCurrentIndex(k); });
        page->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + k)));
    }
    view->addSeparator();
    for (QDockWidget* dock : window_.findChildren<QDockWidget*>()) view->addAction(dock->toggleViewAction());
    view->addAction(tools->toggleViewAction());
}

void LabActions::addHelpMenu() {
    QMenu* help = window_.menuBar()->addMenu("&Help");
    help->addAction("&User Guide", this, [this] { openDocument("README.md"); });
    // The lessons' first page, when the documents hold them (pandoc made them at build time).
    if (QFileInfo::exists(DocumentPath("lessons/index.html")))
        help->addAction("&Lessons", this, [this] { openDocument("lessons/index.html"); });
    help->addAction("&About Sinora Lab", this, [this] {
        QMessageBox::about(&window_, "About Sinora Lab",
                           "Sinora Lab " + QApplication::applicationVersion() +
                               "\nMakes sinograms of pictures, CT slices and phantoms, and filter files, for Sinora.");
    });
}

void LabActions::enableScanActions() {
    for (QAction* action : needsScan_) action->setEnabled(true);
}

QString LabActions::askSavePath(const QString& title, const QString& name, const QString& filter) {
    const QString proposal = ProposedPath(WorkFolder(), name, scans_.openedFiles());
    return QFileDialog::getSaveFileName(&window_, title, proposal, filter);
}

void LabActions::showSaved(const QString& path) { window_.statusBar()->showMessage("Saved " + path, 10000); }

bool LabActions::saveSinogram() {
    if (!scans_.latest()) return false;
    const auto& scan = *scans_.latest();
    const QString path = askSavePath("Save Sinogram", ScanStem(scan.request.source, scan.request.options) + ".sino",
                                     "Sinograms (*.sino);;All files (*)");
    if (path.isEmpty()) return false;
    try {
        scans_.saveSinogram(path);
    } catch (const std::exception& error) {
        emit failed(error.what());
        return false;
    }
    showSaved(path);
    return true;
}

void LabActions::saveTruth() {
    if (!scans_.latest()) return;
    const auto& scan = *scans_.latest();
    const QString path =
        askSavePath("Save Truth Picture", ScanStem(scan.request.source, scan.request.options) + "_truth.png",
                    "PNG pictures (*.png)");
    if (path.isEmpty()) return;
    try {
        scans_.saveTruth(path);
        showSaved(path);
    } catch (const std::exception& error) {
        emit failed(error.what());
    }
}

void LabActions::saveFilter() {
    const FilterChoice& filter = scans_.filter();
    const QString path = askSavePath("Save Filter", FilterFileName(filter), "Filter files (*.txt);;All files (*)");
    if (path.isEmpty()) return;
    lab::FilterOptions options;
    options.name = filter.kind;
    options.cutoff = filter.cutoff;
    options.scale = filter.scale;
    options.output = path.toStdString();
    try {
        lab::RunFilterCommand(options);
        showSaved(path);
    } catch (const std::exception& error) {
        emit failed(error.what());
    }
}

void LabActions::savePicture(QWidget* widget, const QString& what) {
    const QString stem = scans_.latest() ? SourceStem(scans_.source()) + "_" : QString();
    const QString path = askSavePath("Save Picture", stem + what + ".png", "PNG pictures (*.png)");
    if (path.isEmpty()) return;
    try {
        SavePng(path, widget->grab().toImage(), scans_.source().path);
        showSaved(path);
    } catch (const std::exception& error) {
        emit failed(error.what());
    }
}

void LabActions::exportSliceDicom() {
    const auto steps = look_.steps();
    if (!steps) return emit failed("Nothing reconstructed in the Look view yet");
    if (!steps->inHu())
        return emit failed("A CT image is in Hounsfield units, and this slice has no attenuation scale");
    const QString path = askSavePath("Export Slice as DICOM", QFileInfo(steps->input.name).completeBaseName() + ".dcm",
                                     "DICOM files (*.dcm)");
    if (path.isEmpty()) return;
    try {
        SaveBytes(path, lab::CtDicomBytes(look_.slice(), steps->input.pixelMm), "");
        emit status("Saved " + path);
    } catch (const std::exception& error) {
        emit failed(error.what());
    }
}

void LabActions::openInSinora() {
    if (scans_.savedPath().isEmpty() && !saveSinogram()) return;
    // As the desktop entry starts Sinora: in the work folder, with the
    // samples, its first open dialog on the file.
    QString session = QDir(QApplication::applicationDirPath()).filePath("sinora-session");
    if (!QFileInfo(session).isExecutable()) session = QStandardPaths::findExecutable("sinora-session");
    if (session.isEmpty() || !QProcess::startDetached(session, {"--", scans_.savedPath()}))
        emit failed("Sinora could not be started: sinora-session is neither beside Sinora Lab nor on the PATH");
}

void LabActions::openDocument(const QString& relativePath) {
    const QString path = DocumentPath(relativePath);
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        emit failed("Cannot show " + path + ": it is not installed, or nothing on this system opens it");
}

}  // namespace labwin
