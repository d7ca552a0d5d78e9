// filter_plot.h - a picture of a kernel: its taps, and its frequency
// response beside the response it was designed for.
#pragma once

#include <string>

class QImage;

namespace lab {

// The kernel `name` as written with `cutoff` and `scale`.
QImage DrawKernelPlot(const std::string& name, double cutoff, double scale);

}  // namespace lab
