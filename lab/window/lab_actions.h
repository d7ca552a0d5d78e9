// lab_actions.h - the window's menus and tool bar, and what they do: the
// sinogram, truth, filter and pictures saved, the Look view's slice
// exported, Sinora started on the sinogram, the documents shown.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;
class QTabWidget;
class QToolBar;
class QWidget;

namespace labwin {

class LookModel;
class ScanModel;

// A picture the File menu saves: its item, the widget drawn, the end of
// the proposed name.
struct SavedPicture {
    QString item;
    QWidget* widget = nullptr;
    QString what;
};

// The window's parts that the actions switch between or save.
struct ActionTargets {
    QTabWidget* pages = nullptr;    // the Scan, Look and Compare views
    QWidget* lookPanels = nullptr;  // the Look view
    QList<SavedPicture> pictures;
};

class LabActions : public QObject {
    Q_OBJECT
public:
    // The menus and tool bar, in `window` with its panels already docked
    // (the View menu lists them).
    LabActions(QMainWindow& window, ScanModel& scans, LookModel& look, const ActionTargets& targets);

    // The actions that need a scan, enabled once there is one.
    void enableScanActions();
    void saveFilter();

signals:
    void openRequested();
    // For the status line (failed(): also a dialog).
    void status(const QString& message);
    void failed(const QString& message);

private:
    void addFileMenu(QMenu* file, QToolBar* tools);
    void addViewMenu(QToolBar* tools);
    void addHelpMenu();

    // False when the user cancelled or the file could not be written (the
    // reason shown).
    bool saveSinogram();
    void saveTruth();
    void savePicture(QWidget* widget, const QString& what);
    void exportSliceDicom();
    QString askSavePath(const QString& title, const QString& name, const QString& filter);
    // Shown for a while in the status line.
    void showSaved(const QString& path);
    void openInSinora();
    void openDocument(const QString& relativePath);

    QMainWindow& window_;
    ScanModel& scans_;
    LookModel& look_;
    ActionTargets targets_;
    QList<QAction*> needsScan_;
};

}  // namespace labwin
