// filter_plot.h - a picture of a kernel: its taps, and its frequency
// response beside the response it was designed for.
#pragma once

#include <string>
#include <vector>

class QImage;

namespace lab {

// The kernel `name` as written with `cutoff` and `scale`.
QImage DrawKernelPlot(const std::string& name, double cutoff, double scale);

// Round values (1, 2 or 5 times a power of ten apart) within lo..hi, for
// the ticks of an axis.
std::vector<double> NiceTicks(double lo, double hi);

}  // namespace lab
