// scan_panel.cpp
#include "lab/window/scan_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

#include "lab/core/field_geometry.h"
#include "lab/core/option_bounds.h"
#include "lab/core/option_table.h"
#include "lab/objects/x_ray_physics.h"
#include "lab/window/widgets/row_list_editor.h"
#include "lab/window/scan/save_names.h"

namespace labwin {

namespace {

// The dose slider counts tenths of a decade.
constexpr int DoseSteps = 10;
double DoseFromSlider(int position) { return std::round(std::pow(10.0, double(position) / DoseSteps)); }
int SliderFromDose(double photons) { return static_cast<int>(std::lround(std::log10(photons) * DoseSteps)); }

// A control of an option, as the option table offers it; named by the
// option.
template <typename Box>
void Offer(Box* box, const lab::OptionRow& row) {
    box->setObjectName(row.name);
    box->setRange(row.control.min, row.control.max);
    if (*row.unit != '\0') box->setSuffix(QStringLiteral(" ") + row.unit);
    box->setValue(lab::ControlStart(row));
    if (row.control.tip) box->setToolTip(row.control.tip);
}

QSpinBox* WholeBox(const lab::OptionRow& row) {
    auto* box = new QSpinBox;
    Offer(box, row);
    return box;
}

QDoubleSpinBox* NumberBox(const lab::OptionRow& row, double step, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setSingleStep(step);
    box->setDecimals(decimals);
    Offer(box, row);
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

// A typed number, or NaN (which every check refuses).
double Typed(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::nan("");
}

// The first of `texts` that is not a number, said as the command line says it.
QString NotANumber(const QStringList& texts) {
    for (const QString& text : texts)
        if (std::isnan(Typed(text))) return "'" + text + "' is not a number";
    return QString();
}

// The rows of the editors: "CHANNEL", "FACTOR" and "X", "Y", "R", "MATERIAL",
// checked as --gain and --metal check them.
QString GainRowProblem(const QStringList& row) {
    const QString typed = NotANumber(row);
    if (!typed.isEmpty()) return typed;
    return QString::fromStdString(lab::GainProblem(Typed(row[0]), Typed(row[1])));
}

QString MetalRowProblem(const QStringList& row) {
    const QString typed = NotANumber(row.mid(0, 3));
    if (!typed.isEmpty()) return typed;
    const std::string centre = lab::MetalCentreProblem(Typed(row[0]), Typed(row[1]));
    return QString::fromStdString(!centre.empty() ? centre : lab::MetalRadiusProblem(Typed(row[2])));
}

lab::ChannelGain GainOf(const QStringList& row) { return {static_cast<int>(Typed(row[0])), Typed(row[1])}; }

lab::MetalDisc MetalOf(const QStringList& row) {
    lab::MetalDisc disc;
    disc.x = Typed(row[0]);
    disc.y = Typed(row[1]);
    disc.radius = Typed(row[2]);
    disc.material = lab::MetalNamed(row[3].toStdString());
    return disc;
}

QStringList MetalChoices() {
    QStringList names;
    for (const std::string& name : lab::MetalNames()) names << QString::fromStdString(name);
    return names;
}

// Remembered as the command line writes them: "364:0.9", "30,0,6,titanium".
QStringList Joined(const QList<QStringList>& rows, const QString& separator) {
    QStringList texts;
    for (const QStringList& row : rows) texts << row.join(separator);
    return texts;
}

QList<QStringList> Split(const QStringList& texts, const QString& separator) {
    QList<QStringList> rows;
    for (const QString& text : texts) rows << text.split(separator);
    return rows;
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
    doseSlider_->setObjectName(lab::NoiseOption.name);
    doseSlider_->setRange(SliderFromDose(lab::NoiseOption.control.min), SliderFromDose(lab::NoiseOption.control.max));
    doseSlider_->setValue(SliderFromDose(lab::ControlStart(lab::NoiseOption)));
    doseSlider_->setToolTip(lab::NoiseOption.control.tip);
    doseLabel_ = new QLabel;
    form_->addRow("Dose:", doseSlider_);
    form_->addRow("", doseLabel_);
    seedBox_ = WholeBox(lab::SeedOption);
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
    arcBox_ = WholeBox(lab::ArcOption);
    form_->addRow("Arc:", arcBox_);
    gainSpreadBox_ = NumberBox(lab::GainSpreadOption, 0.01, 2);
    gainSpreadBox_->setSpecialValueText("equal gains");
    form_->addRow("Gain spread:", gainSpreadBox_);
    motionXBox_ = NumberBox(lab::MotionOption, 1.0, 1);
    motionYBox_ = NumberBox(lab::MotionOption, 1.0, 1);
    motionXBox_->setToolTip("The patient moves this far to the right between the first and the last view");
    motionYBox_->setToolTip("The patient moves this far upward between the first and the last view");
    form_->addRow("Motion x, y:", Row({motionXBox_, motionYBox_}));
    motionTurnBox_ = NumberBox(lab::MotionTurnOption, 1.0, 1);
    form_->addRow("Motion turn:", motionTurnBox_);

    beamBox_ = new QCheckBox("Polychromatic beam");
    beamBox_->setToolTip("A tungsten tube's spectrum instead of one energy: beam hardening, cupping and streaks");
    form_->addRow(beamBox_);
    kvpBox_ = WholeBox(lab::KvpOption);
    filtrationBox_ = NumberBox(lab::FiltrationOption, 0.5, 1);
    form_->addRow("Tube:", Row({kvpBox_, filtrationBox_}));
    waterBox_ = new QCheckBox("Water correction");
    waterBox_->setToolTip("The scanner's beam-hardening correction, taking every path as water: bone still streaks");
    form_->addRow(waterBox_);

    gainsEditor_ = new RowListEditor(
        {{"Channel",
          QStringLiteral("The detector channel, 0 to %1; Sinora reads %2 to %3")
              .arg(lab::SinoChannels - 1)
              .arg(lab::FirstReadChannel)
              .arg(lab::LastReadChannel),
          "364",
          {}},
         {"Factor", "Its intensity times this (above 0): below 1 a weak channel, above 1 a hot one", "0.9", {}}},
        GainRowProblem, "A detector channel with a gain of its own: a ring in the reconstruction");
    form_->addRow("Channel gains:", gainsEditor_);
    metalsEditor_ = new RowListEditor(
        {{"X", "The disc's centre, field pixels right of the field's centre", "30", {}},
         {"Y", "The disc's centre, field pixels above the field's centre", "0", {}},
         {"Radius", "The disc's radius in field pixels (above 0)", "6", {}},
         {"Metal", "The metal: the denser, the stronger its streaks", "titanium", MetalChoices()}},
        MetalRowProblem, "A metal implant replacing the object where it lies: dark and bright streaks");
    form_->addRow("Metal discs:", metalsEditor_);
    for (RowListEditor* editor : {gainsEditor_, metalsEditor_})
        connect(editor, &RowListEditor::changed, this, &ScanPanel::update);
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
    for (const QStringList& row : gainsEditor_->goodRows()) a.gains.push_back(GainOf(row));
    for (const QStringList& row : metalsEditor_->goodRows()) a.metals.push_back(MetalOf(row));
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

void ScanPanel::saveSettings(QSettings& settings) const {
    settings.beginGroup("scan");
    settings.setValue("noise", noiseBox_->isChecked());
    settings.setValue("dose", doseSlider_->value());
    settings.setValue("seed", seedBox_->value());
    settings.setValue("views", viewsBox_->currentData());
    settings.setValue("arc", arcBox_->value());
    settings.setValue("gainSpread", gainSpreadBox_->value());
    settings.setValue("motionX", motionXBox_->value());
    settings.setValue("motionY", motionYBox_->value());
    settings.setValue("motionTurn", motionTurnBox_->value());
    settings.setValue("beam", beamBox_->isChecked());
    settings.setValue("kvp", kvpBox_->value());
    settings.setValue("filtration", filtrationBox_->value());
    settings.setValue("waterCorrection", waterBox_->isChecked());
    settings.setValue("gains", Joined(gainsEditor_->allRows(), ":"));
    settings.setValue("metals", Joined(metalsEditor_->allRows(), ","));
    settings.endGroup();
}

void ScanPanel::restoreSettings(const QSettings& settings) {
    // Values out of a control's range are brought into it by the control.
    const auto value = [&settings](const char* key, const QVariant& otherwise) {
        return settings.value(QStringLiteral("scan/") + key, otherwise);
    };
    {
        const QSignalBlocker quiet(this);
        noiseBox_->setChecked(value("noise", noiseBox_->isChecked()).toBool());
        doseSlider_->setValue(value("dose", doseSlider_->value()).toInt());
        seedBox_->setValue(value("seed", seedBox_->value()).toInt());
        const int views = viewsBox_->findData(value("views", lab::SinoAngles).toInt());
        if (views >= 0) viewsBox_->setCurrentIndex(views);
        arcBox_->setValue(value("arc", arcBox_->value()).toInt());
        gainSpreadBox_->setValue(value("gainSpread", gainSpreadBox_->value()).toDouble());
        motionXBox_->setValue(value("motionX", motionXBox_->value()).toDouble());
        motionYBox_->setValue(value("motionY", motionYBox_->value()).toDouble());
        motionTurnBox_->setValue(value("motionTurn", motionTurnBox_->value()).toDouble());
        beamBox_->setChecked(value("beam", beamBox_->isChecked()).toBool());
        kvpBox_->setValue(value("kvp", kvpBox_->value()).toInt());
        filtrationBox_->setValue(value("filtration", filtrationBox_->value()).toDouble());
        waterBox_->setChecked(value("waterCorrection", waterBox_->isChecked()).toBool());
        gainsEditor_->setRows(Split(value("gains", QStringList()).toStringList(), ":"));
        metalsEditor_->setRows(Split(value("metals", QStringList()).toStringList(), ","));
    }
    update();
}

void ScanPanel::update() {
    doseLabel_->setText(DoseText(DoseFromSlider(doseSlider_->value())) + " " + lab::NoiseOption.unit);
    doseSlider_->setEnabled(noiseBox_->isChecked());
    // The seed drives the noise and the spread of the gains.
    seedBox_->setEnabled(noiseBox_->isChecked() || gainSpreadBox_->value() > 0.0);
    for (QWidget* w : std::initializer_list<QWidget*>{kvpBox_, filtrationBox_, waterBox_})
        w->setEnabled(beamBox_->isChecked());
    emit changed();
}

}  // namespace labwin
