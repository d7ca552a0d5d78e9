// scan_panel.h - the Scan panel: what the scanner does to the source (the
// dose and its noise, and the imperfections of a real scanner), each
// control with a one-line tooltip saying what it simulates.
#pragma once

#include <QWidget>

#include "lab/window/scan/scan_request.h"

class QCheckBox;
class QSettings;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QSlider;
class QSpinBox;

namespace labwin {

class RowListEditor;

class ScanPanel : public QWidget {
    Q_OBJECT
public:
    explicit ScanPanel(QWidget* parent = nullptr);

    // The panel's choices on `base`, whose field of view it keeps.
    ScanOptions options(ScanOptions base) const;
    // A sinogram file is shown as it is: nothing to choose.
    void setScannable(bool scannable);

    // Every control's value, remembered between starts (changed() when
    // restored).
    void saveSettings(QSettings& settings) const;
    void restoreSettings(const QSettings& settings);

signals:
    void changed();

private:
    void addArtifactControls();
    lab::ArtifactOptions artifacts() const;
    void update();

    QFormLayout* form_ = nullptr;
    QCheckBox* noiseBox_ = nullptr;
    QSlider* doseSlider_ = nullptr;
    QLabel* doseLabel_ = nullptr;
    QSpinBox* seedBox_ = nullptr;

    QComboBox* viewsBox_ = nullptr;
    QSpinBox* arcBox_ = nullptr;
    QDoubleSpinBox* gainSpreadBox_ = nullptr;
    QDoubleSpinBox* motionXBox_ = nullptr;
    QDoubleSpinBox* motionYBox_ = nullptr;
    QDoubleSpinBox* motionTurnBox_ = nullptr;
    QCheckBox* beamBox_ = nullptr;
    QSpinBox* kvpBox_ = nullptr;
    QDoubleSpinBox* filtrationBox_ = nullptr;
    QCheckBox* waterBox_ = nullptr;
    RowListEditor* gainsEditor_ = nullptr;
    RowListEditor* metalsEditor_ = nullptr;
};

}  // namespace labwin
