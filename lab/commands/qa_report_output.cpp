// qa_report_output.cpp
#include "lab/commands/qa_report_output.h"

#include <QJsonArray>

#include <cmath>
#include <cstdio>

#include "lab/measure/bar_pattern_mtf.h"
#include "lab/objects/qa_phantom_layout.h"

namespace lab {

namespace {

const char* Verdict(bool pass) { return pass ? "PASS" : "FAIL"; }

// Appends printf-style text.
template <typename... Values>
void Say(std::string& text, const char* format, Values... values) {
    char line[512];
    snprintf(line, sizeof line, format, values...);
    text += line;
}

// "adult head above 1.0 PASS; ...": `decimals` after the point, then `unit`.
std::string Verdicts(const std::vector<QaVerdict>& verdicts, const char* relation, int decimals, const char* unit) {
    std::string text;
    for (const QaVerdict& v : verdicts)
        Say(text, "%s%s %s %.*f%s %s", text.empty() ? "" : "; ", v.criterion.protocol, relation, decimals,
            v.criterion.minimum, unit, Verdict(v.pass));
    return text;
}

void CtNumberLines(const QaReport& report, std::string& text) {
    Say(text, "CT number accuracy, %g mm2 at the centre of each insert:\n", qa::InsertRegionArea);
    for (const QaCtNumber& n : report.ctNumbers)
        Say(text, "  %-20s %+8.1f HU  (ACR %+g to %+g)  %s\n", MaterialName(n.material).c_str(), n.region.mean,
            n.acr.low, n.acr.high, Verdict(n.pass));
}

void UniformityLines(const QaReport& report, std::string& text) {
    const QaUniformity& u = report.uniformity;
    Say(text, "uniformity, %g mm2 at the centre and %g mm out at 12, 3, 6 and 9 o'clock: %s\n",
        qa::UniformityRegionArea, qa::EdgeRegionDistance, Verdict(u.pass));
    Say(text, "  %-20s %+8.1f HU  (ACR water %+g to %+g)  %s\n", "centre", u.centre.mean, u.water.low, u.water.high,
        Verdict(u.centrePass));
    for (const QaEdge& e : u.edges)
        Say(text, "  %-20s %+8.1f HU, %+.1f from the centre  (ACR within %g)  %s\n", e.place.c_str(), e.region.mean,
            e.fromCentre, AcrEdgeToCentreHu, Verdict(e.pass));
    Say(text, "noise: SD %.1f HU in the centre region (the ACR sets no criterion)\n", u.centre.sd);
}

void HighContrastLines(const QaReport& report, std::string& text) {
    const QaHighContrast& h = report.highContrast;
    Say(text,
        "high-contrast resolution, the MTF of each bar group from its spread (Droege and Morin); resolved: MTF at "
        "least %.2f below the Nyquist frequency, %g lp/cm at %g mm per pixel:\n",
        LimitingMtf, h.nyquistLpPerCm, report.pixelMm);
    for (const QaBarGroup& g : h.groups) {
        const char* state = "not resolved";
        if (g.resolved)
            state = "resolved";
        else if (g.linePairsPerCm == h.nyquistLpPerCm)
            state = "at the Nyquist frequency, shown as the bars fall on the pixels: not counted";
        else if (!g.belowNyquist)
            state = "above the Nyquist frequency, aliased: not counted";
        Say(text, "  %4g lp/cm: MTF %.3f  %s\n", g.linePairsPerCm, g.mtf, state);
    }
    if (h.limitLpPerCm > 0.0)
        Say(text, "  limit %g lp/cm: ", h.limitLpPerCm);
    else
        Say(text, "  limit below %g lp/cm (no group resolved): ", h.groups.front().linePairsPerCm);
    text += "ACR " + Verdicts(h.verdicts, "at least", 0, " lp/cm") + "\n";
}

void LowContrastLines(const QaReport& report, std::string& text) {
    const QaLowContrast& l = report.lowContrast;
    Say(text, "low contrast, %g mm2 on the 25 mm rod and beside it: rod %+.1f HU, background %+.1f HU, SD %.1f HU: ",
        qa::LowContrastRegionArea, l.rod.mean, l.background.mean, l.background.sd);
    if (std::isfinite(l.cnr))
        Say(text, "CNR %.2f\n", l.cnr);
    else
        text += "CNR without bound (no noise)\n";
    text += "  ACR " + Verdicts(l.verdicts, "above", 1, "") + "\n";
}

QJsonArray VerdictsJson(const std::vector<QaVerdict>& verdicts, const char* minimumName) {
    QJsonArray array;
    for (const QaVerdict& v : verdicts)
        array.append(
            QJsonObject{{"protocol", v.criterion.protocol}, {minimumName, v.criterion.minimum}, {"pass", v.pass}});
    return array;
}

QJsonValue Finite(double value) { return std::isfinite(value) ? QJsonValue(value) : QJsonValue(); }

}  // namespace

std::string QaReportText(const QaReport& report) {
    std::string text;
    Say(text,
        "qa phantom against the ACR CT accreditation phantom's criteria (a simulation: passing is not "
        "accreditation); %g mm per pixel%s\n",
        report.pixelMm, report.pixelAssumed ? ", the phantom's own (the image does not say)" : "");
    CtNumberLines(report, text);
    UniformityLines(report, text);
    HighContrastLines(report, text);
    LowContrastLines(report, text);
    return text;
}

QJsonObject QaReportJson(const QaReport& report) {
    QJsonArray numbers, edges, groups;
    for (const QaCtNumber& n : report.ctNumbers)
        numbers.append(QJsonObject{{"material", QString::fromStdString(MaterialName(n.material))},
                                   {"mean_hu", n.region.mean},
                                   {"sd_hu", n.region.sd},
                                   {"pixels", n.region.pixels},
                                   {"acr_low_hu", n.acr.low},
                                   {"acr_high_hu", n.acr.high},
                                   {"pass", n.pass}});
    const QaUniformity& u = report.uniformity;
    for (const QaEdge& e : u.edges)
        edges.append(QJsonObject{{"place", QString::fromStdString(e.place)},
                                 {"mean_hu", e.region.mean},
                                 {"from_centre_hu", e.fromCentre},
                                 {"pass", e.pass}});
    const QaHighContrast& h = report.highContrast;
    for (const QaBarGroup& g : h.groups)
        groups.append(QJsonObject{{"lp_per_cm", g.linePairsPerCm},
                                  {"mtf", g.mtf},
                                  {"below_nyquist", g.belowNyquist},
                                  {"resolved", g.resolved}});
    const QaLowContrast& l = report.lowContrast;
    return QJsonObject{
        {"pixel_mm", report.pixelMm},
        {"pixel_assumed", report.pixelAssumed},
        {"ct_numbers", numbers},
        {"uniformity", QJsonObject{{"centre_hu", u.centre.mean},
                                   {"water_low_hu", u.water.low},
                                   {"water_high_hu", u.water.high},
                                   {"centre_pass", u.centrePass},
                                   {"acr_edge_to_centre_hu", AcrEdgeToCentreHu},
                                   {"edges", edges},
                                   {"pass", u.pass}}},
        {"noise", QJsonObject{{"centre_sd_hu", u.centre.sd}, {"acr_criterion", QJsonValue()}}},
        {"high_contrast",
         QJsonObject{{"nyquist_lp_per_cm", h.nyquistLpPerCm},
                     {"limiting_mtf", LimitingMtf},
                     {"groups", groups},
                     {"limit_lp_per_cm", h.limitLpPerCm > 0.0 ? QJsonValue(h.limitLpPerCm) : QJsonValue()},
                     {"criteria", VerdictsJson(h.verdicts, "minimum_lp_per_cm")}}},
        {"low_contrast", QJsonObject{{"rod_hu", l.rod.mean},
                                     {"background_hu", l.background.mean},
                                     {"background_sd_hu", l.background.sd},
                                     {"cnr", Finite(l.cnr)},
                                     {"criteria", VerdictsJson(l.verdicts, "minimum_cnr")}}},
    };
}

}  // namespace lab
