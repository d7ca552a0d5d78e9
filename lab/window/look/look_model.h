// look_model.h - the Look view's state without widgets: what it
// reconstructs (the sinogram, the filter, the scale), the reconstruction's
// steps, the chosen angle, the slice's window, the region and line drawn on
// it and their numbers, and up to four slices compared. Reconstructions run
// off the GUI thread and hand back their result or their failure as a
// value; an iterative one reports progress and can be cancelled. The model
// never waits for them: one still running when it goes finishes on its own.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#include "lab/files/signal_cleanup.h"
#include "lab/window/look/look_steps.h"
#include "lab/window/scan/scan_model.h"
#include "lab/window/widgets/slice_view.h"

namespace labwin {

struct CompareSlot {
    QString name;
    lab::SliceValues values;  // in the slice's units
    bool truth = false;
};

// What one compared slice measures: against the truth when there is one,
// in the shared circle, and its MTF50 (cycles per pixel, negative when not
// measurable on this object).
struct CompareFigures {
    std::optional<double> correlation, rmse;
    std::optional<lab::RegionStats> region;
    double mtf50 = -1.0;
    QString mtfFrom;  // "point" or "disc edge"
};

// What an iterative reconstruction hands back: its slice (in attenuation
// per pixel length), why there is none, or neither when it was cancelled.
struct SartOutcome {
    std::optional<lab::SliceValues> image;
    QString error;
};

// Where the Look view's filter comes from, in the order its list shows them.
enum class LookFilter { Designed, Simple, FromFile };

// What the Look view reconstructs, as its controls and the other panels
// chose it.
struct LookChoices {
    std::vector<double> integrals;  // the sinogram (empty: none yet)
    QString name;
    // The Scan panels' latest sinogram, for when the user picks it, and the
    // field pixel it was made with (0: not made by the lab).
    std::vector<double> scanIntegrals;
    QString scanName;
    double scanPixelMm = 1.0;
    LookFilter filter = LookFilter::Designed;
    FilterChoice designed;  // the Filter panel's
    QString filterFile;
    bool madeByLab = true;
    double pixelMm = 1.0;
};

class LookModel : public QObject {
    Q_OBJECT
public:
    explicit LookModel(QObject* parent = nullptr);
    ~LookModel() override;

    // What to reconstruct. Choosing does not reconstruct: rerun() does.
    const LookChoices& choices() const { return choices_; }
    // A .sino file; false, the reason in status(), when it cannot be read.
    bool openSinogram(const QString& path);
    void setScanSinogram(const std::vector<double>& integrals, const QString& name, double pixelMm);
    // The Scan panels' sinogram, with its scale; false, and status() says
    // so, when there is none yet.
    bool useScanSinogram();
    void setFilterSource(LookFilter filter);
    void setFilterFile(const QString& path);
    // The Filter panel's design: the slice made again when it uses it.
    void setDesignedFilter(const FilterChoice& filter);
    void setMadeByLab(bool madeByLab);
    void setPixelMm(double pixelMm);
    // The chosen sinogram with the chosen filter, once there is a sinogram;
    // status() says what started, or why it could not.
    void rerun();

    // Starts the program's steps on the input; stepsReady() or failed().
    // While one runs, the newest input waits its turn (the others are
    // dropped): a run cannot be interrupted.
    void reconstruct(const LookInput& input);
    bool busy() const { return stepsRunning_ || sartRunning_; }
    std::shared_ptr<const LookSteps> steps() const { return steps_; }
    // The slice in its units (empty before the first reconstruction).
    const lab::SliceValues& slice() const { return slice_; }

    int angle() const { return angle_; }
    void setAngle(int angle);

    // The window in the slice's units, a whole number each as the program's.
    int centre() const { return centre_; }
    int width() const { return width_; }
    void setWindow(int centre, int width);
    // A right-button drag: across widens, down lowers the level.
    void dragWindow(int across, int down);

    const Circle& circle() const { return circle_; }
    void setCircle(const Circle& circle);
    // Throws lab::LabError when the circle is not measurable.
    lab::RegionStats circleStats() const;
    QString circleText() const;
    QString probeText(lab::PicturePoint pixel) const;

    const std::vector<CompareSlot>& compared() const { return compared_; }
    // The current slice, or a truth picture (any 256 x 256 grey picture,
    // shown on its own scale); the oldest goes when there are four.
    void compareCurrent();
    void compareTruth(const std::string& path);
    CompareFigures figures(size_t slot) const;
    // SART on the current sinogram; progress() while it runs, then it joins
    // the compared slices.
    void compareSart(int iterations);
    void cancel() { sart_.cancel(); }

signals:
    // A line for the status bar about the choices: what they started, or
    // why they could not be used.
    void status(const QString& message);
    void stepsReady();
    void angleChanged(int angle);
    void windowChanged();
    void circleChanged();
    void comparedChanged();
    void progress(int percent);
    void failed(const QString& message);
    void busyChanged(bool busy);

private:
    void start(const LookInput& input);
    void stepsDone();
    void sartDone();
    void addCompared(CompareSlot slot);

    LookChoices choices_;
    // The designed filter's file, removed with its folder when a signal
    // ends the window.
    QTemporaryDir filterFolder_;
    lab::RemovedOnSignal filterFolderOnSignal_{filterFolder_.path().toStdString(), true};
    lab::RemovedOnSignal designedOnSignal_{filterFolder_.filePath("designed.txt").toStdString(), false};
    std::shared_ptr<const LookSteps> steps_;
    lab::SliceValues slice_;
    QFutureWatcher<LookOutcome> running_;
    bool stepsRunning_ = false;
    std::optional<LookInput> waiting_;
    QFutureWatcher<SartOutcome> sart_;
    bool sartRunning_ = false;
    std::shared_ptr<const LookSteps> sartSteps_;  // what the running SART reconstructs
    int sartIterations_ = 0;
    int angle_ = 179;
    int centre_ = 0, width_ = 0;
    Circle circle_;
    std::vector<CompareSlot> compared_;
};

}  // namespace labwin
