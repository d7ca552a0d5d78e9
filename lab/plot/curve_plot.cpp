// curve_plot.cpp
#include "lab/plot/curve_plot.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "lab/plot/plot_axes.h"

namespace lab {

namespace {

const int PanelWidth = 440, PanelHeight = 300;
const int Left = 70, Top = 60, Bottom = 60, Gap = 90;

}  // namespace

QImage DrawCurvePanels(const std::vector<CurvePanel>& panels) {
    const int columns = panels.size() > 1 ? 2 : 1, rows = static_cast<int>((panels.size() + 1) / 2);
    QImage image = WhitePlot(Left + columns * PanelWidth + (columns - 1) * Gap + 30, rows * (Top + PanelHeight + Bottom) + 10);
    QPainter painter(&image);
    PreparePlotPainter(painter);
    for (size_t k = 0; k < panels.size(); ++k) {
        const CurvePanel& panel = panels[k];
        const int column = static_cast<int>(k % 2), row = static_cast<int>(k / 2);
        PlotAxes axes{QRectF(Left + column * (PanelWidth + Gap), Top + row * (Top + PanelHeight + Bottom), PanelWidth,
                             PanelHeight),
                      panel.x.front(), panel.x.back(), 0, 0};
        if (axes.x1 == axes.x0) axes.x1 = axes.x0 + 1.0;
        PlotRange(panel.y, axes.y0, axes.y1);
        DrawPlotAxes(painter, axes, panel.xLabel, panel.yLabel, NiceTicks(axes.x0, axes.x1), panel.heading);
        QPainterPath path(axes.Map(panel.x[0], panel.y[0]));
        for (size_t i = 1; i < panel.x.size(); ++i) path.lineTo(axes.Map(panel.x[i], panel.y[i]));
        painter.setPen(QPen(QColor(200, 40, 20), 1.5));
        painter.drawPath(path);
    }
    painter.end();
    return image;
}

}  // namespace lab
