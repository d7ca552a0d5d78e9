// measure_command.cpp - `measure IMAGE [options]`: every number as text, or
// as one JSON object with --json; the curves drawn with --plot.
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/lab/commands.h"
#include "tools/lab/curve_plot.h"
#include "tools/lab/image_quality.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/measured_image.h"
#include "tools/lab/output_files.h"
#include "tools/lab/qa_report_output.h"

namespace lab {

namespace {

std::vector<double> Numbers(const std::string& text, size_t count, const char* what) {
    std::vector<double> numbers;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        try {
            size_t used = 0;
            numbers.push_back(std::stod(item, &used));
            if (used != item.size()) numbers.clear(), count = 0;
        } catch (const std::exception&) {
            count = 0;
        }
    }
    if (numbers.size() != count || count == 0)
        throw LabError(std::string(what) + " '" + text + "' is not " + std::to_string(count) + " numbers separated by commas");
    return numbers;
}

// The centre of a place and its third number (radius or size).
PicturePoint PlaceCentre(const MeasurePlace& place, double& third, const char* what) {
    const std::vector<double> n = Numbers(place.numbers, 3, what);
    third = n[2];
    return place.inPixels ? PicturePoint{n[1], n[0]} : FromField(n[0], n[1]);
}

QJsonArray JsonArray(const std::vector<double>& values) {
    QJsonArray array;
    for (double v : values) array.append(v);
    return array;
}

QJsonValue JsonNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

}  // namespace

void RunMeasureCommand(const MeasureOptions& options) {
    OutputFiles outputs;
    outputs.AddInput(options.image);
    outputs.AddInput(options.npsPair);
    outputs.Claim(options.plot);
    const MeasuredImage image = ReadMeasuredImage(options.image);
    const double pixelMm = options.pixelMm > 0.0 ? options.pixelMm : image.pixelMm;
    QJsonObject json;
    std::string text;
    auto say = [&](const char* format, auto... values) {
        char line[512];
        snprintf(line, sizeof line, format, values...);
        text += line;
    };
    say("%s: 256 x 256, values in %s", options.image.c_str(), image.units.c_str());
    if (pixelMm > 0.0) say(", %g mm per pixel", pixelMm);
    say("\n");
    std::vector<CurvePanel> panels;
    const QString frequencyLabel = pixelMm > 0.0
                                       ? "frequency (cycles per pixel; a pixel is " + QString::number(pixelMm) + " mm)"
                                       : "frequency (cycles per pixel)";

    std::vector<RegionStats> rois;
    QJsonArray roiJson;
    for (const MeasurePlace& place : options.rois) {
        double radius;
        const PicturePoint centre = PlaceCentre(place, radius, "the region");
        rois.push_back(MeasureCircle(image.values, centre, radius));
        const RegionStats& s = rois.back();
        say("region %zu at row %.1f, column %.1f, radius %g: mean %.6g, SD %.6g, %d pixels\n", rois.size(), centre.row,
            centre.column, radius, s.mean, s.sd, s.pixels);
        roiJson.append(QJsonObject{{"mean", s.mean}, {"sd", s.sd}, {"pixels", s.pixels}});
    }
    if (!rois.empty()) json["rois"] = roiJson;
    if (rois.size() >= 2) {
        const double cnr = ContrastToNoise(rois[0], rois[1]);
        say("contrast-to-noise ratio |mean1 - mean2| / SD2: %.4g\n", cnr);
        json["cnr"] = JsonNumber(cnr);
    }

    if (!options.mtf.empty()) {
        FrequencyCurve mtf;
        if (options.mtf == "point") {
            mtf = PointMtf(image.values);
        } else {
            DiscEdge edge;
            if (options.mtf == "edge") {
                edge = FindDisc(image.values);
            } else {
                const std::vector<double> n = Numbers(options.mtf.substr(5), 3, "the edge's disc");
                edge = {FromField(n[0], n[1]), n[2]};
            }
            mtf = EdgeMtf(image.values, edge);
            say("edge of the disc at row %.2f, column %.2f, radius %.2f\n", edge.centre.row, edge.centre.column,
                edge.radius);
        }
        const double mtf50 = FallsTo(mtf, 0.5), mtf10 = FallsTo(mtf, 0.1);
        auto frequency = [&](const char* name, double f) {
            if (f < 0) {
                say("%s: above the Nyquist frequency, 0.5 cycles per pixel (not reached)\n", name);
                return;
            }
            say("%s: %.4f cycles per pixel", name, f);
            if (pixelMm > 0.0) say(", %.4f per mm", f / pixelMm);
            say("\n");
        };
        frequency("MTF50", mtf50);
        frequency("MTF10", mtf10);
        json["mtf50_cycles_per_pixel"] = JsonNumber(mtf50 < 0 ? NAN : mtf50);
        json["mtf10_cycles_per_pixel"] = JsonNumber(mtf10 < 0 ? NAN : mtf10);
        if (pixelMm > 0.0) {
            json["mtf50_cycles_per_mm"] = JsonNumber(mtf50 < 0 ? NAN : mtf50 / pixelMm);
            json["mtf10_cycles_per_mm"] = JsonNumber(mtf10 < 0 ? NAN : mtf10 / pixelMm);
        }
        json["mtf"] = QJsonObject{{"frequency_cycles_per_pixel", JsonArray(mtf.frequency)}, {"value", JsonArray(mtf.value)}};
        panels.push_back({"MTF from the " + QString::fromStdString(options.mtf == "point" ? "point" : "edge"),
                          frequencyLabel, "modulation", mtf.frequency, mtf.value});
    }

    if (!options.nps.numbers.empty()) {
        double size;
        const PicturePoint centre = PlaceCentre(options.nps, size, "the noise square");
        if (size != std::floor(size)) throw LabError("the noise square's size must be a whole number of pixels");
        MeasuredImage other;
        if (!options.npsPair.empty()) other = ReadMeasuredImage(options.npsPair);
        NoisePower nps = NoisePowerSpectrum(image.values, centre, static_cast<int>(size),
                                            options.npsPair.empty() ? nullptr : &other.values);
        // Per pixel area to per square millimetre.
        const double area = pixelMm > 0.0 ? pixelMm * pixelMm : 1.0;
        for (double& v : nps.spectrum.value) v *= area;
        const char* unit = pixelMm > 0.0 ? "value^2 mm^2" : "value^2 pixel^2";
        say("noise power spectrum of %g x %g pixels at row %.1f, column %.1f%s: %zu rings, in %s; integral "
            "(variance) %.6g, SD %.6g\n", size, size, centre.row, centre.column,
            options.npsPair.empty() ? "" : " (difference of the two images)", nps.spectrum.value.size(), unit,
            nps.variance, std::sqrt(nps.variance));
        json["nps"] = QJsonObject{{"frequency_cycles_per_pixel", JsonArray(nps.spectrum.frequency)},
                                  {"power", JsonArray(nps.spectrum.value)},
                                  {"variance", nps.variance}};
        panels.push_back({"noise power spectrum", frequencyLabel, QString("power (") + unit + ")", nps.spectrum.frequency,
                          nps.spectrum.value});
    }

    if (options.linePairs) {
        QJsonArray groups;
        for (const LinePairGroup& group : LinePairModulation(image.values)) {
            say("line pairs %g pixels wide: modulation %.4f\n", group.barWidth, group.modulation);
            groups.append(QJsonObject{{"bar_width_pixels", group.barWidth}, {"modulation", group.modulation}});
        }
        json["line_pairs"] = groups;
    }

    if (!options.profile.empty()) {
        const std::vector<double> n = Numbers(options.profile, 4, "the profile");
        const Profile profile = LineProfile(image.values, FromField(n[0], n[1]), FromField(n[2], n[3]));
        say("profile from (%g, %g) to (%g, %g), one sample per pixel:", n[0], n[1], n[2], n[3]);
        for (double v : profile.value) say(" %.5g", v);
        say("\n");
        json["profile"] = QJsonObject{{"distance_pixels", JsonArray(profile.distance)}, {"value", JsonArray(profile.value)}};
        panels.push_back({"profile", "distance (pixels)", QString::fromStdString("value (" + image.units + ")"),
                          profile.distance, profile.value});
    }

    if (options.qa) {
        const QaReport qa = MeasureQaPhantom(image, pixelMm);
        text += QaReportText(qa);
        json["qa"] = QaReportJson(qa);
    }

    if (!options.plot.empty()) {
        if (panels.empty()) throw LabError("--plot draws the MTF, the NPS or a profile: ask for one of them");
        outputs.StagePng(options.plot, DrawCurvePanels(panels));
        outputs.Commit();
        say("wrote %s\n", options.plot.c_str());
    }
    if (options.json) printf("%s", QJsonDocument(json).toJson(QJsonDocument::Compact).append('\n').constData());
    else printf("%s", text.c_str());
}

}  // namespace lab
