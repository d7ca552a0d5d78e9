// filter_command.cpp - `filter KIND -o OUT.txt`: 128 taps, one per line,
// and on request their plot.
#include <cstdio>

#include <QImage>

#include "base/c_locale.h"
#include "lab/commands/commands.h"
#include "lab/reconstruct/filter_kernels.h"
#include "lab/plot/filter_plot.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/files/output_files.h"

namespace lab {

void RunFilterCommand(const FilterOptions& options) {
    const CLocaleScope numbersInC;  // taps with a decimal point, as the program reads them
    if (!Contains(TapScale, options.scale) || !Contains(CutoffFraction, options.cutoff))
        throw LabError("the filter's scale must be " + RangeText(TapScale) + " and its cutoff " +
                       RangeText(CutoffFraction));
    const std::vector<double> taps = KernelTaps(options.name, options.cutoff);
    OutputFiles outputs;
    outputs.Claim(options.output);
    outputs.Claim(options.plot);

    std::string text;
    char line[40];
    std::vector<double> scaled;
    for (double h : taps) {
        scaled.push_back(options.scale * h);
        snprintf(line, sizeof line, "%.12g\n", scaled.back());
        text += line;
    }
    const std::string problem = TapProblem(scaled.data());
    if (!problem.empty()) throw LabError("no filter file written: " + problem);
    outputs.Stage(options.output, text);
    if (!options.plot.empty()) outputs.StagePng(options.plot, DrawKernelPlot(options.name, options.cutoff, options.scale));
    outputs.Commit();

    printf("wrote %s: %s kernel, 128 taps, centre tap %.6g\n", options.output.c_str(), KernelTitle(options.name).c_str(),
           options.scale * taps[0]);
    if (!options.plot.empty()) printf("wrote %s: taps and frequency response\n", options.plot.c_str());
}

}  // namespace lab
