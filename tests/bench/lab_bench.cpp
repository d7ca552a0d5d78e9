// lab_bench.cpp - sinora-lab's numerics: the exact projection of a 256 x 256
// field (729 channels x 180 views), the whole `sinora-lab sinogram` process
// on a 512 x 512 PNG, and SART iterations; beside scikit-image's `radon` and
// `iradon_sart` on the same sizes, timed in-process by Python in the same
// run. At the end, the medians and their ratios, and the processor.
#include <benchmark/benchmark.h>

#include <QImage>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>
#include <string>
#include <vector>

#include "bench_isa.h"
#include "median_reporter.h"
#include "lab/reconstruct/iterative_recon.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/siddon_projector.h"

namespace {

const lab::FieldImage& Head() {
    static const lab::FieldImage head = lab::RasterisePhantom(lab::MakePhantom("modified-shepp-logan"));
    return head;
}

const std::vector<double>& HeadSinogram() {
    static const std::vector<double> sinogram = lab::ProjectField(Head());
    return sinogram;
}

std::string Scratch(const char* name) { return std::string(P_tmpdir) + "/sinora_lab_bench_" + name; }

// A 512 x 512 grey picture with detail at every scale: the head drawn at
// twice the size, with a fine ripple.
void WritePhoto() {
    QImage photo(512, 512, QImage::Format_Grayscale8);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            photo.scanLine(y)[x] = static_cast<uchar>(
                std::min(255.0, 200.0 * Head().at(x / 2, y / 2) + 20.0 + 20.0 * std::sin(0.3 * x) * std::cos(0.2 * y)));
    photo.save(QString::fromStdString(Scratch("photo.png")));
}

void BM_LabProjection(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(lab::ProjectField(Head()));
}
BENCHMARK(BM_LabProjection)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

void BM_LabSinogramProcess(benchmark::State& state) {
    const std::string command = std::string(SINORA_LAB_PROGRAM) + " sinogram " + Scratch("photo.png") + " -o " +
                                Scratch("photo.sino") + " > /dev/null";
    for (auto _ : state)
        if (system(command.c_str()) != 0) state.SkipWithError("sinora-lab sinogram failed");
}
BENCHMARK(BM_LabSinogramProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

void BM_LabSart(benchmark::State& state) {
    lab::IterativeSettings settings;
    settings.iterations = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(lab::ReconstructIteratively(HeadSinogram(), settings, [](int, double) { return true; }));
}
BENCHMARK(BM_LabSart)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(WithSpread);

// scikit-image in one Python process, each call timed five times: radon of
// the 256 x 256 head and of the 512 x 512 photo (180 angles), one
// iradon_sart sweep of the head's 256-bin sinogram. Milliseconds by name,
// empty when Python or scikit-image is missing.
std::map<std::string, double> TimeScikitImage() {
    const std::string script = Scratch("skimage.py"), output = Scratch("skimage.txt");
    std::ofstream(script) << R"(import sys, time, numpy as np
from skimage.io import imread
from skimage.transform import radon, iradon_sart, resize
theta = np.arange(180.0)
photo = imread(sys.argv[1], as_gray=True).astype(float)
head = resize(photo, (256, 256), anti_aliasing=True)
def median_ms(f):
    times = []
    for _ in range(5):
        start = time.perf_counter(); f(); times.append(1000 * (time.perf_counter() - start))
    return sorted(times)[2]
sino = radon(head, theta)
print("radon_256", median_ms(lambda: radon(head, theta)))
print("radon_512", median_ms(lambda: radon(photo, theta)))
print("iradon_sart_256", median_ms(lambda: iradon_sart(sino, theta)))
)";
    std::map<std::string, double> ms;
    // Debian's Python, where python3-skimage installs.
    const std::string command = "/usr/bin/python3 " + script + " " + Scratch("photo.png") + " > " + output + " 2>/dev/null";
    if (system(command.c_str()) != 0) return ms;
    std::ifstream in(output);
    std::string name;
    double value;
    while (in >> name >> value) ms[name] = value;
    return ms;
}

std::string Processor() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown";
}

void PrintSummary(const std::map<std::string, double>& lab, const std::map<std::string, double>& labCpu,
                  const std::map<std::string, std::pair<double, double>>& labRange,
                  const std::map<std::string, double>& skimage) {
    auto at = [](const std::map<std::string, double>& m, const char* name) {
        const auto found = m.find(name);
        return found == m.end() ? NAN : found->second;
    };
    const double projection = at(lab, "BM_LabProjection"), process = at(lab, "BM_LabSinogramProcess");
    const double sart1 = at(lab, "BM_LabSart/1"), sart10 = at(lab, "BM_LabSart/10");
    if (std::isnan(projection)) return;  // run without repetitions: no medians
    printf("\nprocessor: %s, %u threads; instruction set of the projector: %s\n", Processor().c_str(),
           std::thread::hardware_concurrency(), InstructionSetName());
    printf("medians: projection of 256 x 256 %.2f ms (target 25), sinogram process on a 512 x 512 PNG %.1f ms "
           "(target 150)\n", projection, process);
    printf("         SART 1 iteration %.1f ms (target 120), 10 iterations %.1f ms (target 1500), "
           "%.1f ms per further iteration\n", sart1, sart10, (sart10 - sart1) / 9.0);
    // On a shared machine the other processes stretch the wall times; the
    // calling thread's processor time (its half of the work, and its watch
    // for the other half's end) much less.
    printf("calling thread's processor time: projection %.2f ms, SART 1 iteration %.1f ms, %.1f ms per further "
           "iteration\n", at(labCpu, "BM_LabProjection"), at(labCpu, "BM_LabSart/1"),
           (at(labCpu, "BM_LabSart/10") - at(labCpu, "BM_LabSart/1")) / 9.0);
    printf("spread of the repetitions (fastest - slowest):\n");
    for (const auto& [name, range] : labRange) printf("  %-24s %8.2f - %8.2f ms\n", name.c_str(), range.first, range.second);
    if (skimage.empty()) {
        printf("scikit-image: not available (python3-skimage)\n");
        return;
    }
    printf("scikit-image (median of 5, same run): radon 256 x 256 %.1f ms, radon 512 x 512 %.1f ms, "
           "iradon_sart one sweep %.1f ms\n", at(skimage, "radon_256"), at(skimage, "radon_512"),
           at(skimage, "iradon_sart_256"));
    printf("lab / scikit-image: projection %.3f (of radon 256), process %.3f (of radon 512 alone), "
           "SART iteration %.3f\n", projection / at(skimage, "radon_256"), process / at(skimage, "radon_512"),
           sart1 / at(skimage, "iradon_sart_256"));
}

}  // namespace

int main(int argc, char** argv) {
    LimitInstructionSetFromEnvironment();
    WritePhoto();
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter.medianMs, reporter.medianCpuMs, reporter.rangeMs, TimeScikitImage());
    benchmark::Shutdown();
    return 0;
}
