// measure_command.cpp - `measure IMAGE [options]`: every number as text, or
// as one JSON object with --json; the curves drawn with --plot.
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <sstream>

#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/plot/curve_plot.h"
#include "lab/measure/image_quality.h"
#include "lab/core/lab_error.h"
#include "lab/measure/measured_image.h"
#include "lab/core/option_bounds.h"
#include "lab/files/output_files.h"
#include "lab/commands/qa_report_output.h"
#include "lab/measure/measure_places.h"

namespace lab {

namespace {

// A place as the command line gives it (checked there already); the
// measurement checks it again.
Place PlaceOf(const std::string& text, PlaceShape shape, bool inPixels) {
    Place place;
    const std::string problem = ReadPlace(text, shape, inPixels, place);
    if (!problem.empty()) throw LabError(problem);
    return place;
}

QJsonArray JsonArray(const std::vector<double>& values) {
    QJsonArray array;
    for (double v : values) array.append(v);
    return array;
}

QJsonValue JsonNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

// What the measurements print, put in JSON and draw, gathered for the end.
struct Report {
    std::string text;
    QJsonObject json;
    std::vector<CurvePanel> panels;
    double pixelMm = 0.0;  // 0: unknown
    QString frequencyLabel;

    __attribute__((format(printf, 2, 3))) void Say(const char* format, ...) {
        char line[512];
        va_list values;
        va_start(values, format);
        vsnprintf(line, sizeof line, format, values);
        va_end(values);
        text += line;
    }
};

void ReportRegions(const MeasureOptions& options, const MeasuredImage& image, Report& report) {
    std::vector<RegionStats> rois;
    QJsonArray roiJson;
    for (const MeasurePlace& place : options.rois) {
        const Place circle = PlaceOf(place.numbers, PlaceShape::Circle, place.inPixels);
        const PicturePoint centre = circle.centre;
        const double radius = circle.size;
        rois.push_back(MeasureCircle(image.values, centre, radius));
        const RegionStats& s = rois.back();
        report.Say("region %zu at row %.1f, column %.1f, radius %g: mean %.6g, SD %.6g, %d pixels\n", rois.size(),
                   centre.row, centre.column, radius, s.mean, s.sd, s.pixels);
        roiJson.append(QJsonObject{{"mean", s.mean}, {"sd", s.sd}, {"pixels", s.pixels}});
    }
    if (!rois.empty()) report.json["rois"] = roiJson;
    if (rois.size() >= 2) {
        const double cnr = ContrastToNoise(rois[0], rois[1]);
        report.Say("contrast-to-noise ratio |mean1 - mean2| / SD2: %.4g\n", cnr);
        report.json["cnr"] = JsonNumber(cnr);
    }
}

// The curve from the point or the disc's edge, and what it was taken from.
FrequencyCurve MeasureMtf(const std::string& mtfFrom, const MeasuredImage& image, Report& report) {
    if (mtfFrom == "point") {
        const PointImage point = FindPoint(image.values);
        report.Say(
            "point at row %.0f, column %.0f; background %.6g (SD %.4g), the mean of the %d pixels 60 to 100 "
            "pixels from it in the scanned disc\n",
            point.peak.row, point.peak.column, point.background, point.backgroundSd, point.backgroundPixels);
        report.json["point_peak"] = QJsonObject{{"row", point.peak.row}, {"column", point.peak.column}};
        report.json["point_background"] =
            QJsonObject{{"mean", point.background}, {"sd", point.backgroundSd}, {"pixels", point.backgroundPixels}};
        return PointMtf(image.values, point);
    }
    DiscEdge edge;
    if (mtfFrom == "edge") {
        edge = FindDisc(image.values);
    } else {
        const Place disc = PlaceOf(mtfFrom.substr(5), PlaceShape::Edge, false);
        edge = {disc.centre, disc.size};
    }
    const FrequencyCurve mtf = EdgeMtf(image.values, edge);
    report.Say("edge of the disc at row %.2f, column %.2f, radius %.2f\n", edge.centre.row, edge.centre.column,
               edge.radius);
    return mtf;
}

void ReportMtf(const MeasureOptions& options, const MeasuredImage& image, Report& report) {
    const std::string& mtfFrom = options.mtf;
    const FrequencyCurve mtf = MeasureMtf(mtfFrom, image, report);
    const double pixelMm = report.pixelMm;
    const double mtf50 = FallsTo(mtf, 0.5), mtf10 = FallsTo(mtf, 0.1);
    auto frequency = [&](const char* name, double f) {
        if (f < 0) {
            report.Say("%s: above the Nyquist frequency, 0.5 cycles per pixel (not reached)\n", name);
            return;
        }
        report.Say("%s: %.4f cycles per pixel", name, f);
        if (pixelMm > 0.0) report.Say(", %.4f per mm", f / pixelMm);
        report.Say("\n");
    };
    frequency("MTF50", mtf50);
    frequency("MTF10", mtf10);
    report.json["mtf50_cycles_per_pixel"] = JsonNumber(mtf50 < 0 ? NAN : mtf50);
    report.json["mtf10_cycles_per_pixel"] = JsonNumber(mtf10 < 0 ? NAN : mtf10);
    if (pixelMm > 0.0) {
        report.json["mtf50_cycles_per_mm"] = JsonNumber(mtf50 < 0 ? NAN : mtf50 / pixelMm);
        report.json["mtf10_cycles_per_mm"] = JsonNumber(mtf10 < 0 ? NAN : mtf10 / pixelMm);
    }
    report.json["mtf"] =
        QJsonObject{{"frequency_cycles_per_pixel", JsonArray(mtf.frequency)}, {"value", JsonArray(mtf.value)}};
    report.panels.push_back({"MTF from the " + QString::fromStdString(mtfFrom == "point" ? "point" : "edge"),
                             report.frequencyLabel, "modulation", mtf.frequency, mtf.value});
}

void ReportNps(const MeasureOptions& options, const MeasuredImage& image, Report& report) {
    const Place square = PlaceOf(options.nps.numbers, PlaceShape::Square, options.nps.inPixels);
    const PicturePoint centre = square.centre;
    const double size = square.size;
    MeasuredImage other;
    if (!options.npsPair.empty()) other = ReadMeasuredImage(options.npsPair);
    NoisePower nps = NoisePowerSpectrum(image.values, centre, static_cast<int>(size),
                                        options.npsPair.empty() ? nullptr : &other.values);
    // Per pixel area to per square millimetre.
    const double area = report.pixelMm > 0.0 ? report.pixelMm * report.pixelMm : 1.0;
    for (double& v : nps.spectrum.value) v *= area;
    const char* unit = report.pixelMm > 0.0 ? "value^2 mm^2" : "value^2 pixel^2";
    const double share = nps.variance > 0.0 ? 100.0 * nps.withinNyquist / nps.variance : 0.0;
    report.Say(
        "noise power spectrum of %g x %g pixels at row %.1f, column %.1f%s: %zu rings to the Nyquist frequency, "
        "in %s; integral over the frequency square (variance) %.6g, SD %.6g; within the Nyquist circle "
        "f <= 0.5 cycles per pixel %.6g (%.1f %%)\n",
        size, size, centre.row, centre.column, options.npsPair.empty() ? "" : " (difference of the two images)",
        nps.spectrum.value.size(), unit, nps.variance, std::sqrt(nps.variance), nps.withinNyquist, share);
    report.json["nps"] = QJsonObject{{"frequency_cycles_per_pixel", JsonArray(nps.spectrum.frequency)},
                                     {"power", JsonArray(nps.spectrum.value)},
                                     {"variance", nps.variance},
                                     {"variance_within_nyquist", nps.withinNyquist}};
    report.panels.push_back(
        {QString("NPS: variance %1, %2 % within f <= 0.5").arg(nps.variance, 0, 'g', 6).arg(share, 0, 'f', 1),
         report.frequencyLabel, QString("power (") + unit + ")", nps.spectrum.frequency, nps.spectrum.value});
}

void ReportLinePairs(const MeasureOptions&, const MeasuredImage& image, Report& report) {
    QJsonArray groups;
    for (const LinePairGroup& group : LinePairModulation(image.values)) {
        report.Say("line pairs %g pixels wide: modulation %.4f\n", group.barWidth, group.modulation);
        groups.append(QJsonObject{{"bar_width_pixels", group.barWidth}, {"modulation", group.modulation}});
    }
    report.json["line_pairs"] = groups;
}

void ReportProfile(const MeasureOptions& options, const MeasuredImage& image, Report& report) {
    const Place line = PlaceOf(options.profile, PlaceShape::Line, false);
    const Profile profile = LineProfile(image.values, line.centre, line.end);
    const std::vector<double> n = *FiniteNumbers(options.profile, 4);
    report.Say("profile from (%g, %g) to (%g, %g), one sample per pixel:", n[0], n[1], n[2], n[3]);
    for (double v : profile.value) report.Say(" %.5g", v);
    report.Say("\n");
    report.json["profile"] =
        QJsonObject{{"distance_pixels", JsonArray(profile.distance)}, {"value", JsonArray(profile.value)}};
    report.panels.push_back({"profile", "distance (pixels)", QString::fromStdString("value (" + image.units + ")"),
                             profile.distance, profile.value});
}

void ReportQa(const MeasureOptions&, const MeasuredImage& image, Report& report) {
    const QaReport qa = MeasureQaPhantom(image, report.pixelMm);
    report.text += QaReportText(qa);
    report.json["qa"] = QaReportJson(qa);
}

// Each measurement, when asked for, in the order the report gives them.
struct Measurement {
    bool (*asked)(const MeasureOptions&);
    void (*report)(const MeasureOptions&, const MeasuredImage&, Report&);
};
const Measurement Measurements[] = {
    {[](const MeasureOptions& o) { return !o.rois.empty(); }, ReportRegions},
    {[](const MeasureOptions& o) { return !o.mtf.empty(); }, ReportMtf},
    {[](const MeasureOptions& o) { return !o.nps.numbers.empty(); }, ReportNps},
    {[](const MeasureOptions& o) { return o.linePairs; }, ReportLinePairs},
    {[](const MeasureOptions& o) { return !o.profile.empty(); }, ReportProfile},
    {[](const MeasureOptions& o) { return o.qa; }, ReportQa},
};

// The image's size, units and pixel, which the frequencies are given in.
Report StartReport(const MeasureOptions& options, const MeasuredImage& image) {
    Report report;
    report.pixelMm = options.pixelMm > 0.0 ? options.pixelMm : image.pixelMm;
    const double pixelMm = report.pixelMm;
    report.frequencyLabel = pixelMm > 0.0
                                ? "frequency (cycles per pixel; a pixel is " + QString::number(pixelMm) + " mm)"
                                : "frequency (cycles per pixel)";
    report.Say("%s: 256 x 256, values in %s", options.image.c_str(), image.units.c_str());
    if (pixelMm > 0.0) report.Say(", %g mm per pixel", pixelMm);
    report.Say("\n");
    return report;
}

void WritePlot(const std::string& path, OutputFiles& outputs, Report& report) {
    if (report.panels.empty()) throw LabError("--plot draws the MTF, the NPS or a profile: ask for one of them");
    outputs.StagePng(path, DrawCurvePanels(report.panels));
    outputs.Commit();
    report.Say("wrote %s\n", path.c_str());
}

}  // namespace

void RunMeasureCommand(const MeasureOptions& options) {
    const CLocaleScope numbersInC;
    OutputFiles outputs;
    outputs.AddInput(options.image);
    outputs.AddInput(options.npsPair);
    outputs.Claim(options.plot);
    const MeasuredImage image = ReadMeasuredImage(options.image);
    Report report = StartReport(options, image);
    for (const Measurement& measurement : Measurements)
        if (measurement.asked(options)) measurement.report(options, image, report);
    if (!options.plot.empty()) WritePlot(options.plot, outputs, report);
    if (options.json)
        printf("%s", QJsonDocument(report.json).toJson(QJsonDocument::Compact).append('\n').constData());
    else
        printf("%s", report.text.c_str());
}

}  // namespace lab
