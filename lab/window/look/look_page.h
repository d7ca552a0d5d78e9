// look_page.h - the Look view: the program's reconstruction of a sinogram
// step by step, each step in its own titled panel, replayed angle by angle,
// with a probe, a measured circle and a line profile on the slice.
#pragma once

#include <QWidget>

#include <QTemporaryDir>

#include "lab/files/signal_cleanup.h"
#include "lab/window/look/look_model.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace labwin {

class ImageView;
class SliceView;

class LookPage : public QWidget {
    Q_OBJECT
public:
    explicit LookPage(LookModel& model, QWidget* parent = nullptr);

    void openSinogram(const QString& path);
    // The Scan panels' latest sinogram and the Filter panel's design, for
    // when the user picks them.
    // `pixelMm`: the field pixel it was made with (0: not made by the lab).
    void setScanSinogram(const std::vector<double>& integrals, const QString& name, double pixelMm);
    void setDesignedFilter(const std::string& kind, double cutoff, double scale);
    void chooseSinogram();
    SliceView* sliceView() const { return slice_; }

signals:
    void status(const QString& message);

private:
    void rerun();
    void showSteps();
    void showAngle();
    void showWindow();
    void showCircle();
    void togglePlay();

    LookModel& model_;
    QTemporaryDir filterFolder_;
    // Removed, with the designed filter in it, when a signal ends the window.
    lab::RemovedOnSignal filterFolderOnSignal_{filterFolder_.path().toStdString(), true};
    lab::RemovedOnSignal designedOnSignal_{filterFolder_.filePath("designed.txt").toStdString(), false};
    std::vector<double> scanIntegrals_;
    QString scanName_;
    double scanPixelMm_ = 1.0;
    std::vector<double> integrals_;
    QString name_;
    std::string designedKind_ = "ramlak";
    double designedCutoff_ = 1.0, designedScale_ = 100.0;
    QString lastFolder_;
    QString filterFile_;

    QComboBox* filterBox_ = nullptr;
    QCheckBox* labMade_ = nullptr;
    QDoubleSpinBox* pixelMm_ = nullptr;
    QSlider* angleSlider_ = nullptr;
    QSpinBox* angleBox_ = nullptr;
    QPushButton* play_ = nullptr;
    QSpinBox* speed_ = nullptr;
    QTimer* timer_ = nullptr;
    QSpinBox* centreBox_ = nullptr;
    QSpinBox* widthBox_ = nullptr;
    QComboBox* mapBox_ = nullptr;
    QLabel* unitsLabel_ = nullptr;
    QLabel* circleLabel_ = nullptr;
    ImageView* sinogram_ = nullptr;
    ImageView* filter_ = nullptr;
    ImageView* projection_ = nullptr;
    ImageView* profile_ = nullptr;
    SliceView* view_ = nullptr;
    SliceView* partial_ = nullptr;
    SliceView* slice_ = nullptr;
};

}  // namespace labwin
