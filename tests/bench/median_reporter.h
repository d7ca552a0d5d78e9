// median_reporter.h - the console report of a benchmark run that also
// keeps the median of each benchmark's repetitions (by name, "/args"
// appended when it has any), for the ratios printed at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> medianMs;
    std::map<std::string, double> medianCpuMs;  // of the calling thread
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string& args = run.run_name.args;
                const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
                medianMs[name] = run.GetAdjustedRealTime();
                medianCpuMs[name] = run.GetAdjustedCPUTime();
            }
        }
    }
};
