// look_page.cpp
#include "lab/window/look/look_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "lab/core/option_bounds.h"
#include "lab/window/widgets/image_view.h"
#include "lab/window/look/look_pictures.h"
#include "lab/window/widgets/previews.h"
#include "lab/window/widgets/slice_view.h"

namespace labwin {

namespace {

QPushButton* Button(const QString& text, const QString& tip) {
    auto* button = new QPushButton(text);
    button->setToolTip(tip);
    return button;
}

}  // namespace

LookPage::LookPage(LookModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildSourceRow());
    layout->addLayout(buildReplayRow());
    layout->addLayout(buildWindowRow());
    addPanels(layout);
    connectSlice();
    connect(&model_, &LookModel::status, this, &LookPage::status);
    connect(&model_, &LookModel::stepsReady, this, &LookPage::showSteps);
    connect(&model_, &LookModel::angleChanged, this, &LookPage::showAngle);
    connect(&model_, &LookModel::windowChanged, this, &LookPage::showWindow);
    connect(&model_, &LookModel::circleChanged, this, &LookPage::showCircle);
}

QHBoxLayout* LookPage::buildSourceRow() {
    auto* row = new QHBoxLayout;
    QPushButton* open = Button("Open &Sinogram...", "A .sino file to reconstruct");
    connect(open, &QPushButton::clicked, this, &LookPage::chooseSinogram);
    QPushButton* fromScan = Button("Use the S&can's", "The sinogram the Source and Scan panels made");
    connect(fromScan, &QPushButton::clicked, this, &LookPage::useScanSinogram);
    filterBox_ = new QComboBox;
    filterBox_->addItems({"The Filter panel's design", "Simple back projection", "Filter file..."});
    filterBox_->setToolTip("The filter the reconstruction uses");
    connect(filterBox_, &QComboBox::activated, this, &LookPage::chooseFilter);
    labMade_ = new QCheckBox("Made by Sinora &Lab (HU)");
    labMade_->setChecked(model_.choices().madeByLab);
    labMade_->setToolTip("The sinogram's scale is the lab's (0.02 per mm is water): the slice in Hounsfield units");
    connect(labMade_, &QCheckBox::toggled, this, [this](bool madeByLab) {
        model_.setMadeByLab(madeByLab);
        model_.rerun();
    });
    pixelMm_ = new QDoubleSpinBox;
    // Two decimals: 0.01 mm the smallest size it shows.
    pixelMm_->setRange(std::max(lab::PixelWidthMm.min, 0.01), lab::PixelWidthMm.max);
    pixelMm_->setValue(model_.choices().pixelMm);
    pixelMm_->setSuffix(" mm pixels");
    pixelMm_->setToolTip("The field pixel the sinogram was made with (the teaching set's: 1 mm)");
    pixelMm_->setAccessibleName("Pixel size");
    connect(pixelMm_, &QDoubleSpinBox::valueChanged, &model_, &LookModel::setPixelMm);
    connect(pixelMm_, &QDoubleSpinBox::editingFinished, &model_, &LookModel::rerun);
    row->addWidget(open);
    row->addWidget(fromScan);
    row->addWidget(new QLabel("Filter:"));
    row->addWidget(filterBox_);
    row->addWidget(labMade_);
    row->addWidget(pixelMm_);
    row->addStretch(1);
    return row;
}

QHBoxLayout* LookPage::buildReplayRow() {
    auto* row = new QHBoxLayout;
    angleSlider_ = new QSlider(Qt::Horizontal);
    angleSlider_->setRange(0, 179);
    angleSlider_->setAccessibleName("Angle");
    angleBox_ = new QSpinBox;
    angleBox_->setRange(0, 179);
    angleBox_->setSuffix("°");
    angleBox_->setAccessibleName("Angle");
    connect(angleSlider_, &QSlider::valueChanged, &model_, &LookModel::setAngle);
    connect(angleBox_, &QSpinBox::valueChanged, &model_, &LookModel::setAngle);
    QPushButton* back = Button("<", "One view back");
    QPushButton* forward = Button(">", "One view on");
    play_ = Button("&Play", "Replay the accumulation from 0°");
    connect(back, &QPushButton::clicked, this, [this] { model_.setAngle(model_.angle() - 1); });
    connect(forward, &QPushButton::clicked, this, [this] { model_.setAngle(model_.angle() + 1); });
    connect(play_, &QPushButton::clicked, this, &LookPage::togglePlay);
    speed_ = new QSpinBox;
    speed_->setRange(1, 180);
    speed_->setValue(20);
    speed_->setSuffix(" views/s");
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (model_.angle() >= 179) return togglePlay();
        model_.setAngle(model_.angle() + 1);
    });
    connect(speed_, &QSpinBox::valueChanged, this, [this](int v) { timer_->setInterval(1000 / v); });
    timer_->setInterval(1000 / speed_->value());
    auto* angleLabel = new QLabel("&Angle:");
    angleLabel->setBuddy(angleSlider_);
    row->addWidget(angleLabel);
    row->addWidget(angleSlider_, 1);
    row->addWidget(angleBox_);
    row->addWidget(back);
    row->addWidget(play_);
    row->addWidget(forward);
    row->addWidget(speed_);
    return row;
}

QHBoxLayout* LookPage::buildWindowRow() {
    auto* row = new QHBoxLayout;
    centreBox_ = new QSpinBox;
    widthBox_ = new QSpinBox;
    centreBox_->setRange(-100000, 100000);
    widthBox_->setRange(1, 200000);
    centreBox_->setAccessibleName("Window centre");
    widthBox_->setAccessibleName("Window width");
    auto typed = [this] { model_.setWindow(centreBox_->value(), widthBox_->value()); };
    connect(centreBox_, &QSpinBox::valueChanged, this, typed);
    connect(widthBox_, &QSpinBox::valueChanged, this, typed);
    unitsLabel_ = new QLabel;
    mapBox_ = new QComboBox;
    mapBox_->addItems({"Diverging (blue, white, red)", "Grey"});
    mapBox_->setToolTip("How the signed pictures (a view's back projection, the partial sum) show their values");
    connect(mapBox_, &QComboBox::currentIndexChanged, this, &LookPage::showAngle);
    auto* centreLabel = new QLabel("C&entre:");
    centreLabel->setBuddy(centreBox_);
    auto* widthLabel = new QLabel("&Width:");
    widthLabel->setBuddy(widthBox_);
    row->addWidget(centreLabel);
    row->addWidget(centreBox_);
    row->addWidget(widthLabel);
    row->addWidget(widthBox_);
    row->addWidget(unitsLabel_);
    row->addWidget(new QLabel("Signed values:"));
    row->addWidget(mapBox_);
    row->addStretch(1);
    return row;
}

void LookPage::addPanels(QVBoxLayout* layout) {
    sinogram_ = new ImageView("Sinogram");
    sinogram_->setAxes(SinogramChannelAxis(), SinogramAngleAxis());
    filter_ = new ImageView("Filter: taps and frequency response");
    filter_->setPlain(true);
    projection_ = new ImageView("Projection at the chosen angle");
    projection_->setPlain(true);
    profile_ = new ImageView("Line profile (Shift + drag on the slice)");
    profile_->setPlain(true);
    view_ = new SliceView("Back projection of the view");
    partial_ = new SliceView("Sum of views 0…a");
    slice_ = new SliceView("Slice");
    slice_->setToolTip("Drag: a circle to measure; Shift + drag: a line profile; right-drag: window and level; "
                       "wheel or + and -: zoom");
    auto* top = new QSplitter(Qt::Horizontal);
    for (QWidget* w : {static_cast<QWidget*>(sinogram_), static_cast<QWidget*>(filter_), static_cast<QWidget*>(projection_),
                       static_cast<QWidget*>(profile_)})
        top->addWidget(w);
    auto* bottom = new QSplitter(Qt::Horizontal);
    bottom->addWidget(view_);
    bottom->addWidget(partial_);
    bottom->addWidget(slice_);
    auto* panels = new QSplitter(Qt::Vertical);
    panels->setObjectName("lookPanels");
    panels->addWidget(top);
    panels->addWidget(bottom);
    panels->setStretchFactor(1, 2);
    layout->addWidget(panels, 1);
    circleLabel_ = new QLabel("Drag on the slice to measure a circle");
    circleLabel_->setAccessibleName("Circle");
    circleLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(circleLabel_);
}

void LookPage::connectSlice() {
    for (SliceView* v : {view_, partial_, slice_}) {
        connect(v, &SliceView::probed, this, [this](lab::PicturePoint p) {
            const QString text = model_.probeText(p);
            if (!text.isEmpty()) emit status(text);
        });
    }
    connect(slice_, &SliceView::circleDrawn, &model_, &LookModel::setCircle);
    connect(slice_, &SliceView::windowDragged, &model_, &LookModel::dragWindow);
    connect(slice_, &SliceView::lineDrawn, this, [this](lab::PicturePoint from, lab::PicturePoint to) {
        if (model_.slice().empty()) return;
        try {
            profile_->setImage(ProfileCurve(lab::LineProfile(model_.slice(), from, to), model_.steps()->units()));
        } catch (const std::exception& error) {
            emit status(error.what());
        }
    });
}

void LookPage::chooseSinogram() {
    const QString path = QFileDialog::getOpenFileName(this, "Open Sinogram", lastFolder_, "Sinograms (*.sino);;All files (*)");
    if (!path.isEmpty()) openSinogram(path);
}

void LookPage::openSinogram(const QString& path) {
    lastFolder_ = QFileInfo(path).absolutePath();
    if (model_.openSinogram(path)) model_.rerun();
}

void LookPage::useScanSinogram() {
    if (!model_.useScanSinogram()) return;
    {
        const QSignalBlocker quiet(labMade_), quietToo(pixelMm_);
        labMade_->setChecked(model_.choices().madeByLab);
        pixelMm_->setValue(model_.choices().pixelMm);
    }
    // The size the box shows is the one used: to its two decimals, within its range.
    model_.setPixelMm(pixelMm_->value());
    model_.rerun();
}

void LookPage::chooseFilter(int index) {
    const auto filter = static_cast<LookFilter>(index);
    model_.setFilterSource(filter);
    if (filter == LookFilter::FromFile) {
        const QString path = QFileDialog::getOpenFileName(this, "Open Filter", lastFolder_, "Filter files (*.txt);;All files (*)");
        if (path.isEmpty()) return;
        model_.setFilterFile(path);
        filterBox_->setItemText(index, QFileInfo(path).fileName());
    }
    model_.rerun();
}

void LookPage::showSteps() {
    const auto steps = model_.steps();
    filter_->setImage(FilterCurves(*steps));
    slice_->setTitle(QString("Slice: %1, %2 (%3)").arg(steps->input.name, steps->input.filterTitle, steps->units()));
    unitsLabel_->setText(steps->inHu() ? "HU" : "the program's grey levels (scale not known)");
    showAngle();
    emit status(QString("Reconstructed %1 with %2; the slice in %3")
                    .arg(steps->input.name, steps->input.filterTitle,
                         steps->inHu() ? "HU" : "the program's grey levels"));
}

void LookPage::showAngle() {
    const int a = model_.angle();
    {
        const QSignalBlocker quiet(angleSlider_), quietToo(angleBox_);
        angleSlider_->setValue(a);
        angleBox_->setValue(a);
    }
    const auto steps = model_.steps();
    if (!steps) return;
    const SignedMap map = mapBox_->currentIndex() == 0 ? SignedMap::Diverging : SignedMap::Grey;
    sinogram_->setImage(MarkedSinogram(*steps, a));
    projection_->setImage(ProjectionCurves(*steps, a));
    view_->setTitle(QString("Back projection of the view at %1°").arg(a));
    view_->setPicture(SignedPicture(steps->view(a), map));
    partial_->setTitle(QString("Sum of views 0…%1°").arg(a));
    partial_->setPicture(SignedPicture(steps->partialSum(a), map));
}

void LookPage::showWindow() {
    {
        const QSignalBlocker quiet(centreBox_), quietToo(widthBox_);
        centreBox_->setValue(model_.centre());
        widthBox_->setValue(model_.width());
    }
    if (!model_.slice().empty()) slice_->setPicture(WindowedPicture(model_.slice(), model_.centre(), model_.width()));
}

void LookPage::showCircle() {
    slice_->setCircle(model_.circle());
    const QString text = model_.circleText();
    circleLabel_->setText(text);
    if (model_.circle().radius > 0.0) emit status(text);
}

void LookPage::togglePlay() {
    if (timer_->isActive()) {
        timer_->stop();
        play_->setText("&Play");
        return;
    }
    if (model_.angle() >= 179) model_.setAngle(0);
    timer_->start();
    play_->setText("&Pause");
}

}  // namespace labwin
