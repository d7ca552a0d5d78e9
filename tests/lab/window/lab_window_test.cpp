// lab_window_test.cpp - Sinora Lab's window without a screen (the offscreen
// platform): the model's sinograms against the command line's files, byte
// for byte; superseded scans cancelled; a scan that cannot stop holding up
// neither the next one nor the model's end; bad input refused with the
// command line's message; proposed names; the layout remembered; settings
// that are no file left alone; the filter saved with decimal points under a
// decimal-comma locale.
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "recon/compute/headless_run.h"
#include "tests/support/comma_locale.h"
#include "lab/measure/canvas_compare.h"
#include "lab/commands/commands.h"
#include "lab/core/option_table.h"
#include "lab/window/lab_window.h"
#include "lab/window/remembered_choices.h"
#include "lab/window/widgets/row_list_editor.h"
#include "lab/window/scan/save_names.h"
#include "lab/window/scan/scan_model.h"
#include "lab/window/scan_panel.h"
#include "lab/window/window_settings.h"

using labwin::ScanModel;
using labwin::ScanOptions;
using labwin::SourceSpec;

namespace {

const QString Picture = SINORA_SOURCE_DIR "/data/phantom.png";

QByteArray Bytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The scanner's imperfections the table below names by number.
lab::ArtifactOptions Artifacts(int which) {
    lab::ArtifactOptions a;
    if (which == 1) {
        a.views = 30;
        a.gainSpread = 0.02;
        a.motionX = 4.0;
    } else if (which == 2) {
        a.arcDegrees = 120;
        a.kvp = 80.0;
        a.waterCorrection = true;
        a.metals.push_back({20.0, -10.0, 5.0, lab::Material::Titanium});
    } else if (which == 3) {
        a.gains = {{300, 0.8}, {420, 1.3}};
        a.metals.push_back({20.0, -10.0, 5.0, lab::Material::Titanium});
        a.metals.push_back({-35.0, 25.0, 3.0, lab::Material::Gold});
    }
    return a;
}

ScanOptions Options(double fov, double photons, uint64_t seed) {
    ScanOptions options;
    options.fov = fov;
    options.photons = photons;
    options.seed = seed;
    return options;
}

// A FIFO, and a thread that answers whoever opens it to read: it holds the
// writing end open, so that the reader waits, until released (at the latest
// half a minute on); from then on it closes it at once: the end of the file.
class FifoWatch {
public:
    FifoWatch(const QString& path, bool released) : path_(QFile::encodeName(path).toStdString()), released_(released) {
        mkfifo(path_.c_str(), 0600);
        watcher_ = std::thread([this] {
            const auto latest = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            int held = -1;
            while (!ending_) {
                released_ = released_ || std::chrono::steady_clock::now() > latest;
                // Opened without waiting, the writing end opens only while a reader has the FIFO open.
                const int writer = held >= 0 ? held : open(path_.c_str(), O_WRONLY | O_NONBLOCK);
                opened_ = opened_ || writer >= 0;
                held = released_ ? -1 : writer;
                if (writer >= 0 && held < 0) close(writer);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the polling interval
            }
            if (held >= 0) close(held);
        });
    }
    ~FifoWatch() {
        ending_ = true;
        watcher_.join();
        unlink(path_.c_str());
    }
    void release() { released_ = true; }
    bool opened() const { return opened_; }

private:
    std::string path_;
    std::atomic<bool> released_, opened_{false}, ending_{false};
    std::thread watcher_;
};

// Waits until the model has no scan running or queued.
bool Settled(ScanModel& model) {
    return QTest::qWaitFor([&] { return !model.busy(); }, 60000);
}

// A spin box's range and value, whole or not.
struct BoxNumbers {
    double min, max, value;
};
BoxNumbers NumbersOf(QAbstractSpinBox* box) {
    if (auto* whole = qobject_cast<QSpinBox*>(box))
        return {double(whole->minimum()), double(whole->maximum()), double(whole->value())};
    auto* number = qobject_cast<QDoubleSpinBox*>(box);
    return {number->minimum(), number->maximum(), number->value()};
}

}  // namespace

class LabWindowTest : public QObject {
    Q_OBJECT
private slots:
    void sameSinogramAsCommandLine_data();
    void sameSinogramAsCommandLine();
    void supersededScansAreCancelled();
    void aScanThatCannotStopHoldsNothing_data();
    void aScanThatCannotStopHoldsNothing();
    void badInputKeepsThePreviousSource_data();
    void badInputKeepsThePreviousSource();
    void proposedNames();
    void layoutIsRemembered();
    void scanPanelListsAndSettings();
    void scanControlsOfferWhatTheLabTakes();
    void lastSourceReopened_data();
    void lastSourceReopened();
    void saveDialogProposesANewName();
    void savedFilterHasDecimalPoints();
    void settingsThatAreNoFileAreLeftAlone_data();
    void settingsThatAreNoFileAreLeftAlone();

private:
    QTemporaryDir scratch_;
};

void LabWindowTest::sameSinogramAsCommandLine_data() {
    QTest::addColumn<QString>("phantom");  // empty: the picture
    QTest::addColumn<double>("fov");
    QTest::addColumn<double>("photons");
    QTest::addColumn<qulonglong>("seed");
    QTest::addColumn<int>("artifacts");
    QTest::newRow("picture") << QString() << 0.0 << 0.0 << 1ull << 0;
    QTest::newRow("picture, field and noise") << QString() << 300.0 << 1e4 << 7ull << 0;
    QTest::newRow("phantom with noise") << "disc" << 0.0 << 2e3 << 3ull << 0;
    QTest::newRow("picture: views, gains, motion") << QString() << 0.0 << 1e5 << 5ull << 1;
    QTest::newRow("phantom: arc, beam, metal") << "shepp-logan" << 0.0 << 0.0 << 1ull << 2;
    QTest::newRow("picture: channel gains, two metal discs") << QString() << 0.0 << 0.0 << 1ull << 3;
    QTest::newRow("phantom: channel gains, two metal discs, noise") << "disc" << 0.0 << 3e4 << 2ull << 3;
}

void LabWindowTest::sameSinogramAsCommandLine() {
    QFETCH(QString, phantom);
    QFETCH(double, fov);
    QFETCH(double, photons);
    QFETCH(qulonglong, seed);
    QFETCH(int, artifacts);
    const QString expected = scratch_.filePath("command_line.sino");
    lab::NoiseOptions noise;
    noise.photons = photons;
    noise.seedGiven = true;
    noise.seed = seed;

    ScanModel model;
    QSignalSpy results(&model, &ScanModel::resultReady);
    // The noiseless scan first, so that the options change on a kept source.
    if (phantom.isEmpty()) {
        model.openFile(Picture);
        lab::SinogramOptions options;
        options.input = Picture.toStdString();
        options.output = expected.toStdString();
        options.fov = fov;
        options.noise = noise;
        options.artifacts = Artifacts(artifacts);
        lab::RunSinogramCommand(options);
    } else {
        SourceSpec source;
        source.phantom = phantom.toStdString();
        model.setSource(source);
        lab::PhantomOptions options;
        options.name = phantom.toStdString();
        options.output = expected.toStdString();
        options.noise = noise;
        options.artifacts = Artifacts(artifacts);
        lab::RunPhantomCommand(options);
    }
    QVERIFY(Settled(model));
    ScanOptions options = Options(fov, photons, seed);
    options.artifacts = Artifacts(artifacts);
    model.setOptions(options);
    QVERIFY(Settled(model));
    QVERIFY(results.count() >= 1);

    const QString saved = scratch_.filePath("window.sino");
    model.saveSinogram(saved);
    QCOMPARE(model.savedPath(), saved);
    QVERIFY(Bytes(saved) == Bytes(expected));

    // The reconstruction beside it shows the truth upright and unmirrored.
    const auto scan = model.latest();
    std::vector<double> slice, truth;
    for (int r = 0; r < 256; ++r) {
        for (int x = 0; x < 256; ++x) {
            slice.push_back(qGray(scan->reconstruction.pixel(x, r)));
            truth.push_back(scan->truth.at(x, r));
        }
    }
    const double correlation = lab::CompareWithTruth(slice, truth).correlation;
    QVERIFY2(correlation > (artifacts ? 0.5 : 0.8), qPrintable(QString("correlation %1").arg(correlation)));
}

void LabWindowTest::supersededScansAreCancelled() {
    // A pipeline told at once that it is superseded stops before any work.
    labwin::ScanPipeline pipeline;
    labwin::ScanRequest request;
    request.source.kind = SourceSpec::Kind::File;
    request.source.path = Picture.toStdString();
    const labwin::ScanResult stopped = pipeline.Run(request, [] { return true; });
    QVERIFY(stopped.cancelled);
    QVERIFY(stopped.integrals.empty());

    // Changes made while a scan runs: only the newest is shown.
    ScanModel model;
    QSignalSpy results(&model, &ScanModel::resultReady);
    model.openFile(Picture);
    for (int seed = 1; seed <= 5; ++seed) model.setOptions(Options(0.0, 1e3, seed));
    QVERIFY(model.busy());
    QVERIFY(Settled(model));
    QCOMPARE(results.count(), 1);
    QCOMPARE(model.latest()->request.options.seed, uint64_t(5));
}

void LabWindowTest::aScanThatCannotStopHoldsNothing_data() {
    QTest::addColumn<bool>("destroyed");  // else superseded by a phantom
    QTest::newRow("model destroyed") << true;
    QTest::newRow("another source") << false;
}

void LabWindowTest::aScanThatCannotStopHoldsNothing() {
    QFETCH(bool, destroyed);
    // A FIFO without a writer: its reading waits in the kernel, where no
    // cancellation reaches it (unless the reader refuses FIFOs at once).
    FifoWatch fifo(scratch_.filePath("no_writer.png"), false);
    auto model = std::make_unique<ScanModel>();
    QSignalSpy results(model.get(), &ScanModel::resultReady);
    model->openFile(scratch_.filePath("no_writer.png"));
    QVERIFY(QTest::qWaitFor([&] { return fifo.opened() || !model->busy(); }, 60000));
    QElapsedTimer elapsed;
    elapsed.start();
    if (destroyed) {
        model.reset();
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString("%1 ms").arg(elapsed.elapsed())));
    } else {
        model->setSource(SourceSpec{});
        QVERIFY(QTest::qWaitFor([&] { return results.count() > 0; }, 20000));
        QVERIFY(model->latest()->request.source == SourceSpec{});
    }
    // Let go, the first scan ends on its own, its result unclaimed.
    fifo.release();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(120000));
}

void LabWindowTest::badInputKeepsThePreviousSource_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString missing = scratch_.filePath("missing.png");
    const QString text = scratch_.filePath("notes.png");
    QFile notes(text);
    notes.open(QIODevice::WriteOnly);
    notes.write("not a picture at all\n");
    notes.close();
    const QString shortSino = scratch_.filePath("short.sino");
    QFile sino(shortSino);
    sino.open(QIODevice::WriteOnly);
    sino.write(QByteArray(800, '\0'));
    sino.close();
    QTest::newRow("missing") << missing << "cannot open " + missing + ": no such file";
    QTest::newRow("not a picture") << text
                                   << text + ": neither a picture (PNG, JPEG, BMP, TIFF, PGM/PPM) nor a DICOM file";
    QTest::newRow("short sinogram") << shortSino
                                    << shortSino + ": 800 bytes; a sinogram file holds at least 1049760 (729 x 180 doubles)";
}

void LabWindowTest::badInputKeepsThePreviousSource() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    ScanModel model;
    model.setSource(SourceSpec{});
    QVERIFY(Settled(model));
    const auto before = model.latest();
    QSignalSpy failures(&model, &ScanModel::failed);
    model.openFile(path);
    QVERIFY(Settled(model));
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.first().first().toString(), message);
    QVERIFY(model.source() == SourceSpec{});
    QCOMPARE(model.latest(), before);
}

void LabWindowTest::proposedNames() {
    struct Case {
        SourceSpec::Kind kind;
        const char* path;
        int frame;
        ScanOptions options;
        const char* stem;
    };
    const Case cases[] = {
        {SourceSpec::Kind::File, "/x/moon.png", 1, Options(0, 1e4, 1), "moon_1e4"},
        {SourceSpec::Kind::File, "/x/moon.png", 1, Options(0, 31623, 9), "moon_3.2e4_seed9"},
        {SourceSpec::Kind::File, "/x/head.dcm", 2, Options(300, 0, 4), "head_frame2_fov300"},
        {SourceSpec::Kind::Phantom, "", 1, Options(250, 99999, 1), "shepp_logan_1e5"},
        {SourceSpec::Kind::Sinogram, "/x/old.sino", 1, Options(0, 1e4, 1), "old"},
    };
    for (const Case& c : cases) {
        SourceSpec source;
        source.kind = c.kind;
        source.path = c.path;
        source.frame = c.frame;
        QCOMPARE(labwin::ScanStem(source, c.options), QString(c.stem));
    }
    ScanOptions sparse = Options(0, 1e4, 1);
    sparse.artifacts.views = 30;
    SourceSpec moon;
    moon.kind = SourceSpec::Kind::File;
    moon.path = "/x/moon.jpg";
    QCOMPARE(labwin::ScanStem(moon, sparse), QString("moon_30views_1e4"));
    sparse.artifacts = Artifacts(2);
    QCOMPARE(labwin::ScanStem(moon, sparse), QString("moon_arc120_80kV_corrected_titanium_1e4"));
    labwin::FilterChoice filter;
    QCOMPARE(labwin::FilterFileName(filter), QString("ramlak.txt"));
    filter = {"shepp-logan", 0.8, 50.0};
    QCOMPARE(labwin::FilterFileName(filter), QString("shepp_logan_cutoff0.8_scale50.txt"));
    // Never a file the user opened.
    const std::set<std::string> opened{"/w/old.sino", "/w/old_2.sino"};
    QCOMPARE(labwin::ProposedPath("/w", "old.sino", opened), QString("/w/old_3.sino"));
    QCOMPARE(labwin::ProposedPath("/w", "new.sino", opened), QString("/w/new.sino"));
    // Nor any file that exists, such as a sample beside the picture.
    QFile(scratch_.filePath("phantom.sino")).open(QIODevice::WriteOnly);
    QCOMPARE(labwin::ProposedPath(scratch_.path(), "phantom.sino", {}), scratch_.filePath("phantom_2.sino"));
}

void LabWindowTest::layoutIsRemembered() {
    QSettings().clear();
    {
        labwin::LabWindow window(false);
        window.show();
        window.resize(900, 640);
        window.findChild<QDockWidget*>("filter")->hide();
        window.close();
    }
    labwin::LabWindow again(false);
    again.show();
    QCOMPARE(again.size(), QSize(900, 640));
    QVERIFY(again.findChild<QDockWidget*>("filter")->isHidden());
    QVERIFY(again.findChild<QDockWidget*>("source")->isVisible());
}

void LabWindowTest::scanPanelListsAndSettings() {
    QSettings().clear();
    labwin::ScanPanel panel;
    const auto editors = panel.findChildren<labwin::RowListEditor*>();
    QCOMPARE(editors.size(), 2);
    // Rows the command line would refuse are left out of the scan, and kept.
    const QList<QStringList> gains{{"300", "0.8"}, {"420", "1.3"}, {"729", "2"}, {"5", "0"}, {"7", "x"}};
    const QList<QStringList> metals{{"20", "-10", "5", "titanium"}, {"-35", "25", "3", "gold"}, {"0", "0", "0", "iron"}};
    editors[0]->setRows(gains);
    editors[1]->setRows(metals);
    const ScanOptions chosen = panel.options(ScanOptions{});
    QVERIFY(labwin::SameArtifacts(chosen.artifacts, Artifacts(3)));
    SourceSpec moon;
    moon.kind = SourceSpec::Kind::File;
    moon.path = "/x/moon.png";
    QCOMPARE(labwin::ScanStem(moon, chosen), QString("moon_2channels_titanium_gold"));
    ScanOptions one = chosen;
    one.artifacts.gains.resize(1);
    one.artifacts.metals.push_back(one.artifacts.metals.front());
    QCOMPARE(labwin::ScanStem(moon, one), QString("moon_channel300x0.8_2titanium_gold"));

    // Everything the panel shows comes back at the next start.
    {
        QSettings settings;
        panel.saveSettings(settings);
    }
    labwin::ScanPanel again;
    QSignalSpy changed(&again, &labwin::ScanPanel::changed);
    again.restoreSettings(QSettings());
    QVERIFY(changed.count() >= 1);
    QVERIFY(again.options(ScanOptions{}) == chosen);
    const auto restored = again.findChildren<labwin::RowListEditor*>();
    QCOMPARE(restored[0]->allRows(), gains);
    QCOMPARE(restored[1]->allRows(), metals);
}

void LabWindowTest::scanControlsOfferWhatTheLabTakes() {
    labwin::ScanPanel panel;
    // Each option the Scan panel offers, and its number of boxes.
    const std::pair<const lab::OptionRow*, int> offered[] = {
        {&lab::SeedOption, 1},       {&lab::ArcOption, 1}, {&lab::GainSpreadOption, 1}, {&lab::MotionOption, 2},
        {&lab::MotionTurnOption, 1}, {&lab::KvpOption, 1}, {&lab::FiltrationOption, 1}};
    for (const auto& [row, count] : offered) {
        const QList<QAbstractSpinBox*> boxes = panel.findChildren<QAbstractSpinBox*>(row->name);
        QCOMPARE(boxes.size(), count);
        for (QAbstractSpinBox* box : boxes) {
            const BoxNumbers n = NumbersOf(box);
            QCOMPARE(n.min, row->control.min);
            QCOMPARE(n.max, row->control.max);
            QCOMPARE(n.value, lab::ControlStart(*row));
            QCOMPARE(box->property("suffix").toString(), *row->unit ? QStringLiteral(" ") + row->unit : QString());
            if (row->control.tip) QCOMPARE(box->toolTip(), QString(row->control.tip));
        }
    }
    // Every control at either end of its range: a scan the lab takes.
    for (const bool top : {false, true}) {
        for (QCheckBox* box : panel.findChildren<QCheckBox*>()) box->setChecked(true);
        auto* dose = panel.findChild<QSlider*>(lab::NoiseOption.name);
        dose->setValue(top ? dose->maximum() : dose->minimum());
        for (QAbstractSpinBox* box : panel.findChildren<QAbstractSpinBox*>()) {
            const BoxNumbers n = NumbersOf(box);
            box->setProperty("value", top ? n.max : n.min);
        }
        const ScanOptions chosen = panel.options(ScanOptions{});
        QCOMPARE(chosen.photons, top ? lab::NoiseOption.control.max : lab::NoiseOption.control.min);
        QCOMPARE(QString::fromStdString(lab::ArtifactProblem(chosen.artifacts)), QString());
        QVERIFY(chosen.artifacts.Polychromatic());
    }
}

void LabWindowTest::lastSourceReopened_data() {
    QTest::addColumn<QString>("remembered");  // empty: none
    QTest::addColumn<bool>("reopened");
    QTest::addColumn<QString>("status");  // the start of the status bar's message
    const QString notes = scratch_.filePath("notes_too.png");
    QFile file(notes);
    file.open(QIODevice::WriteOnly);
    file.write("not a picture at all\n");
    QTest::newRow("none") << QString() << false << QString();
    QTest::newRow("a picture") << Picture << true << QString();
    QTest::newRow("gone") << scratch_.filePath("gone.png") << false
                          << "The last source, " + scratch_.filePath("gone.png") + ", is gone";
    QTest::newRow("unreadable") << notes << false << notes + ": neither a picture";
}

void LabWindowTest::lastSourceReopened() {
    QFETCH(QString, remembered);
    QFETCH(bool, reopened);
    QFETCH(QString, status);
    QSettings().clear();
    const labwin::FilterChoice filter{"hann", 0.6, 40.0};
    {
        QSettings settings;
        labwin::RememberFilter(settings, filter);
        if (!remembered.isEmpty()) settings.setValue("source/path", remembered);
    }
    // A dialog at a start would be a fault: closed and counted.
    int dialogs = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&dialogs] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++dialogs;
            modal->close();
        }
    });
    watch.start(20);
    labwin::LabWindow window(false);
    window.show();
    window.openLastSource();
    QVERIFY(Settled(window.model()));
    QVERIFY(QTest::qWaitFor([&] { return window.model().latest() != nullptr && !window.model().busy(); }, 60000));
    QCOMPARE(dialogs, 0);
    const SourceSpec expected = reopened ? labwin::SourceOfFile(Picture) : SourceSpec{};
    QVERIFY(window.model().latest()->request.source == expected);
    QVERIFY2(window.statusBar()->currentMessage().startsWith(status),
             qPrintable(window.statusBar()->currentMessage()));
    QCOMPARE(window.model().filter().kind, filter.kind);
    QCOMPARE(window.model().filter().cutoff, filter.cutoff);
    QCOMPARE(window.model().filter().scale, filter.scale);
    window.close();
    QCOMPARE(QSettings().value("source/path").toString(), reopened ? Picture : QString());
}

void LabWindowTest::saveDialogProposesANewName() {
    // The work folder of a home of its own holds a sample of the picture's
    // name: a new name is proposed, in the field that has the focus.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", scratch_.filePath("home").toUtf8());
    QDir().mkpath(scratch_.filePath("home/Sinora"));
    QFile(scratch_.filePath("home/Sinora/phantom.sino")).open(QIODevice::WriteOnly);
    labwin::LabWindow window(false);
    window.show();
    window.openPath(Picture);
    QVERIFY(QTest::qWaitFor([&] { return window.model().latest() != nullptr && !window.model().busy(); }, 60000));
    QString focused, proposed;
    QTimer::singleShot(0, [&] {
        QVERIFY(QTest::qWaitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }));
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        const bool hasFocus = QTest::qWaitFor([dialog] { return dialog->focusWidget() != nullptr; });
        focused = hasFocus ? dialog->focusWidget()->objectName() : QString();
        proposed = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    for (QAction* action : window.findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(QKeySequence::Save)) action->trigger();
    qputenv("HOME", home);
    QCOMPARE(focused, QString("fileNameEdit"));
    QCOMPARE(proposed, scratch_.filePath("home/Sinora/phantom_2.sino"));
}

void LabWindowTest::savedFilterHasDecimalPoints() {
    // Under a German user's locale (Qt's start puts the window there) the
    // taps keep the decimal point the program reads: they were once written
    // as "7,43394081788", which the program refuses.
    const test_support::CommaLocale german;
    if (!german.reason().empty()) QSKIP(german.reason().c_str());
    labwin::LabWindow window(false);
    window.show();
    const QString path = scratch_.filePath("saved_filter.txt");
    QTimer::singleShot(0, [&] {
        QVERIFY(QTest::qWaitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }));
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Save button
    });
    QPushButton* save = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == "Save Filter...") save = button;
    QVERIFY(save);
    save->click();
    const QByteArray taps = Bytes(path);
    QCOMPARE(taps.count('\n'), 128);
    QVERIFY2(!taps.contains(','), taps.left(40).constData());
    double read[128];
    QCOMPARE(ReadFilterFile(path.toStdString().c_str(), read).error, InputFileError::None);
}

void LabWindowTest::settingsThatAreNoFileAreLeftAlone_data() {
    QTest::addColumn<int>("kind");  // that stat() gives
    QTest::addColumn<QString>("problem");  // after the path
    QTest::newRow("FIFO") << int(S_IFIFO) << " is not a regular file";
    QTest::newRow("folder") << int(S_IFDIR) << " is not a regular file";
    QTest::newRow("2 MiB") << int(S_IFREG) << " holds 2097152 bytes, more than a settings file";
}

void LabWindowTest::settingsThatAreNoFileAreLeftAlone() {
    QFETCH(int, kind);
    QFETCH(QString, problem);
    const QString path = labwin::SettingsPath();
    const auto removed = [&path] { QFile::remove(path) || QDir().rmdir(path); };
    removed();
    const auto atTheEnd = qScopeGuard(removed);  // the other tests use the settings file
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::unique_ptr<FifoWatch> fifo;
    if (kind == S_IFIFO) fifo = std::make_unique<FifoWatch>(path, true);
    if (kind == S_IFDIR) QVERIFY(QDir().mkdir(path));
    QFile large(path);
    if (kind == S_IFREG) QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(2 << 20));
    large.close();
    {
        labwin::LabWindow window(false);
        window.show();
        QVERIFY2(window.statusBar()->currentMessage().startsWith(path + problem),
                 qPrintable(window.statusBar()->currentMessage()));
        window.close();
    }
    // Neither opened nor replaced.
    QVERIFY(!fifo || !fifo->opened());
    struct stat info;
    QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & S_IFMT), kind);
    if (kind == S_IFREG) QCOMPARE(info.st_size, off_t(2 << 20));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);  // settings in a test folder, not the user's
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Sinora");
    QApplication::setApplicationName("sinora-lab-window-test");
    LabWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "lab_window_test.moc"
