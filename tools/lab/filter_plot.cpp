// filter_plot.cpp - two panels of equal size on white: taps -32..32 as
// stems (the program plots taps -20..20), and the response from 0 to the
// Nyquist frequency, 0.5 cycles per bin.
#include "tools/lab/filter_plot.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/lab/filter_kernels.h"

namespace lab {

namespace {

const int PanelWidth = 440, PanelHeight = 300;
const int Left = 70, Top = 60, Bottom = 50, Gap = 90;

// A panel's frame, ticks and labels; maps values to pixels.
struct Axes {
    QRectF box;
    double x0, x1, y0, y1;
    QPointF Map(double x, double y) const {
        return {box.left() + (x - x0) / (x1 - x0) * box.width(), box.bottom() - (y - y0) / (y1 - y0) * box.height()};
    }
};

}  // namespace

std::vector<double> NiceTicks(double lo, double hi) {
    const double rough = (hi - lo) / 4.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    }
    std::vector<double> ticks;
    for (double y = std::ceil(lo / step) * step; y <= hi + 1e-9 * step; y += step) ticks.push_back(std::fabs(y) < 1e-9 * step ? 0.0 : y);
    return ticks;
}

namespace {

void DrawAxes(QPainter& painter, const Axes& axes, const QString& xLabel, const QString& yLabel,
              const std::vector<double>& xTicks, const QString& heading) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(axes.box);
    // The zero line.
    if (axes.y0 < 0.0 && axes.y1 > 0.0) {
        painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
        painter.drawLine(axes.Map(axes.x0, 0.0), axes.Map(axes.x1, 0.0));
        painter.setPen(QPen(Qt::black, 1));
    }
    const QFontMetrics metrics = painter.fontMetrics();
    for (double x : xTicks) {
        const QPointF at = axes.Map(x, axes.y0);
        painter.drawLine(at, at + QPointF(0, 5));
        const QString text = QString::number(x, 'g', 3);
        painter.drawText(QPointF(at.x() - metrics.horizontalAdvance(text) / 2.0, at.y() + 8 + metrics.ascent()), text);
    }
    for (double y : NiceTicks(axes.y0, axes.y1)) {
        const QPointF at = axes.Map(axes.x0, y);
        painter.drawLine(at, at - QPointF(5, 0));
        const QString text = QString::number(y, 'g', 3);
        painter.drawText(QPointF(at.x() - 8 - metrics.horizontalAdvance(text), at.y() + metrics.ascent() / 2.0 - 1), text);
    }
    painter.drawText(QPointF(axes.box.center().x() - metrics.horizontalAdvance(xLabel) / 2.0,
                             axes.box.bottom() + 20 + 2 * metrics.height() - 4),
                     xLabel);
    painter.save();
    painter.translate(axes.box.left() - 52, axes.box.center().y() + metrics.horizontalAdvance(yLabel) / 2.0);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), yLabel);
    painter.restore();
    QFont bold = painter.font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    painter.drawText(QPointF(axes.box.left(), axes.box.top() - 28), heading);
    painter.restore();
}

// Limits with a margin, always including 0.
void Range(const std::vector<double>& values, double& lo, double& hi) {
    lo = std::min(0.0, *std::min_element(values.begin(), values.end()));
    hi = std::max(0.0, *std::max_element(values.begin(), values.end()));
    if (hi == lo) hi = lo + 1.0;
    const double margin = 0.08 * (hi - lo);
    lo -= lo < 0.0 ? margin : 0.0;
    hi += margin;
}

}  // namespace

QImage DrawKernelPlot(const std::string& name, double cutoff, double scale) {
    std::vector<double> taps = KernelTaps(name, cutoff);
    for (double& h : taps) h *= scale;
    const std::string title = KernelTitle(name) + (cutoff < 1.0 ? ", cutoff " + QString::number(cutoff).toStdString() : "");

    QImage image(Left + PanelWidth + Gap + PanelWidth + 30, Top + PanelHeight + Bottom + 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    painter.setFont(font);

    // Taps -32..32, mirrored as the reconstruction applies them.
    const int shown = 32;
    std::vector<double> tapValues(taps.begin(), taps.begin() + std::min<size_t>(taps.size(), shown + 1));
    Axes left{QRectF(Left, Top, PanelWidth, PanelHeight), -shown - 1.0, shown + 1.0, 0, 0};
    Range(tapValues, left.y0, left.y1);
    DrawAxes(painter, left, "tap (bins from the centre)", "weight", {-32, -16, 0, 16, 32},
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
    Axes right{QRectF(Left + PanelWidth + Gap, Top, PanelWidth, PanelHeight), 0.0, 0.5, 0, 0};
    Range(both, right.y0, right.y1);
    DrawAxes(painter, right, "frequency (cycles per bin; 0.5 = Nyquist)", "response",
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
