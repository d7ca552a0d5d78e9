// compare_page.cpp
#include "lab/window/look/compare_page.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "lab/plot/display_levels.h"
#include "lab/core/option_table.h"
#include "lab/files/slice_files.h"
#include "lab/window/look/look_pictures.h"
#include "lab/window/widgets/slice_view.h"

namespace labwin {

ComparePage::ComparePage(LookModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* current = new QPushButton("Add the &Slice");
    current->setToolTip("The Look view's slice, with its filter");
    connect(current, &QPushButton::clicked, &model_, &LookModel::compareCurrent);
    auto* truth = new QPushButton("Add a &Truth Picture...");
    connect(truth, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Open Truth Picture", QString(), "Pictures (*.png *.pgm *.tif *.tiff)");
        if (!path.isEmpty()) model_.compareTruth(path.toStdString());
    });
    iterations_ = new QSpinBox;
    iterations_->setRange(lab::IterationsOption.control.min, lab::IterationsOption.control.max);
    iterations_->setValue(lab::ControlStart(lab::IterationsOption));
    iterations_->setSuffix(QStringLiteral(" ") + lab::IterationsOption.unit);
    sart_ = new QPushButton("Add SA&RT");
    sart_->setToolTip("The lab's SART of the same sinogram, on a worker thread");
    connect(sart_, &QPushButton::clicked, this, [this] { model_.compareSart(iterations_->value()); });
    cancel_ = new QPushButton("Cancel");
    cancel_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, &model_, &LookModel::cancel);
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    connect(&model_, &LookModel::progress, progress_, &QProgressBar::setValue);
    connect(&model_, &LookModel::busyChanged, this, [this](bool busy) {
        cancel_->setEnabled(busy);
        if (!busy) progress_->reset();
    });
    for (QWidget* w : std::initializer_list<QWidget*>{current, truth, iterations_, sart_, cancel_, progress_}) bar->addWidget(w);
    bar->addStretch(1);
    layout->addLayout(bar);

    auto* grid = new QGridLayout;
    for (int k = 0; k < 4; ++k) {
        auto* view = new SliceView(QString("Slot %1: empty").arg(k + 1));
        auto* figures = new QLabel;
        figures->setWordWrap(true);
        figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures->setAccessibleName(QString("Figures of slot %1").arg(k + 1));
        grid->addWidget(view, 0, k);
        grid->addWidget(figures, 1, k);
        grid->setColumnStretch(k, 1);
        views_ << view;
        figures_ << figures;
        // One zoom for all.
        connect(view, &SliceView::zoomed, this, [this](double zoom) {
            for (SliceView* v : views_) v->setZoom(zoom);
        });
        connect(view, &SliceView::windowDragged, &model_, &LookModel::dragWindow);
        connect(view, &SliceView::circleDrawn, &model_, &LookModel::setCircle);
    }
    grid->setRowStretch(0, 1);
    layout->addLayout(grid, 1);
    connect(&model_, &LookModel::comparedChanged, this, [this] {
        showCompared();
        const int newest = static_cast<int>(model_.compared().size()) - 1;
        emit status("Added " + model_.compared().back().name + ": " + figures_[newest]->text().replace('\n', "; "));
    });
    connect(&model_, &LookModel::windowChanged, this, &ComparePage::showCompared);
    connect(&model_, &LookModel::circleChanged, this, &ComparePage::showCompared);
}

void ComparePage::showCompared() {
    const auto& shown = model_.compared();
    const QString units = model_.steps() ? model_.steps()->units() : QString();
    for (int k = 0; k < 4; ++k) {
        if (k >= static_cast<int>(shown.size())) {
            views_[k]->setTitle(QString("Slot %1: empty").arg(k + 1));
            views_[k]->setPicture(QImage());
            figures_[k]->clear();
            continue;
        }
        const CompareSlot& slot = shown[k];
        views_[k]->setTitle(slot.name);
        // A truth picture on its own scale; the slices under the shared window.
        views_[k]->setPicture(slot.truth ? lab::GreyPicture(lab::FullRangeGreys(lab::ScaledLevels(slot.values)))
                                         : WindowedPicture(slot.values, model_.centre(), model_.width()));
        views_[k]->setCircle(model_.circle());
        const CompareFigures f = model_.figures(k);
        QStringList lines;
        if (f.correlation) lines << QString("correlation with the truth %1").arg(*f.correlation, 0, 'f', 4)
                                 << QString("RMSE %1% of the truth's range").arg(100.0 * *f.rmse, 0, 'f', 2);
        if (f.region)
            lines << QString("circle: mean %1, noise SD %2 %3").arg(f.region->mean, 0, 'f', 1).arg(f.region->sd, 0, 'f', 2)
                         .arg(slot.truth ? "(the picture's values)" : units);
        if (f.mtf50 > 0)
            lines << QString("MTF50 %1 cycles per pixel (from the %2)").arg(f.mtf50, 0, 'f', 3).arg(f.mtfFrom);
        else
            lines << (f.mtfFrom.isEmpty() ? "MTF50: no point or disc to measure" : "MTF50: above 0.5 cycles per pixel");
        figures_[k]->setText(lines.join('\n'));
    }
}

}  // namespace labwin
