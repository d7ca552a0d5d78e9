// filter_plot.cpp - two panels of equal size on white: taps -32..32 as
// stems (the program plots taps -20..20), and the response from 0 to the
// Nyquist frequency, 0.5 cycles per bin.
#include "lab/plot/filter_plot.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lab/reconstruct/filter_kernels.h"
#include "lab/plot/plot_axes.h"

namespace lab {

namespace {

const int PanelWidth = 440, PanelHeight = 300;
const int Left = 70, Top = 60, Bottom = 50, Gap = 90;

}  // namespace

QImage DrawKernelPlot(const std::string& name, double cutoff, double scale) {
    std::vector<double> taps = KernelTaps(name, cutoff);
    for (double& h : taps) h *= scale;
    const std::string title = KernelTitle(name) + (cutoff < 1.0 ? ", cutoff " + QString::number(cutoff).toStdString() : "");

    QImage image = WhitePlot(Left + PanelWidth + Gap + PanelWidth + 30, Top + PanelHeight + Bottom + 10);
    QPainter painter(&image);
    PreparePlotPainter(painter);

    // Taps -32..32, mirrored as the reconstruction applies them.
    const int shown = 32;
    std::vector<double> tapValues(taps.begin(), taps.begin() + std::min<size_t>(taps.size(), shown + 1));
    PlotAxes left{QRectF(Left, Top, PanelWidth, PanelHeight), -shown - 1.0, shown + 1.0, 0, 0};
    PlotRange(tapValues, left.y0, left.y1);
    DrawPlotAxes(painter, left, "tap (bins from the centre)", "weight", {-32, -16, 0, 16, 32},
             QString::fromStdString(title + ": taps"));
    painter.setPen(QPen(QColor(0, 90, 200), 2));
    for (int n = -shown; n <= shown; ++n) {
        const double h = tapValues[std::abs(n)];
        painter.drawLine(left.Map(n, 0.0), left.Map(n, h));
        painter.drawEllipse(left.Map(n, h), 2.0, 2.0);
    }

    // Response of the 128 taps and of the design, 0..0.5 cycles per bin.
    const int steps = 400;
    std::vector<double> actual(steps + 1), design(steps + 1);
    for (int k = 0; k <= steps; ++k) {
        const double f = 0.5 * k / steps;
        actual[k] = TapsResponse(taps, f);
        design[k] = scale * DesignResponse(name, cutoff, f);
    }
    std::vector<double> both(actual);
    both.insert(both.end(), design.begin(), design.end());
    PlotAxes right{QRectF(Left + PanelWidth + Gap, Top, PanelWidth, PanelHeight), 0.0, 0.5, 0, 0};
    PlotRange(both, right.y0, right.y1);
    DrawPlotAxes(painter, right, "frequency (cycles per bin; 0.5 = Nyquist)", "response",
             {0.0, 0.1, 0.2, 0.3, 0.4, 0.5}, QString::fromStdString(title + ": frequency response"));
    auto curve = [&](const std::vector<double>& values, const QPen& pen) {
        QPainterPath path(right.Map(0.0, values[0]));
        for (int k = 1; k <= steps; ++k) path.lineTo(right.Map(0.5 * k / steps, values[k]));
        painter.setPen(pen);
        painter.drawPath(path);
    };
    curve(design, QPen(QColor(160, 160, 160), 4));
    curve(actual, QPen(QColor(200, 40, 20), 1.5));
    // Legend, on the heading line.
    const QString designText = "grey: design (ramp x window)", actualText = "red: the 128 taps";
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(QColor(200, 40, 20));
    painter.drawText(QPointF(right.box.right() - metrics.horizontalAdvance(actualText), right.box.top() - 8), actualText);
    painter.setPen(QColor(120, 120, 120));
    painter.drawText(QPointF(right.box.right() - metrics.horizontalAdvance(actualText) - 16 - metrics.horizontalAdvance(designText),
                             right.box.top() - 8),
                     designText);
    painter.end();
    return image;
}

}  // namespace lab
