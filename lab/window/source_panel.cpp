// source_panel.cpp
#include "lab/window/source_panel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "lab/core/option_bounds.h"
#include "lab/objects/phantoms.h"
#include "lab/window/scan/scan_model.h"

namespace labwin {

SourcePanel::SourcePanel(ScanModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* form = new QFormLayout(this);
    sourceLabel_ = new QLabel;
    sourceLabel_->setWordWrap(true);
    form->addRow(sourceLabel_);
    auto* open = new QPushButton("Open Picture, DICOM or Sinogram...");
    connect(open, &QPushButton::clicked, this, &SourcePanel::openRequested);
    form->addRow(open);
    phantomBox_ = new QComboBox;
    for (const std::string& name : lab::PhantomNames()) phantomBox_->addItem(QString::fromStdString(name));
    phantomBox_->setPlaceholderText("choose one");
    phantomBox_->setToolTip("An analytic test object, its line integrals computed from its shapes");
    connect(phantomBox_, &QComboBox::activated, this, [this](int index) {
        SourceSpec source;
        source.kind = SourceSpec::Kind::Phantom;
        source.phantom = lab::PhantomNames()[index];
        model_.setSource(source);
    });
    form->addRow("Phantom:", phantomBox_);
    frameBox_ = new QSpinBox;
    frameBox_->setRange(1, 1);
    frameBox_->setToolTip("The frame of a multi-frame DICOM file");
    connect(frameBox_, &QSpinBox::valueChanged, this, [this](int frame) {
        SourceSpec source = model_.source();
        if (source.kind != SourceSpec::Kind::File || source.frame == frame) return;
        source.frame = frame;
        model_.setSource(source);
    });
    form->addRow("Frame:", frameBox_);
    fovBox_ = new QDoubleSpinBox;
    // Its lowest value, 0, is the special one: the source's own width.
    fovBox_->setRange(0.0, lab::FieldWidthRange.max);
    fovBox_->setDecimals(1);
    fovBox_->setSingleStep(10.0);
    fovBox_->setSpecialValueText("the larger side");
    fovBox_->setToolTip("Width of the 256-pixel field: millimetres for DICOM, picture pixels for a picture");
    connect(fovBox_, &QDoubleSpinBox::valueChanged, this, [this](double fov) {
        ScanOptions options = model_.options();
        options.fov = fov;
        model_.setOptions(options);
    });
    form->addRow("Field of view:", fovBox_);
}

void SourcePanel::setDescription(const QString& text) { sourceLabel_->setText(text); }

void SourcePanel::sync() {
    const SourceSpec& source = model_.source();
    const auto scan = model_.latest();
    const bool file = source.kind == SourceSpec::Kind::File;
    phantomBox_->setCurrentIndex(
        source.kind == SourceSpec::Kind::Phantom ? phantomBox_->findText(QString::fromStdString(source.phantom)) : -1);
    const QSignalBlocker block(frameBox_);
    frameBox_->setRange(1, file && scan ? scan->frames : 1);
    frameBox_->setValue(source.frame);
    frameBox_->setEnabled(frameBox_->maximum() > 1);
    fovBox_->setEnabled(file);
    // Unchosen, the field is the source's larger side: shown, so that the
    // arrows step from there.
    {
        const QSignalBlocker quiet(fovBox_);
        if (file && scan && model_.options().fov == 0.0) fovBox_->setValue(scan->largerSide);
        if (!file) fovBox_->setValue(0.0);
    }
    fovBox_->setSpecialValueText(source.kind == SourceSpec::Kind::Phantom    ? "256 mm"
                                 : source.kind == SourceSpec::Kind::Sinogram ? "as scanned"
                                                                             : "the larger side");
    fovBox_->setSuffix(file && scan && scan->isDicom ? " mm" : file ? " pixels" : "");
}

}  // namespace labwin
