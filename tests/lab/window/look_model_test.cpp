// look_model_test.cpp - the Look view's model without a screen: the input
// its choices make; its slice, probe, circle and window against what
// `sinora-lab reconstruct` writes and `sinora-lab measure` reads from it; its workers' failures shown with their
// own message; the model destroyed while they work.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <optional>

#include "tests/lab/window/arrays_held.h"
#include "lab/commands/commands.h"
#include "lab/plot/display_levels.h"
#include "lab/measure/image_quality.h"
#include "lab/measure/measured_image.h"
#include "lab/files/slice_files.h"
#include "lab/window/look/look_model.h"
#include "lab/window/look/look_pictures.h"

using labwin::LookFilter;
using labwin::LookModel;

namespace {

const std::string Head = SINORA_SOURCE_DIR "/data/phantom.sino";

}  // namespace

class LookModelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void choicesMakeTheInput_data();
    void choicesMakeTheInput();
    void sameNumbersAsMeasure_data();
    void sameNumbersAsMeasure();
    void failuresShowTheirOwnMessage_data();
    void failuresShowTheirOwnMessage();
    void destroyedWhileWorking_data();
    void destroyedWhileWorking();

private:
    labwin::LookInput HeadInput(const std::string& filter) const;

    QTemporaryDir scratch_;
    std::string filter_;
};

void LookModelTest::initTestCase() {
    lab::FilterOptions filter;
    filter.name = "ramlak";
    filter.output = filter_ = scratch_.filePath("ramlak.txt").toStdString();
    lab::RunFilterCommand(filter);
}

void LookModelTest::choicesMakeTheInput_data() {
    QTest::addColumn<QString>("sinogram");  // "file", "scan" or "no scan"
    QTest::addColumn<double>("scanPixelMm");
    QTest::addColumn<int>("filter");  // LookFilter
    QTest::addColumn<double>("cutoff");  // of the design
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("inHu");
    QTest::addColumn<double>("pixelMm");
    const int designed = int(LookFilter::Designed), simple = int(LookFilter::Simple), file = int(LookFilter::FromFile);
    QTest::newRow("design") << "file" << 0.0 << designed << 1.0 << "Reconstructing phantom.sino with Ram-Lak..." << true << 1.0;
    QTest::newRow("refused design") << "file" << 0.0 << designed << 0.001
                                    << "the filter's scale must be from 1e-06 to 1e+06 (factor on every tap) and its "
                                       "cutoff from 0.01 to 1 (fraction of the Nyquist frequency)"
                                    << true << 1.0;
    // No filter, no scale: the program's grey levels.
    QTest::newRow("simple") << "file" << 0.0 << simple << 1.0 << "Reconstructing phantom.sino with Simple back projection..."
                            << false << 1.0;
    QTest::newRow("filter file, the scan's in HU") << "scan" << 0.5 << file << 1.0 << "Reconstructing scan with ramlak..."
                                                   << true << 0.5;
    QTest::newRow("the scan's, not the lab's") << "scan" << 0.0 << designed << 1.0 << "Reconstructing scan with Ram-Lak..."
                                               << false << 1.0;
    QTest::newRow("no scan") << "no scan" << 0.0 << simple << 1.0 << "No scan yet" << true << 1.0;
}

void LookModelTest::choicesMakeTheInput() {
    QFETCH(QString, sinogram);
    QFETCH(double, scanPixelMm);
    QFETCH(int, filter);
    QFETCH(double, cutoff);
    QFETCH(QString, status);
    QFETCH(bool, inHu);
    QFETCH(double, pixelMm);
    LookModel model;
    QSignalSpy said(&model, &LookModel::status);
    QSignalSpy ready(&model, &LookModel::stepsReady);
    model.setFilterSource(LookFilter(filter));
    model.setFilterFile(QString::fromStdString(filter_));
    model.setDesignedFilter({"ramlak", cutoff, 100.0});  // no sinogram yet: nothing runs
    if (sinogram == "file") QVERIFY(model.openSinogram(QString::fromStdString(Head)));
    if (sinogram == "scan") model.setScanSinogram(lab::ReadSinogramFile(Head), "scan", scanPixelMm);
    if (sinogram == "file" || model.useScanSinogram()) model.rerun();
    QCOMPARE(said.count(), 1);
    QCOMPARE(said.first().first().toString(), status);
    if (!status.startsWith("Reconstructing")) {
        QVERIFY(!model.busy());
        return;
    }
    QVERIFY(ready.wait(60000));
    QCOMPARE(model.steps()->inHu(), inHu);
    QCOMPARE(model.steps()->input.pixelMm, pixelMm);
    QCOMPARE(model.steps()->taps.empty(), filter == int(LookFilter::Simple));
}

void LookModelTest::sameNumbersAsMeasure_data() {
    QTest::addColumn<bool>("madeByLab");
    QTest::addColumn<double>("row");
    QTest::addColumn<double>("column");
    QTest::addColumn<double>("radius");
    QTest::addColumn<int>("centre");
    QTest::addColumn<int>("width");
    QTest::newRow("brain in HU") << true << 160.0 << 126.0 << 10.0 << -800 << 400;
    QTest::newRow("skull edge in HU") << true << 30.0 << 128.0 << 6.0 << 0 << 2000;
    QTest::newRow("brain in grey levels") << false << 150.0 << 100.0 << 12.0 << 60 << 40;
    QTest::newRow("whole head in grey levels") << false << 128.0 << 128.0 << 90.0 << 128 << 255;
}

void LookModelTest::sameNumbersAsMeasure() {
    QFETCH(bool, madeByLab);
    QFETCH(double, row);
    QFETCH(double, column);
    QFETCH(double, radius);
    QFETCH(int, centre);
    QFETCH(int, width);

    LookModel model;
    QSignalSpy ready(&model, &LookModel::stepsReady);
    labwin::LookInput input;
    input.integrals = lab::ReadSinogramFile(Head);
    input.filterPath = filter_;
    input.madeByLab = madeByLab;
    model.reconstruct(input);
    QVERIFY(ready.wait(60000));
    model.setCircle({{column, row}, radius});
    model.setWindow(centre, width);

    // The command line's slice of the same sinogram and filter.
    lab::ReconstructOptions options;
    options.sinogram = Head;
    options.filter = filter_;
    options.programUnits = !madeByLab;
    options.windowGiven = true;
    options.huCenter = centre;
    options.huWidth = width;
    const std::string npy = scratch_.filePath("slice.npy").toStdString();
    const std::string png = scratch_.filePath("slice.png").toStdString();
    const std::string dcm = scratch_.filePath("slice.dcm").toStdString();
    options.outputs = {npy, png};
    if (madeByLab) options.outputs.push_back(dcm);
    lab::RunReconstructCommand(options);
    QCOMPARE(model.steps()->sum, lab::ReadNpy(npy));

    const lab::RegionStats mine = model.circleStats();
    if (madeByLab) {
        // The DICOM file holds whole HU.
        const lab::RegionStats theirs = lab::MeasureCircle(lab::ReadMeasuredImage(dcm).values, {column, row}, radius);
        QCOMPARE(mine.pixels, theirs.pixels);
        QVERIFY2(std::abs(mine.mean - theirs.mean) < 0.5, qPrintable(QString("%1 %2").arg(mine.mean).arg(theirs.mean)));
        QVERIFY2(std::abs(mine.sd - theirs.sd) < 0.5, qPrintable(QString("%1 %2").arg(mine.sd).arg(theirs.sd)));
        QVERIFY(model.circleText().contains(" HU, SD "));
    } else {
        // Grey levels: the program's sum scaled to 255 at its largest value.
        const lab::RegionStats theirs =
            lab::MeasureCircle(lab::ScaledLevels(lab::ReadMeasuredImage(npy).values), {column, row}, radius);
        QCOMPARE(mine.pixels, theirs.pixels);
        QCOMPARE(mine.mean, theirs.mean);
        QCOMPARE(mine.sd, theirs.sd);
    }
    // The window: the program's windowed grey levels, as the command line's picture.
    const QImage shown = labwin::WindowedPicture(model.slice(), centre, width);
    if (!madeByLab) QCOMPARE(shown, QImage(QString::fromStdString(png)).convertToFormat(shown.format()));
    // The probe: the pixel under the point and its value.
    const int x = static_cast<int>(column), y = static_cast<int>(row);
    const QString probe = model.probeText({column + 0.3, row - 0.4});
    QVERIFY2(probe.startsWith(QString("x %1, y %2: ").arg(x).arg(y)), qPrintable(probe));
    QVERIFY2(probe.contains(labwin::ValueText(model.slice()[y * 256 + x], model.steps()->units())), qPrintable(probe));
    QVERIFY(model.probeText({-3.0, 10.0}).isEmpty());
}

labwin::LookInput LookModelTest::HeadInput(const std::string& filter) const {
    labwin::LookInput input;
    input.integrals = lab::ReadSinogramFile(Head);
    input.filterPath = filter;
    return input;
}

void LookModelTest::failuresShowTheirOwnMessage_data() {
    QTest::addColumn<bool>("madeByLab");
    QTest::addColumn<int>("values");
    QTest::addColumn<QString>("message");  // FILTER: the refused filter file
    QTest::newRow("refused filter, HU") << true << 729 * 180 << "FILTER: only 3 numbers; a filter file holds 128";
    QTest::newRow("refused filter, grey levels") << false << 729 * 180 << "FILTER is not a filter file of 128 numbers";
    QTest::newRow("short sinogram") << false << 100 << "a sinogram holds 729 x 180 values";
}

void LookModelTest::failuresShowTheirOwnMessage() {
    QFETCH(bool, madeByLab);
    QFETCH(int, values);
    QFETCH(QString, message);
    const QString refused = scratch_.filePath("three_taps.txt");
    QFile file(refused);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("1\n2\n3\n") == 6);
    file.close();
    LookModel model;
    QSignalSpy failures(&model, &LookModel::failed);
    labwin::LookInput input = HeadInput(refused.toStdString());
    input.madeByLab = madeByLab;
    input.integrals.resize(values);
    model.reconstruct(input);
    QVERIFY(failures.wait(60000));
    QCOMPARE(failures.first().first().toString(), message.replace("FILTER", refused));
    QVERIFY(!model.busy());
    QVERIFY(!model.steps());
}

void LookModelTest::destroyedWhileWorking_data() {
    QTest::addColumn<QString>("work");
    QTest::newRow("reconstruction") << "ramlak.txt";
    QTest::newRow("reconstruction of a refused filter") << "missing.txt";
    QTest::newRow("SART") << "SART";
}

void LookModelTest::destroyedWhileWorking() {
    QFETCH(QString, work);
    auto model = std::make_unique<LookModel>();
    QSignalSpy ready(model.get(), &LookModel::stepsReady);
    std::optional<ArraysHeld> held;
    if (work == "SART") {
        model->reconstruct(HeadInput(filter_));
        QVERIFY(ready.wait(60000));
        model->compareSart(200);
    } else {
        held.emplace();
        model->reconstruct(HeadInput(scratch_.filePath(work).toStdString()));
    }
    QVERIFY(model->busy());
    QElapsedTimer destroying;
    destroying.start();
    model.reset();
    held.reset();
    QVERIFY2(destroying.elapsed() < 5000, qPrintable(QString("%1 ms").arg(destroying.elapsed())));
    // The worker ends on its own, its result (or failure) unclaimed.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(120000));
}

QTEST_MAIN(LookModelTest)
#include "look_model_test.moc"
