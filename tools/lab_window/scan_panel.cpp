// scan_panel.cpp
#include "tools/lab_window/scan_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

#include "tools/lab/field_geometry.h"
#include "tools/lab/x_ray_physics.h"
#include "tools/lab_window/save_names.h"

namespace labwin {

namespace {

// The dose slider counts tenths of a decade.
constexpr int DoseSteps = 10;
double DoseFromSlider(int position) { return std::round(std::pow(10.0, double(position) / DoseSteps)); }

QDoubleSpinBox* NumberBox(double lo, double hi, double step, int decimals, const QString& suffix = QString()) {
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

// Controls side by side in one row of the form.
QWidget* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets) layout->addWidget(w);
    return row;
}

}  // namespace

ScanPanel::ScanPanel(QWidget* parent) : QWidget(parent) {
    form_ = new QFormLayout(this);
    noiseBox_ = new QCheckBox("Counting noise");
    noiseBox_->setToolTip(
        "Poisson noise of a scan with this many photons reaching each ray unattenuated: "
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
    addArtifactControls();
    for (QCheckBox* box : findChildren<QCheckBox*>()) connect(box, &QCheckBox::toggled, this, &ScanPanel::update);
    for (QComboBox* box : findChildren<QComboBox*>())
        connect(box, &QComboBox::currentIndexChanged, this, &ScanPanel::update);
    for (QSpinBox* box : findChildren<QSpinBox*>()) connect(box, &QSpinBox::valueChanged, this, &ScanPanel::update);
    for (QDoubleSpinBox* box : findChildren<QDoubleSpinBox*>())
        connect(box, &QDoubleSpinBox::valueChanged, this, &ScanPanel::update);
    connect(doseSlider_, &QSlider::valueChanged, this, &ScanPanel::update);
    update();
}

void ScanPanel::addArtifactControls() {
    viewsBox_ = new QComboBox;
    for (int n = lab::SinoAngles; n >= 1; --n)
        if (lab::SinoAngles % n == 0) viewsBox_->addItem(n == lab::SinoAngles ? "all 180" : QString::number(n), n);
    viewsBox_->setToolTip("Sparse views: only this many evenly spaced views are measured, the others are empty");
    form_->addRow("Views:", viewsBox_);
    arcBox_ = new QSpinBox;
    arcBox_->setRange(1, lab::SinoAngles);
    arcBox_->setValue(lab::SinoAngles);
    arcBox_->setSuffix(" degrees");
    arcBox_->setToolTip("Limited angle: only the views of this arc from 0 degrees are measured");
    form_->addRow("Arc:", arcBox_);
    gainSpreadBox_ = NumberBox(0.0, 0.5, 0.01, 2);
    gainSpreadBox_->setSpecialValueText("equal gains");
    gainSpreadBox_->setToolTip("Detector channels of unequal gain (this standard deviation about 1): rings");
    form_->addRow("Gain spread:", gainSpreadBox_);
    motionXBox_ = NumberBox(-64.0, 64.0, 1.0, 1, " px");
    motionYBox_ = NumberBox(-64.0, 64.0, 1.0, 1, " px");
    motionXBox_->setToolTip("The patient moves this far to the right between the first and the last view");
    motionYBox_->setToolTip("The patient moves this far upward between the first and the last view");
    form_->addRow("Motion x, y:", Row({motionXBox_, motionYBox_}));
    motionTurnBox_ = NumberBox(-45.0, 45.0, 1.0, 1, " degrees");
    motionTurnBox_->setToolTip("The patient turns this far about the centre between the first and the last view");
    form_->addRow("Motion turn:", motionTurnBox_);

    beamBox_ = new QCheckBox("Polychromatic beam");
    beamBox_->setToolTip("A tungsten tube's spectrum instead of one energy: beam hardening, cupping and streaks");
    form_->addRow(beamBox_);
    kvpBox_ = new QSpinBox;
    kvpBox_->setRange(40, 150);
    kvpBox_->setValue(120);
    kvpBox_->setSuffix(" kV");
    kvpBox_->setToolTip("The tube's peak voltage: lower, softer photons and more beam hardening");
    filtrationBox_ = NumberBox(0.0, 20.0, 0.5, 1, " mm Al");
    filtrationBox_->setValue(2.5);
    filtrationBox_->setToolTip("Aluminium filtering the beam: more, a harder beam and less hardening in the patient");
    form_->addRow("Tube:", Row({kvpBox_, filtrationBox_}));
    waterBox_ = new QCheckBox("Water correction");
    waterBox_->setToolTip("The scanner's beam-hardening correction, taking every path as water: bone still streaks");
    form_->addRow(waterBox_);

    metalBox_ = new QCheckBox("Metal disc");
    metalBox_->setToolTip("A metal implant replacing the object where it lies: dark and bright streaks");
    form_->addRow(metalBox_);
    metalKindBox_ = new QComboBox;
    for (const std::string& name : lab::MetalNames()) metalKindBox_->addItem(QString::fromStdString(name));
    metalKindBox_->setToolTip("The metal: the denser, the stronger its streaks");
    metalRadiusBox_ = NumberBox(1.0, 64.0, 1.0, 1, " px");
    metalRadiusBox_->setValue(6.0);
    metalRadiusBox_->setToolTip("The disc's radius in field pixels");
    form_->addRow("Metal:", Row({metalKindBox_, metalRadiusBox_}));
    metalXBox_ = NumberBox(-127.0, 127.0, 1.0, 1, " px");
    metalYBox_ = NumberBox(-127.0, 127.0, 1.0, 1, " px");
    metalXBox_->setValue(30.0);
    metalXBox_->setToolTip("The disc's centre, pixels right of the field's centre");
    metalYBox_->setToolTip("The disc's centre, pixels above the field's centre");
    form_->addRow("Metal at:", Row({metalXBox_, metalYBox_}));
}

lab::ArtifactOptions ScanPanel::artifacts() const {
    lab::ArtifactOptions a;
    const int views = viewsBox_->currentData().toInt();
    a.views = views == lab::SinoAngles ? 0 : views;
    a.arcDegrees = arcBox_->value() == lab::SinoAngles ? 0 : arcBox_->value();
    a.gainSpread = gainSpreadBox_->value();
    a.motionX = motionXBox_->value();
    a.motionY = motionYBox_->value();
    a.motionDegrees = motionTurnBox_->value();
    if (beamBox_->isChecked()) {
        a.kvp = kvpBox_->value();
        a.filtrationMm = filtrationBox_->value();
        a.waterCorrection = waterBox_->isChecked();
    }
    if (metalBox_->isChecked()) {
        lab::MetalDisc disc;
        disc.x = metalXBox_->value();
        disc.y = metalYBox_->value();
        disc.radius = metalRadiusBox_->value();
        disc.material = lab::MetalNamed(metalKindBox_->currentText().toStdString());
        a.metals.push_back(disc);
    }
    return a;
}

ScanOptions ScanPanel::options(ScanOptions base) const {
    base.photons = noiseBox_->isChecked() ? DoseFromSlider(doseSlider_->value()) : 0.0;
    base.seed = static_cast<uint64_t>(seedBox_->value());
    base.artifacts = artifacts();
    return base;
}

void ScanPanel::setScannable(bool scannable) {
    for (QWidget* child : findChildren<QWidget*>()) child->setEnabled(scannable);
    if (scannable) update();
}

void ScanPanel::update() {
    doseLabel_->setText(QString("%1 photons per ray").arg(DoseText(DoseFromSlider(doseSlider_->value()))));
    doseSlider_->setEnabled(noiseBox_->isChecked());
    // The seed drives the noise and the spread of the gains.
    seedBox_->setEnabled(noiseBox_->isChecked() || gainSpreadBox_->value() > 0.0);
    for (QWidget* w : std::initializer_list<QWidget*>{kvpBox_, filtrationBox_, waterBox_})
        w->setEnabled(beamBox_->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{metalKindBox_, metalRadiusBox_, metalXBox_, metalYBox_})
        w->setEnabled(metalBox_->isChecked());
    emit changed();
}

}  // namespace labwin
