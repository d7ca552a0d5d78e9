// lab_window.cpp
#include "tools/lab_window/lab_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include <cstdio>

#include "tools/lab/commands.h"
#include "tools/lab/slice_files.h"
#include "tools/lab_window/compare_page.h"
#include "tools/lab_window/filter_panel.h"
#include "tools/lab_window/image_view.h"
#include "tools/lab_window/look_model.h"
#include "tools/lab_window/look_page.h"
#include "tools/lab_window/slice_view.h"
#include "tools/lab_window/previews.h"
#include "tools/lab_window/remembered_choices.h"
#include "tools/lab_window/save_files.h"
#include "tools/lab_window/save_names.h"
#include "tools/lab_window/scan_panel.h"
#include "tools/lab_window/source_panel.h"

namespace labwin {

namespace {

QString OpenFilter() {
    QStringList patterns{"*.sino", "*.dcm"};
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(suffix);
    return "Pictures, DICOM slices and sinograms (" + patterns.join(' ') + ");;All files (*)";
}

// A file or folder of the installed documents, found relative to the program.
QString DocumentPath(const QString& relativePath) {
    return QDir::cleanPath(QDir(QApplication::applicationDirPath()).filePath(SINORA_DOC_FROM_BIN "/" + relativePath));
}

}  // namespace

LabWindow::LabWindow(bool timings, QWidget* parent) : QMainWindow(parent), timings_(timings) {
    setAcceptDrops(true);
    sinogramView_ = new ImageView("Sinogram");
    sinogramView_->setAxes(SinogramChannelAxis(), SinogramAngleAxis());
    reconstructionView_ = new ImageView("Reconstruction (Ram-Lak)");
    reconstructionView_->setToolTip(
        "Sinora's filtered back projection of this sinogram with the Ram-Lak kernel, "
        "as its full-range sum image");
    truthView_ = new ImageView("Truth");
    views_ = new QSplitter(Qt::Horizontal);
    views_->setObjectName("views");
    views_->addWidget(sinogramView_);
    views_->addWidget(reconstructionView_);
    views_->addWidget(truthView_);
    look_ = new LookModel(this);
    lookPage_ = new LookPage(*look_);
    comparePage_ = new ComparePage(*look_);
    connect(lookPage_, &LookPage::status, this, [this](const QString& m) { showStatus(m); });
    connect(comparePage_, &ComparePage::status, this, [this](const QString& m) { showStatus(m); });
    connect(look_, &LookModel::failed, this, &LabWindow::showFailure);
    pages_ = new QTabWidget;
    pages_->setObjectName("pages");
    pages_->addTab(views_, "Sc&an");
    // Many controls and panels: they scroll rather than hold the window large.
    for (QWidget* page : {static_cast<QWidget*>(lookPage_), static_cast<QWidget*>(comparePage_)}) {
        auto* scroller = new QScrollArea;
        scroller->setWidget(page);
        scroller->setWidgetResizable(true);
        scroller->setFrameShape(QFrame::NoFrame);
        pages_->addTab(scroller, page == lookPage_ ? "&Look" : "Co&mpare");
    }
    setCentralWidget(pages_);

    // The panels at the left run the window's full height, the filter below
    // the views.
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    sourcePanel_ = new SourcePanel(model_);
    connect(sourcePanel_, &SourcePanel::openRequested, this, &LabWindow::chooseFile);
    addPanel("Source", "source", sourcePanel_, Qt::LeftDockWidgetArea);
    scanPanel_ = new ScanPanel;
    scanPanel_->restoreSettings(settings_.settings());
    connect(scanPanel_, &ScanPanel::changed, this, &LabWindow::scanOptionsChanged);
    // Many controls: they scroll when the window is small.
    auto* scroller = new QScrollArea;
    scroller->setWidget(scanPanel_);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setMinimumWidth(scanPanel_->sizeHint().width() + 20);
    addPanel("Scan", "scan", scroller, Qt::LeftDockWidgetArea);
    filterPanel_ = new FilterPanel;
    connect(filterPanel_, &FilterPanel::changed, this, &LabWindow::filterChanged);
    connect(filterPanel_, &FilterPanel::saveRequested, this, &LabWindow::saveFilter);
    addPanel("Filter", "filter", filterPanel_, Qt::BottomDockWidgetArea);
    buildMenus();
    busyLabel_ = new QLabel;
    statusBar()->addPermanentWidget(busyLabel_);

    connect(&model_, &ScanModel::resultReady, this, &LabWindow::showResult);
    connect(&model_, &ScanModel::failed, this, &LabWindow::showFailure);
    connect(&model_, &ScanModel::busyChanged, this,
            [this](bool busy) { busyLabel_->setText(busy ? "Scanning..." : QString()); });

    const QSettings& settings = settings_.settings();
    resize(1200, 800);
    restoreGeometry(settings.value("window/geometry").toByteArray());
    restoreState(settings.value("window/panels").toByteArray());
    views_->restoreState(settings.value("window/views").toByteArray());
    lastFolder_ = settings.value("open/folder", WorkFolder()).toString();
    filterPanel_->setChoice(RememberedFilter(settings));

    scanOptionsChanged();
    syncSourceControls();
    if (!settings_.problem().isEmpty()) showStatus(settings_.problem() + ": the window's settings are neither read nor kept");
}

QDockWidget* LabWindow::addPanel(const QString& title, const QString& name, QWidget* panel, Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(name);  // saveState() knows panels by name
    dock->setWidget(panel);
    addDockWidget(area, dock);
    return dock;
}

void LabWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QToolBar* tools = addToolBar("Tools");
    tools->setObjectName("tools");
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);

    QAction* open = file->addAction("&Open...", this, &LabWindow::chooseFile);
    open->setShortcut(QKeySequence::Open);
    tools->addAction(open);
    QAction* save = file->addAction("&Save Sinogram...", this, &LabWindow::saveSinogram);
    save->setShortcut(QKeySequence::Save);
    tools->addAction(save);
    QAction* truth = file->addAction("Save &Truth Picture...", this, &LabWindow::saveTruth);
    file->addAction("Save &Filter...", this, &LabWindow::saveFilter);
    QMenu* pictures = file->addMenu("Save Picture &of");
    pictures->addAction("Sinogram...", this, [this] { savePicture(sinogramView_, "sinogram"); });
    pictures->addAction("Reconstruction...", this, [this] { savePicture(reconstructionView_, "reconstruction"); });
    pictures->addAction("Truth...", this, [this] { savePicture(truthView_, "truth"); });
    pictures->addAction("Filter...", this, [this] { savePicture(filterPanel_, "filter"); });
    pictures->addAction("Whole Window...", this, [this] { savePicture(this, "window"); });
    file->addAction("Export the Look &Panels as PNG...", this, &LabWindow::exportLookPanels);
    file->addAction("Export the Look Slice as &DICOM...", this, &LabWindow::exportSliceDicom);
    file->addSeparator();
    QAction* sinora = file->addAction("Open in Si&nora", this, &LabWindow::openInSinora);
    sinora->setToolTip("Save the sinogram if needed and start Sinora with it chosen");
    tools->addAction(sinora);
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    needsScan_ = {save, truth, sinora};
    for (QAction* action : needsScan_) action->setEnabled(false);

    QMenu* view = menuBar()->addMenu("&View");
    const QStringList pageNames{"&Scan", "&Look", "&Compare"};
    for (int k = 0; k < pageNames.size(); ++k) {
        QAction* page = view->addAction(pageNames[k], this, [this, k] { pages_->setCurrentIndex(k); });
        page->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + k)));
    }
    view->addSeparator();
    for (QDockWidget* dock : findChildren<QDockWidget*>()) view->addAction(dock->toggleViewAction());
    view->addAction(tools->toggleViewAction());

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&User Guide", this, [this] { openDocument("README.md"); });
    // The lessons' first page, when the documents hold them (pandoc made them at build time).
    if (QFileInfo::exists(DocumentPath("lessons/index.html")))
        help->addAction("&Lessons", this, [this] { openDocument("lessons/index.html"); });
    help->addAction("&About Sinora Lab", this, [this] {
        QMessageBox::about(this, "About Sinora Lab",
                           "Sinora Lab " + QApplication::applicationVersion() +
                               "\nMakes sinograms of pictures, CT slices and phantoms, and filter files, for Sinora.");
    });
}

void LabWindow::openPath(const QString& path) {
    quietFailure_ = false;
    lastFolder_ = QFileInfo(path).absolutePath();
    model_.openFile(path);
}

void LabWindow::lookAt(const QString& path) {
    pages_->setCurrentIndex(1);
    lookPage_->openSinogram(path);
}

void LabWindow::showStatus(const QString& message, int timeoutMs) {
    statusBar()->showMessage(message, timeoutMs);
    // With --timings the status line is also written out, for scripts.
    if (timings_) {
        fprintf(stderr, "status: %s\n", qPrintable(message));
        fflush(stderr);
    }
}

void LabWindow::exportLookPanels() {
    savePicture(lookPage_, "look");
}

void LabWindow::exportSliceDicom() {
    const auto steps = look_->steps();
    if (!steps) return showFailure("Nothing reconstructed in the Look view yet");
    if (!steps->inHu())
        return showFailure("A CT image is in Hounsfield units, and this slice has no attenuation scale");
    const QString path = askSavePath("Export Slice as DICOM", QFileInfo(steps->input.name).completeBaseName() + ".dcm",
                                     "DICOM files (*.dcm)");
    if (path.isEmpty()) return;
    try {
        SaveBytes(path, lab::CtDicomBytes(look_->slice(), steps->input.pixelMm), "");
        showStatus("Saved " + path);
    } catch (const std::exception& error) {
        showFailure(error.what());
    }
}

void LabWindow::openLastSource() {
    QString vanished;
    const SourceSpec source = RememberedSource(settings_.settings(), &vanished);
    if (!vanished.isEmpty()) statusBar()->showMessage("The last source, " + vanished + ", is gone", 10000);
    if (source.kind == SourceSpec::Kind::Phantom) {
        model_.setSource(source);
        return;
    }
    model_.openFile(QString::fromStdString(source.path), source.frame);
    quietFailure_ = true;
}

void LabWindow::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(this, "Open", lastFolder_, OpenFilter());
    if (!path.isEmpty()) openPath(path);
}

void LabWindow::scanOptionsChanged() { model_.setOptions(scanPanel_->options(model_.options())); }

void LabWindow::filterChanged(const FilterChoice& filter) {
    model_.setFilter(filter);
    look_->setDesignedFilter(filter);
}

void LabWindow::syncSourceControls() {
    sourcePanel_->sync();
    scanPanel_->setScannable(model_.source().kind != SourceSpec::Kind::Sinogram);
}

void LabWindow::showResult() {
    const auto scan = model_.latest();
    const SourceSpec& source = scan->request.source;
    quietFailure_ = false;
    setWindowTitle(SourceStem(source));
    sourcePanel_->setDescription(QString::fromStdString(scan->description));
    syncSourceControls();
    sinogramView_->setImage(SinogramPicture(scan->integrals));
    look_->setScanSinogram(scan->integrals, SourceStem(source), scan->hasTruth ? scan->truth.pixelMm : 0.0);
    reconstructionView_->setImage(scan->reconstruction);
    reconstructionView_->setAxes(FieldAxis(*scan, false), FieldAxis(*scan, true));
    truthView_->setVisible(scan->hasTruth);
    if (scan->hasTruth) {
        truthView_->setImage(TruthPicture(*scan));
        truthView_->setAxes(FieldAxis(*scan, false), FieldAxis(*scan, true));
        truthView_->setGreyScale(TruthScale(*scan));
    }
    for (QAction* action : needsScan_) action->setEnabled(true);
    if (timings_) {
        views_->repaint();
        fprintf(stderr, "redraw: %lld ms from the change to the preview on screen\n",
                static_cast<long long>(model_.millisecondsSinceChange()));
    }
}

void LabWindow::showFailure(const QString& message) {
    syncSourceControls();
    showStatus(message, 10000);
    if (quietFailure_) {
        quietFailure_ = false;
        if (!model_.latest()) model_.setSource(SourceSpec{});
        return;
    }
    QMessageBox::warning(this, "Sinora Lab", message);
}

QString LabWindow::askSavePath(const QString& title, const QString& name, const QString& filter) {
    const QString proposal = ProposedPath(WorkFolder(), name, model_.openedFiles());
    return QFileDialog::getSaveFileName(this, title, proposal, filter);
}

bool LabWindow::saveSinogram() {
    if (!model_.latest()) return false;
    const auto& scan = *model_.latest();
    const QString path = askSavePath("Save Sinogram", ScanStem(scan.request.source, scan.request.options) + ".sino",
                                     "Sinograms (*.sino);;All files (*)");
    if (path.isEmpty()) return false;
    try {
        model_.saveSinogram(path);
    } catch (const std::exception& error) {
        showFailure(error.what());
        return false;
    }
    statusBar()->showMessage("Saved " + path, 10000);
    return true;
}

void LabWindow::saveTruth() {
    if (!model_.latest()) return;
    const auto& scan = *model_.latest();
    const QString path =
        askSavePath("Save Truth Picture", ScanStem(scan.request.source, scan.request.options) + "_truth.png",
                    "PNG pictures (*.png)");
    if (path.isEmpty()) return;
    try {
        model_.saveTruth(path);
        statusBar()->showMessage("Saved " + path, 10000);
    } catch (const std::exception& error) {
        showFailure(error.what());
    }
}

void LabWindow::saveFilter() {
    const FilterChoice& filter = model_.filter();
    const QString path = askSavePath("Save Filter", FilterFileName(filter), "Filter files (*.txt);;All files (*)");
    if (path.isEmpty()) return;
    lab::FilterOptions options;
    options.name = filter.kind;
    options.cutoff = filter.cutoff;
    options.scale = filter.scale;
    options.output = path.toStdString();
    try {
        lab::RunFilterCommand(options);
        statusBar()->showMessage("Saved " + path, 10000);
    } catch (const std::exception& error) {
        showFailure(error.what());
    }
}

void LabWindow::savePicture(QWidget* widget, const QString& what) {
    const QString stem = model_.latest() ? SourceStem(model_.source()) + "_" : QString();
    const QString path = askSavePath("Save Picture", stem + what + ".png", "PNG pictures (*.png)");
    if (path.isEmpty()) return;
    try {
        SavePng(path, widget->grab().toImage(), model_.source().path);
        statusBar()->showMessage("Saved " + path, 10000);
    } catch (const std::exception& error) {
        showFailure(error.what());
    }
}

void LabWindow::openInSinora() {
    if (model_.savedPath().isEmpty() && !saveSinogram()) return;
    // As the desktop entry starts Sinora: in the work folder, with the
    // samples, its first open dialog on the file.
    QString session = QDir(QApplication::applicationDirPath()).filePath("sinora-session");
    if (!QFileInfo(session).isExecutable()) session = QStandardPaths::findExecutable("sinora-session");
    if (session.isEmpty() || !QProcess::startDetached(session, {"--", model_.savedPath()}))
        showFailure("Sinora could not be started: sinora-session is neither beside Sinora Lab nor on the PATH");
}

void LabWindow::openDocument(const QString& relativePath) {
    const QString path = DocumentPath(relativePath);
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        showFailure("Cannot show " + path + ": it is not installed, or nothing on this system opens it");
}

void LabWindow::closeEvent(QCloseEvent* event) {
    QSettings& settings = settings_.settings();
    settings.setValue("window/geometry", saveGeometry());
    settings.setValue("window/panels", saveState());
    settings.setValue("window/views", views_->saveState());
    settings.setValue("open/folder", lastFolder_);
    scanPanel_->saveSettings(settings);
    RememberFilter(settings, model_.filter());
    if (model_.latest()) RememberSource(settings, model_.latest()->request.source);
    settings.sync();
    event->accept();
}

void LabWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void LabWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    openPath(urls.first().toLocalFile());
}

}  // namespace labwin
