// curve_plot.h - curves measured on a slice (MTF, noise power spectrum,
// profiles), one panel each with axes and units, side by side.
#pragma once

#include <QString>

#include <vector>

class QImage;

namespace lab {

struct CurvePanel {
    QString heading;
    QString xLabel;
    QString yLabel;
    std::vector<double> x;
    std::vector<double> y;
};

// Panels in rows of two, 440 x 300 pixels each, on white.
QImage DrawCurvePanels(const std::vector<CurvePanel>& panels);

}  // namespace lab
