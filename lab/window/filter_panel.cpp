// filter_panel.cpp
#include "lab/window/filter_panel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>

#include "lab/reconstruct/filter_kernels.h"
#include "lab/plot/filter_plot.h"
#include "lab/core/option_bounds.h"
#include "lab/window/widgets/image_view.h"

namespace labwin {

FilterPanel::FilterPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    kindBox_ = new QComboBox;
    for (const std::string& name : lab::KernelNames())
        kindBox_->addItem(QString::fromStdString(lab::KernelTitle(name)), QString::fromStdString(name));
    form->addRow("Kind:", kindBox_);
    cutoffBox_ = new QDoubleSpinBox;
    cutoffBox_->setRange(lab::CutoffFraction.min, lab::CutoffFraction.max);
    cutoffBox_->setSingleStep(0.05);
    cutoffBox_->setValue(1.0);
    cutoffBox_->setToolTip("Cutoff as a fraction of the Nyquist frequency");
    form->addRow("Cutoff:", cutoffBox_);
    scaleBox_ = new QDoubleSpinBox;
    // Three decimals: 0.001 the smallest factor it shows.
    scaleBox_->setRange(std::max(lab::TapScale.min, 0.001), lab::TapScale.max);
    scaleBox_->setDecimals(3);
    scaleBox_->setValue(100.0);
    scaleBox_->setToolTip("Factor on every tap");
    form->addRow("Scale:", scaleBox_);
    auto* save = new QPushButton("Save Filter...");
    connect(save, &QPushButton::clicked, this, &FilterPanel::saveRequested);
    form->addRow(save);
    layout->addLayout(form);
    plot_ = new ImageView("Taps and frequency response");
    plot_->setPlain(true);
    layout->addWidget(plot_, 1);
    connect(kindBox_, &QComboBox::currentIndexChanged, this, &FilterPanel::showChoice);
    connect(cutoffBox_, &QDoubleSpinBox::valueChanged, this, &FilterPanel::showChoice);
    connect(scaleBox_, &QDoubleSpinBox::valueChanged, this, &FilterPanel::showChoice);
}

FilterChoice FilterPanel::choice() const {
    FilterChoice filter;
    filter.kind = kindBox_->currentData().toString().toStdString();
    filter.cutoff = cutoffBox_->value();
    filter.scale = scaleBox_->value();
    return filter;
}

void FilterPanel::setChoice(const FilterChoice& filter) {
    {
        const QSignalBlocker quiet(kindBox_), quietCutoff(cutoffBox_), quietScale(scaleBox_);
        kindBox_->setCurrentIndex(std::max(0, kindBox_->findData(QString::fromStdString(filter.kind))));
        cutoffBox_->setValue(filter.cutoff);
        scaleBox_->setValue(filter.scale);
    }
    showChoice();
}

void FilterPanel::showChoice() {
    const FilterChoice filter = choice();
    plot_->setImage(lab::DrawKernelPlot(filter.kind, filter.cutoff, filter.scale));
    emit changed(filter);
}

}  // namespace labwin
