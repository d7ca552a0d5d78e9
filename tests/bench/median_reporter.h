// median_reporter.h - the console report of a benchmark run that also
// keeps the median of each benchmark's repetitions (by name, "/args"
// appended when it has any), for the ratios printed at the end, and, for
// benchmarks that compute them (WithSpread), the fastest and slowest.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The fastest and slowest repetition beside the median, for a benchmark's
// Apply(): on a shared machine their spread tells how far to trust it.
inline void WithSpread(benchmark::internal::Benchmark* benchmark) {
    benchmark
        ->ComputeStatistics("min", [](const std::vector<double>& t) { return *std::min_element(t.begin(), t.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& t) { return *std::max_element(t.begin(), t.end()); });
}

class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> medianMs;
    std::map<std::string, double> medianCpuMs;                 // of the calling thread
    std::map<std::string, std::pair<double, double>> rangeMs;  // fastest, slowest
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate) continue;
            const std::string& args = run.run_name.args;
            const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
            if (run.aggregate_name == "median") {
                medianMs[name] = run.GetAdjustedRealTime();
                medianCpuMs[name] = run.GetAdjustedCPUTime();
            }
            if (run.aggregate_name == "min") rangeMs[name].first = run.GetAdjustedRealTime();
            if (run.aggregate_name == "max") rangeMs[name].second = run.GetAdjustedRealTime();
        }
    }
};
