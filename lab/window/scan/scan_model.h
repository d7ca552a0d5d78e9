// scan_model.h - the window's state without any widget: the source, the
// scan options and the filter, and the latest scan. Scans run on a worker
// thread one at a time; a change while one runs cancels it and the newest
// request is the one that runs next, or, when the cancelled one has not
// stopped within two seconds (a read the kernel holds up), without it. The
// model never waits for a scan: one still running when it goes is
// cancelled and finishes on its own.
#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <set>
#include <string>

#include "lab/window/scan/scan_pipeline.h"

namespace labwin {

// The choices of `sinora-lab filter`.
struct FilterChoice {
    std::string kind = "ramlak";
    double cutoff = 1.0;
    double scale = 100.0;
};

// The file's kind is told by its name: ".sino" is a sinogram, anything else
// a picture or DICOM slice (of which `frame` is scanned).
SourceSpec SourceOfFile(const QString& path, int frame = 1);

class ScanModel : public QObject {
    Q_OBJECT
public:
    explicit ScanModel(QObject* parent = nullptr);
    ~ScanModel() override;

    // A new source: scanned with the current options (the field of view
    // back to the whole of another file); when it cannot be read, failed()
    // tells why and the previous source stays.
    void setSource(const SourceSpec& source);
    // A file of SourceOfFile()'s kind.
    void openFile(const QString& path, int frame = 1);
    void setOptions(const ScanOptions& options);
    void setFilter(const FilterChoice& filter) { filter_ = filter; }

    const SourceSpec& source() const { return source_; }
    const ScanOptions& options() const { return options_; }
    const FilterChoice& filter() const { return filter_; }
    // The latest finished scan of the current source and options (null
    // before the first one).
    std::shared_ptr<const ScanResult> latest() const { return latest_; }
    bool busy() const { return running_ != nullptr; }
    // Milliseconds since the change that the latest result answers.
    qint64 millisecondsSinceChange() const { return sinceChange_.elapsed(); }

    // Files the user opened in this session: never proposed as a name to
    // save to.
    const std::set<std::string>& openedFiles() const { return opened_; }

    // Writing the current sinogram and truth. Throw lab::LabError.
    void saveSinogram(const QString& path);
    void saveTruth(const QString& path) const;
    // The path the current sinogram was last saved to (or opened from, for
    // a sinogram file); empty when it has not been.
    QString savedPath() const { return savedPath_; }

signals:
    void resultReady();
    void failed(const QString& message);
    void busyChanged(bool busy);

private:
    void request();
    void startNext();
    void finished();

    SourceSpec source_;      // the source of the latest good result, or being scanned
    SourceSpec goodSource_;  // the last source that was read
    ScanOptions options_;
    FilterChoice filter_;
    std::set<std::string> opened_;

    // Shared with the running scan, which may outlive the model.
    std::shared_ptr<ScanPipeline> pipeline_;
    std::shared_ptr<std::atomic<uint64_t>> generation_;
    std::unique_ptr<ScanRequest> pending_;
    std::unique_ptr<QFutureWatcher<ScanResult>> running_;
    std::shared_ptr<const ScanResult> latest_;
    QElapsedTimer sinceChange_;
    QString savedPath_;
};

}  // namespace labwin
