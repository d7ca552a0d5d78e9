// filter_command.cpp - `filter KIND -o OUT.txt`: 128 taps, one per line,
// and on request their plot.
#include <cstdio>

#include <QImage>

#include "tools/lab/commands.h"
#include "tools/lab/filter_kernels.h"
#include "tools/lab/filter_plot.h"
#include "tools/lab/output_files.h"

namespace lab {

void RunFilterCommand(const FilterOptions& options) {
    const std::vector<double> taps = KernelTaps(options.name, options.cutoff);
    OutputFiles outputs;
    outputs.Claim(options.output);
    outputs.Claim(options.plot);

    std::string text;
    char line[40];
    for (double h : taps) {
        snprintf(line, sizeof line, "%.12g\n", options.scale * h);
        text += line;
    }
    outputs.Stage(options.output, text);
    if (!options.plot.empty()) outputs.StagePng(options.plot, DrawKernelPlot(options.name, options.cutoff, options.scale));
    outputs.Commit();

    printf("wrote %s: %s kernel, 128 taps, centre tap %.6g\n", options.output.c_str(), KernelTitle(options.name).c_str(),
           options.scale * taps[0]);
    if (!options.plot.empty()) printf("wrote %s: taps and frequency response\n", options.plot.c_str());
}

}  // namespace lab
