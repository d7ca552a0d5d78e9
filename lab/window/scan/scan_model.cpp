// scan_model.cpp - QtConcurrent runs the pipeline; its result comes back to
// the GUI thread through the watcher, and only the newest is kept.
#include "lab/window/scan/scan_model.h"

#include <QFileInfo>
#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "lab/core/lab_error.h"
#include "lab/files/output_files.h"
#include "lab/objects/truth_image.h"
#include "lab/window/scan/save_files.h"

namespace labwin {

namespace {

// How long a superseded scan may take to stop before the next one starts
// without it (a read the kernel holds up cannot be cancelled).
constexpr int AbandonAfterMs = 2000;

}  // namespace

ScanModel::ScanModel(QObject* parent)
    : QObject(parent),
      pipeline_(std::make_shared<ScanPipeline>()),
      generation_(std::make_shared<std::atomic<uint64_t>>(0)) {
    goodSource_ = source_;
    sinceChange_.start();
}

// The running scan sees itself superseded and stops at its next step; its
// result goes nowhere.
ScanModel::~ScanModel() { ++*generation_; }

void ScanModel::setSource(const SourceSpec& source) {
    // Another picture or slice starts from its whole field.
    if (source.path != source_.path) options_.fov = 0.0;
    source_ = source;
    request();
}

SourceSpec SourceOfFile(const QString& path, int frame) {
    SourceSpec source;
    const QFileInfo info(path);
    source.path = info.absoluteFilePath().toStdString();
    source.kind =
        info.suffix().compare("sino", Qt::CaseInsensitive) == 0 ? SourceSpec::Kind::Sinogram : SourceSpec::Kind::File;
    source.frame = frame;
    return source;
}

void ScanModel::openFile(const QString& path, int frame) {
    const SourceSpec source = SourceOfFile(path, frame);
    opened_.insert(source.path);
    setSource(source);
}

void ScanModel::setOptions(const ScanOptions& options) {
    if (options == options_) return;
    options_ = options;
    request();
}

void ScanModel::request() {
    auto next = std::make_unique<ScanRequest>();
    next->generation = ++*generation_;
    next->source = source_;
    next->options = options_;
    pending_ = std::move(next);
    sinceChange_.start();
    if (!running_) return startNext();
    QFutureWatcher<ScanResult>* superseded = running_.get();
    QTimer::singleShot(AbandonAfterMs, superseded, [this, superseded] {
        if (running_.get() != superseded) return;
        // Left to finish on its own, with the pipeline it has, its result
        // unclaimed; the pool gets a thread in place of the one it holds.
        running_.release()->deleteLater();
        pipeline_ = std::make_shared<ScanPipeline>();
        QThreadPool::globalInstance()->releaseThread();
        startNext();
    });
}

void ScanModel::startNext() {
    if (!pending_) return;
    const ScanRequest request = *pending_;
    pending_.reset();
    const bool wasBusy = busy();
    running_ = std::make_unique<QFutureWatcher<ScanResult>>();
    connect(running_.get(), &QFutureWatcher<ScanResult>::finished, this, &ScanModel::finished);
    running_->setFuture(QtConcurrent::run([pipeline = pipeline_, generation = generation_, request] {
        return pipeline->Run(request, [&generation, &request] { return generation->load() != request.generation; });
    }));
    if (!wasBusy) emit busyChanged(true);
}

void ScanModel::finished() {
    const ScanResult result = running_->result();
    running_.release()->deleteLater();
    const bool newest = result.request.generation == generation_->load();
    if (!newest || result.cancelled) {
        // Superseded: the newer request answers instead.
    } else if (!result.error.empty()) {
        // The source could not be read: back to the last good one, scanned
        // again only if the options changed meanwhile.
        source_ = goodSource_;
        emit failed(QString::fromStdString(result.error));
        if (latest_ && (latest_->request.source != source_ || latest_->request.options != options_)) request();
    } else {
        goodSource_ = result.request.source;
        latest_ = std::make_shared<const ScanResult>(result);
        savedPath_ = result.request.source.kind == SourceSpec::Kind::Sinogram
                         ? QString::fromStdString(result.request.source.path)
                         : QString();
        emit resultReady();
    }
    startNext();
    if (!busy()) emit busyChanged(false);
}

void ScanModel::saveSinogram(const QString& path) {
    if (!latest_) throw lab::LabError("nothing to save yet");
    SaveBytes(path, lab::SinogramFileBytes(latest_->integrals), latest_->request.source.path);
    savedPath_ = path;
}

void ScanModel::saveTruth(const QString& path) const {
    if (!latest_ || !latest_->hasTruth) throw lab::LabError("this source has no truth image: it is a sinogram file");
    SavePng(path, lab::TruthImage(latest_->truth), latest_->request.source.path);
}

}  // namespace labwin
