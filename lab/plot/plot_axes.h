// plot_axes.h - the frame, ticks, labels and heading of one panel of a
// plot, shared by the lab's pictures of curves.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

class QImage;
class QPainter;

namespace lab {

// A panel's box in the picture and the value ranges it shows.
struct PlotAxes {
    QRectF box;
    double x0, x1, y0, y1;
    QPointF Map(double x, double y) const {
        return {box.left() + (x - x0) / (x1 - x0) * box.width(), box.bottom() - (y - y0) / (y1 - y0) * box.height()};
    }
};

// Round values (1, 2 or 5 times a power of ten apart) within lo..hi.
std::vector<double> NiceTicks(double lo, double hi);

// The frame, a dashed zero line, ticks with numbers, the axis labels and a
// bold heading above the box.
void DrawPlotAxes(QPainter& painter, const PlotAxes& axes, const QString& xLabel, const QString& yLabel,
                  const std::vector<double>& xTicks, const QString& heading);

// A white picture for a plot, and a painter on it with the plots' font and
// antialiasing.
QImage WhitePlot(int width, int height);
void PreparePlotPainter(QPainter& painter);

// Limits of `values` with a margin, always including 0.
void PlotRange(const std::vector<double>& values, double& lo, double& hi);

}  // namespace lab
