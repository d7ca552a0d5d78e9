// look_model.cpp
#include "lab/window/look/look_model.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

#include "base/to_int.h"
#include "lab/measure/canvas_compare.h"
#include "lab/commands/commands.h"
#include "lab/plot/display_levels.h"
#include "lab/core/field_geometry.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/reconstruct/iterative_recon.h"
#include "lab/core/lab_error.h"
#include "lab/files/slice_files.h"

namespace labwin {

namespace {

constexpr size_t MostCompared = 4;

int Whole(double v) { return TruncToInt32(std::round(v)); }

// The input of the chosen sinogram and filter, a designed filter written to
// `designedPath` first. Throws when it cannot be.
LookInput ChosenInput(const LookChoices& chosen, const std::string& designedPath) {
    LookInput input;
    input.integrals = chosen.integrals;
    input.name = chosen.name;
    input.madeByLab = chosen.madeByLab;
    input.pixelMm = chosen.pixelMm;
    switch (chosen.filter) {
        case LookFilter::Designed: {
            lab::FilterOptions options;
            options.name = chosen.designed.kind;
            options.cutoff = chosen.designed.cutoff;
            options.scale = chosen.designed.scale;
            options.output = designedPath;
            lab::RunFilterCommand(options);
            input.filterPath = options.output;
            input.filterTitle = QString::fromStdString(lab::KernelTitle(chosen.designed.kind));
            break;
        }
        case LookFilter::Simple: input.filterTitle = "Simple back projection"; break;
        case LookFilter::FromFile:
            input.filterPath = chosen.filterFile.toStdString();
            input.filterTitle = QFileInfo(chosen.filterFile).completeBaseName();
    }
    return input;
}

}  // namespace

LookModel::LookModel(QObject* parent) : QObject(parent) {
    connect(&running_, &QFutureWatcherBase::finished, this, &LookModel::stepsDone);
    connect(&sart_, &QFutureWatcherBase::finished, this, &LookModel::sartDone);
    connect(&sart_, &QFutureWatcherBase::progressValueChanged, this, &LookModel::progress);
}

LookModel::~LookModel() {
    // No waiting: the workers hold what they use, and their results go
    // nowhere once the watchers are gone.
    sart_.cancel();
}

bool LookModel::openSinogram(const QString& path) {
    try {
        choices_.integrals = lab::ReadSinogramFile(path.toStdString());
    } catch (const std::exception& error) {
        emit status(error.what());
        return false;
    }
    choices_.name = QFileInfo(path).fileName();
    return true;
}

void LookModel::setScanSinogram(const std::vector<double>& integrals, const QString& name, double pixelMm) {
    choices_.scanIntegrals = integrals;
    choices_.scanName = name;
    choices_.scanPixelMm = pixelMm;
}

bool LookModel::useScanSinogram() {
    if (choices_.scanIntegrals.empty()) {
        emit status("No scan yet");
        return false;
    }
    choices_.integrals = choices_.scanIntegrals;
    choices_.name = choices_.scanName;
    choices_.madeByLab = choices_.scanPixelMm > 0.0;
    if (choices_.scanPixelMm > 0.0) choices_.pixelMm = choices_.scanPixelMm;
    return true;
}

void LookModel::setFilterSource(LookFilter filter) { choices_.filter = filter; }

void LookModel::setFilterFile(const QString& path) { choices_.filterFile = path; }

void LookModel::setDesignedFilter(const FilterChoice& filter) {
    choices_.designed = filter;
    if (choices_.filter == LookFilter::Designed) rerun();
}

void LookModel::setMadeByLab(bool madeByLab) { choices_.madeByLab = madeByLab; }

void LookModel::setPixelMm(double pixelMm) { choices_.pixelMm = pixelMm; }

void LookModel::rerun() {
    if (choices_.integrals.empty()) return;
    LookInput input;
    try {
        input = ChosenInput(choices_, filterFolder_.filePath("designed.txt").toStdString());
    } catch (const std::exception& error) {
        emit status(error.what());
        return;
    }
    emit status("Reconstructing " + input.name + " with " + input.filterTitle + "...");
    reconstruct(input);
}

void LookModel::reconstruct(const LookInput& input) {
    if (stepsRunning_) {
        waiting_ = input;
        return;
    }
    start(input);
}

void LookModel::start(const LookInput& input) {
    stepsRunning_ = true;
    running_.setFuture(QtConcurrent::run([input] { return TryLookSteps(input); }));
    emit busyChanged(true);
}

void LookModel::stepsDone() {
    const LookOutcome done = running_.future().resultCount() > 0 ? running_.result() : LookOutcome{};
    stepsRunning_ = false;
    if (waiting_) {
        // A newer input: this result is already out of date.
        const LookInput next = std::move(*waiting_);
        waiting_.reset();
        start(next);
        return;
    }
    emit busyChanged(busy());
    if (!done.steps) {
        emit failed(done.error);
        return;
    }
    const bool sameUnits = steps_ && steps_->units() == done.steps->units();
    steps_ = done.steps;
    slice_ = steps_->display();
    if (!sameUnits) {
        const auto [lo, hi] = std::minmax_element(slice_.begin(), slice_.end());
        centre_ = Whole((*lo + *hi) / 2);
        width_ = std::max(1, Whole(*hi - *lo));
    }
    emit stepsReady();
    emit windowChanged();
    emit circleChanged();
}

void LookModel::setAngle(int angle) {
    angle = std::clamp(angle, 0, lab::SinoAngles - 1);
    if (angle == angle_) return;
    angle_ = angle;
    emit angleChanged(angle_);
}

void LookModel::setWindow(int centre, int width) {
    width = std::max(1, width);
    if (centre == centre_ && width == width_) return;
    centre_ = centre;
    width_ = width;
    emit windowChanged();
}

void LookModel::dragWindow(int across, int down) {
    // One widget pixel moves the window by a 256th of its width, at least 1.
    const int step = std::max(1, width_ / 256);
    setWindow(centre_ - down * step, width_ + across * step);
}

void LookModel::setCircle(const Circle& circle) {
    circle_ = circle;
    emit circleChanged();
}

lab::RegionStats LookModel::circleStats() const {
    if (slice_.empty()) throw lab::LabError("no slice yet");
    return lab::MeasureCircle(slice_, circle_.centre, circle_.radius);
}

QString LookModel::circleText() const {
    if (circle_.radius <= 0.0) return "Drag on the slice to measure a circle";
    const QString units = steps_ ? steps_->units() : QString();
    try {
        const lab::RegionStats s = circleStats();
        return QString("Circle at x %1, y %2, radius %3: mean %4, SD %5, %6 pixels")
            .arg(circle_.centre.column)
            .arg(circle_.centre.row)
            .arg(circle_.radius)
            .arg(ValueText(s.mean, units), ValueText(s.sd, units))
            .arg(s.pixels);
    } catch (const std::exception& error) {
        return QString("Circle: ") + error.what();
    }
}

QString LookModel::probeText(lab::PicturePoint pixel) const {
    const int x = TruncToInt32(std::floor(pixel.column + 0.5)), y = TruncToInt32(std::floor(pixel.row + 0.5));
    if (slice_.empty() || x < 0 || y < 0 || x >= lab::FieldPixels || y >= lab::FieldPixels) return QString();
    return QString("x %1, y %2: %3").arg(x).arg(y).arg(ValueText(slice_[y * lab::FieldPixels + x], steps_->units()));
}

void LookModel::addCompared(CompareSlot slot) {
    if (compared_.size() == MostCompared) compared_.erase(compared_.begin());
    compared_.push_back(std::move(slot));
    emit comparedChanged();
}

void LookModel::compareCurrent() {
    if (!steps_) return;
    addCompared({steps_->input.filterTitle, slice_, false});
}

void LookModel::compareTruth(const std::string& path) {
    try {
        addCompared({"Truth", lab::ReadTruth(path), true});
    } catch (const std::exception& error) {
        emit failed(error.what());
    }
}

CompareFigures LookModel::figures(size_t slot) const {
    CompareFigures figures;
    const CompareSlot& mine = compared_.at(slot);
    const auto truth = std::find_if(compared_.begin(), compared_.end(), [](const CompareSlot& s) { return s.truth; });
    if (truth != compared_.end() && !mine.truth) {
        const lab::Comparison fit = lab::CompareWithTruth(mine.values, truth->values);
        figures.correlation = fit.correlation;
        figures.rmse = fit.normalisedRms;
    }
    try {
        figures.region = lab::MeasureCircle(mine.values, circle_.centre, circle_.radius);
    } catch (const std::exception&) {
    }
    // A point where there is one, else the edge of a disc.
    try {
        figures.mtf50 = lab::FallsTo(lab::PointMtf(mine.values), 0.5);
        figures.mtfFrom = "point";
    } catch (const std::exception&) {
        try {
            figures.mtf50 = lab::FallsTo(lab::EdgeMtf(mine.values, lab::FindDisc(mine.values)), 0.5);
            figures.mtfFrom = "disc edge";
        } catch (const std::exception&) {
        }
    }
    return figures;
}

void LookModel::compareSart(int iterations) {
    if (!steps_ || sartRunning_) return;
    sartRunning_ = true;
    sartSteps_ = steps_;
    sartIterations_ = iterations;
    lab::IterativeSettings settings;
    settings.iterations = iterations;
    sart_.setFuture(QtConcurrent::run(
        [steps = steps_, settings](QPromise<SartOutcome>& promise) {
            promise.setProgressRange(0, 100);
            SartOutcome outcome;
            try {
                const auto going = [&promise, settings](int done, double part) {
                    promise.setProgressValue(TruncToInt32(100.0 * (done + part) / settings.iterations));
                    return !promise.isCanceled();
                };
                outcome.image = lab::ReconstructIteratively(steps->input.integrals, settings, going);
            } catch (const std::exception& error) {
                outcome.error = error.what();
            }
            promise.addResult(std::move(outcome));
        }));
    emit busyChanged(true);
}

void LookModel::sartDone() {
    // Cancelled, it has no result.
    SartOutcome done = sart_.future().resultCount() > 0 ? sart_.result() : SartOutcome{};
    const std::shared_ptr<const LookSteps> steps = std::move(sartSteps_);
    sartRunning_ = false;
    emit busyChanged(busy());
    if (!done.error.isEmpty()) emit failed(done.error);
    if (!done.image) return;
    lab::SliceValues& image = *done.image;
    // Per pixel length: as attenuation per mm, then in the slice's units.
    if (steps->inHu()) {
        for (double& v : image) v = lab::HuOfMu(v / steps->input.pixelMm);
    } else {
        image = lab::ScaledLevels(image);
    }
    addCompared({QString("SART, %1 iterations").arg(sartIterations_), image, false});
}

}  // namespace labwin
