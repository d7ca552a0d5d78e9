// lab_window.cpp
#include "lab/window/lab_window.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>

#include <cstdio>

#include "lab/window/look/compare_page.h"
#include "lab/window/filter_panel.h"
#include "lab/window/widgets/image_view.h"
#include "lab/window/lab_actions.h"
#include "lab/window/look/look_model.h"
#include "lab/window/look/look_page.h"
#include "lab/window/widgets/previews.h"
#include "lab/window/remembered_choices.h"
#include "lab/window/scan/save_names.h"
#include "lab/window/scan_panel.h"
#include "lab/window/source_panel.h"

namespace labwin {

namespace {

QString OpenFilter() {
    QStringList patterns{"*.sino", "*.dcm"};
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(suffix);
    return "Pictures, DICOM slices and sinograms (" + patterns.join(' ') + ");;All files (*)";
}

// Many controls and panels: they scroll rather than hold the window large.
QScrollArea* Scrolling(QWidget* widget) {
    auto* scroller = new QScrollArea;
    scroller->setWidget(widget);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    return scroller;
}

}  // namespace

LabWindow::LabWindow(bool timings, QWidget* parent) : QMainWindow(parent), timings_(timings) {
    setAcceptDrops(true);
    setCentralWidget(buildPages());
    addPanels();
    buildActions();
    busyLabel_ = new QLabel;
    statusBar()->addPermanentWidget(busyLabel_);

    connect(&model_, &ScanModel::resultReady, this, &LabWindow::showResult);
    connect(&model_, &ScanModel::failed, this, &LabWindow::showFailure);
    connect(&model_, &ScanModel::busyChanged, this,
            [this](bool busy) { busyLabel_->setText(busy ? "Scanning..." : QString()); });

    restoreSettings();
    scanOptionsChanged();
    syncSourceControls();
    if (!settings_.problem().isEmpty()) showStatus(settings_.problem() + ": the window's settings are neither read nor kept");
}

QTabWidget* LabWindow::buildPages() {
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
    pages_->addTab(Scrolling(lookPage_), "&Look");
    pages_->addTab(Scrolling(comparePage_), "Co&mpare");
    return pages_;
}

void LabWindow::addPanels() {
    // The panels at the left run the window's full height, the filter below
    // the views.
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    sourcePanel_ = new SourcePanel(model_);
    connect(sourcePanel_, &SourcePanel::openRequested, this, &LabWindow::chooseFile);
    addPanel("Source", "source", sourcePanel_, Qt::LeftDockWidgetArea);
    scanPanel_ = new ScanPanel;
    scanPanel_->restoreSettings(settings_.settings());
    connect(scanPanel_, &ScanPanel::changed, this, &LabWindow::scanOptionsChanged);
    QScrollArea* scroller = Scrolling(scanPanel_);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setMinimumWidth(scanPanel_->sizeHint().width() + 20);
    addPanel("Scan", "scan", scroller, Qt::LeftDockWidgetArea);
    filterPanel_ = new FilterPanel;
    connect(filterPanel_, &FilterPanel::changed, this, &LabWindow::filterChanged);
    addPanel("Filter", "filter", filterPanel_, Qt::BottomDockWidgetArea);
}

void LabWindow::buildActions() {
    ActionTargets targets;
    targets.pages = pages_;
    targets.lookPanels = lookPage_;
    targets.pictures = {{"Sinogram...", sinogramView_, "sinogram"},
                        {"Reconstruction...", reconstructionView_, "reconstruction"},
                        {"Truth...", truthView_, "truth"},
                        {"Filter...", filterPanel_, "filter"},
                        {"Whole Window...", this, "window"}};
    actions_ = new LabActions(*this, model_, *look_, targets);
    connect(actions_, &LabActions::openRequested, this, &LabWindow::chooseFile);
    connect(actions_, &LabActions::status, this, [this](const QString& m) { showStatus(m); });
    connect(actions_, &LabActions::failed, this, &LabWindow::showFailure);
    connect(filterPanel_, &FilterPanel::saveRequested, actions_, &LabActions::saveFilter);
}

QDockWidget* LabWindow::addPanel(const QString& title, const QString& name, QWidget* panel, Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(name);  // saveState() knows panels by name
    dock->setWidget(panel);
    addDockWidget(area, dock);
    return dock;
}

void LabWindow::restoreSettings() {
    const QSettings& settings = settings_.settings();
    resize(1200, 800);
    restoreGeometry(settings.value("window/geometry").toByteArray());
    restoreState(settings.value("window/panels").toByteArray());
    views_->restoreState(settings.value("window/views").toByteArray());
    lastFolder_ = settings.value("open/folder", WorkFolder()).toString();
    filterPanel_->setChoice(RememberedFilter(settings));
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
    actions_->enableScanActions();
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
