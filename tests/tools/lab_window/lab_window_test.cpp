// lab_window_test.cpp - Sinora Lab's window without a screen (the offscreen
// platform): the model's sinograms against the command line's files, byte
// for byte; superseded scans cancelled; bad input refused with the command
// line's message; proposed names; the layout remembered.
#include <QApplication>
#include <QDockWidget>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "tools/lab/canvas_compare.h"
#include "tools/lab/commands.h"
#include "tools/lab_window/lab_window.h"
#include "tools/lab_window/save_names.h"
#include "tools/lab_window/scan_model.h"

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

// Waits until the model has no scan running or queued.
bool Settled(ScanModel& model) {
    return QTest::qWaitFor([&] { return !model.busy(); }, 60000);
}

}  // namespace

class LabWindowTest : public QObject {
    Q_OBJECT
private slots:
    void sameSinogramAsCommandLine_data();
    void sameSinogramAsCommandLine();
    void supersededScansAreCancelled();
    void badInputKeepsThePreviousSource_data();
    void badInputKeepsThePreviousSource();
    void proposedNames();
    void layoutIsRemembered();

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
                                    << shortSino + ": 800 bytes; a sinogram file is 1049760 (729 x 180 doubles)";
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
