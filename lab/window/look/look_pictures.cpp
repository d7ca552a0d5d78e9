// look_pictures.cpp
#include "lab/window/look/look_pictures.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "base/to_int.h"
#include "lab/plot/curve_plot.h"
#include "lab/plot/display_levels.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/files/slice_files.h"
#include "lab/window/look/look_steps.h"
#include "lab/window/widgets/previews.h"

namespace labwin {

QImage WindowedPicture(const lab::SliceValues& values, int centre, int width) {
    return lab::GreyPicture(lab::WindowedGreys(values, centre, width));
}

QImage SignedPicture(const lab::SliceValues& values, SignedMap map) {
    double top = 0.0;
    for (double v : values) top = std::max(top, std::abs(v));
    if (top == 0.0) top = 1.0;
    QImage picture(256, 256, QImage::Format_RGB32);
    for (int r = 0; r < 256; ++r) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(r));
        for (int x = 0; x < 256; ++x) {
            const double t = std::clamp(values[r * 256 + x] / top, -1.0, 1.0);
            if (map == SignedMap::Grey) {
                const int g = std::clamp(TruncToInt32(127.5 + 127.5 * t), 0, 255);
                row[x] = qRgb(g, g, g);
            } else {
                // Blue below zero, white at zero, red above.
                const int fade = std::clamp(TruncToInt32(255.0 * (1.0 - std::abs(t))), 0, 255);
                row[x] = t >= 0 ? qRgb(255, fade, fade) : qRgb(fade, fade, 255);
            }
        }
    }
    return picture;
}

QImage MarkedSinogram(const LookSteps& steps, int a) {
    QImage picture = SinogramPicture(steps.input.integrals).convertToFormat(QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setPen(Qt::red);
    const int y = a * picture.height() / 180;
    painter.drawLine(0, y, picture.width(), y);
    return picture;
}

QImage FilterCurves(const LookSteps& steps) {
    if (steps.taps.empty()) {
        QImage none = lab::DrawCurvePanels({{"Simple back projection: no filter", "tap", "weight", {0, 127}, {0, 0}}});
        return none;
    }
    // The taps near the centre, mirrored as the reconstruction applies them.
    constexpr int Shown = 32;
    std::vector<double> n, weight, f(129), response(129);
    for (int k = -Shown; k <= Shown; ++k) {
        n.push_back(k);
        weight.push_back(steps.taps[std::abs(k)]);
    }
    for (int k = 0; k <= 128; ++k) {
        f[k] = 0.5 * k / 128.0;
        response[k] = lab::TapsResponse(steps.taps, f[k]);
    }
    return lab::DrawCurvePanels({{steps.input.filterTitle + ": taps", "tap (bins from the centre)", "weight", n, weight},
                                 {"Frequency response", "frequency (cycles per bin)", "gain", f, response}});
}

QImage ProjectionCurves(const LookSteps& steps, int a) {
    std::vector<double> bins(256);
    for (int j = 0; j < 256; ++j) bins[j] = j;
    const QString angle = QString(" at %1°").arg(a);
    // The filtered one above the raw one, on the same bins.
    const QImage filtered =
        lab::DrawCurvePanels({{"Filtered projection" + angle, "bin", "filtered value", bins, steps.projection(a, true)}});
    const QImage raw = lab::DrawCurvePanels({{"Raw projection" + angle, "bin", "line integral", bins, steps.projection(a, false)}});
    QImage both(filtered.width(), filtered.height() + raw.height(), QImage::Format_RGB32);
    QPainter painter(&both);
    painter.drawImage(0, 0, filtered);
    painter.drawImage(0, filtered.height(), raw);
    return both;
}

QImage ProfileCurve(const lab::Profile& profile, const QString& units) {
    return lab::DrawCurvePanels({{"Line profile", "distance (pixels)", units, profile.distance, profile.value}});
}

}  // namespace labwin
