// scan_panel.cpp
#include "tools/lab_window/scan_panel.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

#include "tools/lab_window/save_names.h"

namespace labwin {

namespace {

// The dose slider counts tenths of a decade.
constexpr int DoseSteps = 10;
double DoseFromSlider(int position) { return std::round(std::pow(10.0, double(position) / DoseSteps)); }

}  // namespace

ScanPanel::ScanPanel(QWidget* parent) : QWidget(parent) {
    form_ = new QFormLayout(this);
    noiseBox_ = new QCheckBox("Counting noise");
    noiseBox_->setToolTip("Poisson noise of a scan with this many photons reaching each ray unattenuated: "
                          "fewer photons, a noisier sinogram");
    form_->addRow(noiseBox_);
    doseSlider_ = new QSlider(Qt::Horizontal);
    doseSlider_->setRange(2 * DoseSteps, 7 * DoseSteps);
    doseSlider_->setValue(4 * DoseSteps);
    doseSlider_->setToolTip("Photons per ray, from 100 to 10 million on a logarithmic scale");
    doseLabel_ = new QLabel;
    form_->addRow("Dose:", doseSlider_);
    form_->addRow("", doseLabel_);
    seedBox_ = new QSpinBox;
    seedBox_->setRange(0, 2147483647);
    seedBox_->setValue(1);
    seedBox_->setToolTip("Start of the random numbers: the same seed gives the same noise");
    form_->addRow("Seed:", seedBox_);
    connect(noiseBox_, &QCheckBox::toggled, this, &ScanPanel::update);
    connect(doseSlider_, &QSlider::valueChanged, this, &ScanPanel::update);
    connect(seedBox_, &QSpinBox::valueChanged, this, &ScanPanel::update);
    update();
}

ScanOptions ScanPanel::options(ScanOptions base) const {
    base.photons = noiseBox_->isChecked() ? DoseFromSlider(doseSlider_->value()) : 0.0;
    base.seed = static_cast<uint64_t>(seedBox_->value());
    return base;
}

void ScanPanel::setScannable(bool scannable) {
    for (QWidget* child : findChildren<QWidget*>()) child->setEnabled(scannable);
    if (scannable) update();
}

void ScanPanel::update() {
    doseLabel_->setText(QString("%1 photons per ray").arg(DoseText(DoseFromSlider(doseSlider_->value()))));
    doseSlider_->setEnabled(noiseBox_->isChecked());
    seedBox_->setEnabled(noiseBox_->isChecked());
    emit changed();
}

}  // namespace labwin
