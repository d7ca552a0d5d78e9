// lab_window.h - Sinora Lab's main window: the views of the scan in the
// middle, the Source, Scan and Filter panels docked around them, the menus'
// actions; what it remembers between starts.
#pragma once

#include <QMainWindow>

#include "lab/window/scan/scan_model.h"
#include "lab/window/window_settings.h"

class QLabel;
class QSplitter;
class QTabWidget;

namespace labwin {

class ComparePage;
class FilterPanel;
class ImageView;
class LabActions;
class LookModel;
class LookPage;
class ScanPanel;
class SourcePanel;

class LabWindow : public QMainWindow {
    Q_OBJECT
public:
    // `timings`: each redraw's time from the change to the preview on
    // screen, on standard error.
    explicit LabWindow(bool timings, QWidget* parent = nullptr);

    ScanModel& model() { return model_; }
    void openPath(const QString& path);
    // The sinogram in the Look view, shown.
    void lookAt(const QString& path);
    // The source of the last run, where it can still be read; else the
    // default phantom, the reason in the status bar (no dialog at a start).
    void openLastSource();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The Scan, Look and Compare views.
    QTabWidget* buildPages();
    void addPanels();
    void buildActions();
    QDockWidget* addPanel(const QString& title, const QString& name, QWidget* panel, Qt::DockWidgetArea area);
    void restoreSettings();

    void chooseFile();
    void scanOptionsChanged();
    void filterChanged(const FilterChoice& filter);
    void showResult();
    void showFailure(const QString& message);
    void syncSourceControls();
    // Shown until the next one, or for `timeoutMs` when not 0.
    void showStatus(const QString& message, int timeoutMs = 0);

    WindowSettings settings_;
    ScanModel model_;
    bool timings_;
    QString lastFolder_;
    bool quietFailure_ = false;  // reopening the last source

    QTabWidget* pages_ = nullptr;
    LookModel* look_ = nullptr;
    LookPage* lookPage_ = nullptr;
    ComparePage* comparePage_ = nullptr;
    QSplitter* views_ = nullptr;
    ImageView* sinogramView_ = nullptr;
    ImageView* reconstructionView_ = nullptr;
    ImageView* truthView_ = nullptr;

    SourcePanel* sourcePanel_ = nullptr;
    ScanPanel* scanPanel_ = nullptr;
    FilterPanel* filterPanel_ = nullptr;
    LabActions* actions_ = nullptr;
    QLabel* busyLabel_ = nullptr;
};

}  // namespace labwin
