// plot_axes.cpp
#include "lab/plot/plot_axes.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lab {

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

void DrawPlotAxes(QPainter& painter, const PlotAxes& axes, const QString& xLabel, const QString& yLabel,
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

void PlotRange(const std::vector<double>& values, double& lo, double& hi) {
    lo = std::min(0.0, *std::min_element(values.begin(), values.end()));
    hi = std::max(0.0, *std::max_element(values.begin(), values.end()));
    if (hi == lo) hi = lo + 1.0;
    const double margin = 0.08 * (hi - lo);
    lo -= lo < 0.0 ? margin : 0.0;
    hi += margin;
}

QImage WhitePlot(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void PreparePlotPainter(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    painter.setFont(font);
}

}  // namespace lab
