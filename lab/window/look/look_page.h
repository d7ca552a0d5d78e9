// look_page.h - the Look view: the program's reconstruction of a sinogram
// step by step, each step in its own titled panel, replayed angle by angle,
// with a probe, a measured circle and a line profile on the slice.
#pragma once

#include <QWidget>

#include "lab/window/look/look_model.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class QVBoxLayout;

namespace labwin {

class ImageView;
class SliceView;

class LookPage : public QWidget {
    Q_OBJECT
public:
    explicit LookPage(LookModel& model, QWidget* parent = nullptr);

    void openSinogram(const QString& path);
    void chooseSinogram();
    SliceView* sliceView() const { return slice_; }

signals:
    void status(const QString& message);

private:
    // The rows of controls above the panels, and the panels.
    QHBoxLayout* buildSourceRow();
    QHBoxLayout* buildReplayRow();
    QHBoxLayout* buildWindowRow();
    void addPanels(QVBoxLayout* layout);
    void connectSlice();

    void useScanSinogram();
    void chooseFilter(int index);
    void showSteps();
    void showAngle();
    void showWindow();
    void showCircle();
    void togglePlay();

    LookModel& model_;
    QString lastFolder_;  // where the open dialogs start

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
