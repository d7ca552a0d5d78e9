// iterative_recon.cpp - every method is one loop over subsets of views: the
// views of a subset are projected (channels shared out between threads),
// their corrections spread back and the image updated (rows shared out).
// Each pixel adds its views in the same order whichever thread runs it.
#include "lab/reconstruct/iterative_recon.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "recon/compute/instruction_sets.h"
#include "lab/core/field_geometry.h"
#include "lab/scan/siddon_projector.h"
#include "lab/core/two_threads.h"

namespace lab {

namespace {

constexpr int Pixels = FieldPixels * FieldPixels;

// The subsets in the order they are visited: each next one far in angle from
// the last (a stride near 0.38 of the count, prime to it), which speeds
// convergence over visiting neighbouring views in turn.
std::vector<int> SubsetOrder(int count) {
    int stride = std::max(1, static_cast<int>(count * 0.382));
    while (std::gcd(stride, count) != 1) ++stride;
    std::vector<int> order(count);
    for (int k = 0; k < count; ++k) order[k] = static_cast<int>((static_cast<long long>(k) * stride) % count);
    return order;
}

// The views of the subset that starts at view `first`.
std::vector<int> SubsetViews(int first, int subsets) {
    std::vector<int> views;
    for (int a = first; a < SinoAngles; a += subsets) views.push_back(a);
    return views;
}

// One row's update, x *= sum / length (MLEM) or x += relaxation sum /
// length, `lanes` pixels at a time: a division each is most of its cost.
// Pixels no ray of the subset crosses (length 0) keep their value.
template <int lanes>
__attribute__((always_inline)) inline void UpdateRowSteps(double* line, const double* sums, const double* lengths,
                                                          bool mlem, double relaxation, bool nonnegative) {
    typedef double Doubles __attribute__((vector_size(lanes * sizeof(double))));
    const Doubles zero = {};
    for (int x = 0; x < FieldPixels; x += lanes) {
        Doubles value, sum, length;
        std::memcpy(&value, line + x, sizeof value);
        std::memcpy(&sum, sums + x, sizeof sum);
        std::memcpy(&length, lengths + x, sizeof length);
        Doubles updated = mlem ? value * (sum / length) : value + relaxation * sum / length;
        if (nonnegative) updated = updated < zero ? zero : updated;
        value = length > zero ? updated : value;
        std::memcpy(line + x, &value, sizeof value);
    }
}

using UpdateRowFunction = void (*)(double*, const double*, const double*, bool, double, bool);

void UpdateRowPlain(double* line, const double* sums, const double* lengths, bool mlem, double relaxation,
                    bool nonnegative) {
    UpdateRowSteps<2>(line, sums, lengths, mlem, relaxation, nonnegative);
}
#if defined(SINORA_WIDE_VARIANTS)
WITH_AVX2 void UpdateRowAvx2(double* line, const double* sums, const double* lengths, bool mlem, double relaxation,
                             bool nonnegative) {
    UpdateRowSteps<4>(line, sums, lengths, mlem, relaxation, nonnegative);
}
WITH_AVX512 void UpdateRowAvx512(double* line, const double* sums, const double* lengths, bool mlem,
                                 double relaxation, bool nonnegative) {
    UpdateRowSteps<8>(line, sums, lengths, mlem, relaxation, nonnegative);
}
#endif

UpdateRowFunction ChosenUpdateRow() {
    switch (StepInstructionSet()) {
#if defined(SINORA_WIDE_VARIANTS)
        case Isa::Avx512: return UpdateRowAvx512;
        case Isa::Avx2: return UpdateRowAvx2;
#endif
        default: return UpdateRowPlain;
    }
}

}  // namespace

const std::vector<std::string>& IterativeMethodNames() {
    static const std::vector<std::string> names = {"sart", "sirt", "os-sart", "mlem"};
    return names;
}

std::optional<IterativeMethod> IterativeMethodNamed(const std::string& name) {
    const IterativeMethod methods[] = {IterativeMethod::Sart, IterativeMethod::Sirt, IterativeMethod::OsSart,
                                       IterativeMethod::Mlem};
    for (size_t k = 0; k < IterativeMethodNames().size(); ++k)
        if (IterativeMethodNames()[k] == name) return methods[k];
    return std::nullopt;
}

int SubsetCount(const IterativeSettings& settings) {
    if (settings.subsets > 0) return std::min(settings.subsets, SinoAngles);
    switch (settings.method) {
        case IterativeMethod::Sart: return SinoAngles;
        case IterativeMethod::OsSart: return 10;
        default: return 1;
    }
}

double Relaxation(const IterativeSettings& settings) {
    if (settings.relaxation > 0.0) return settings.relaxation;
    switch (settings.method) {
        case IterativeMethod::Sart: return 0.25;
        case IterativeMethod::OsSart: return 0.5;
        default: return 1.0;
    }
}

std::optional<std::vector<double>> ReconstructIteratively(const std::vector<double>& sinogram,
                                                          const IterativeSettings& settings,
                                                          const IterationProgress& progress) {
    const bool mlem = settings.method == IterativeMethod::Mlem;
    const int subsets = SubsetCount(settings);
    const double relaxation = Relaxation(settings);

    // Each ray's length inside the field (A1): rays that miss it carry nothing.
    FieldImage ones;
    std::fill(ones.values.begin(), ones.values.end(), 1.0);
    const std::vector<double> rayLengths = ProjectField(ones);

    std::vector<double> image(Pixels, 0.0);
    if (mlem) {
        // A uniform start with the measured total: every view sees about
        // twice the image's sum (rays half a pixel apart).
        double total = 0.0;
        for (double p : sinogram) total += std::max(p, 0.0);
        std::fill(image.begin(), image.end(), std::max(total / (2.0 * SinoAngles * Pixels), 1e-12));
    }

    const std::vector<int> order = SubsetOrder(subsets);
    // The image as the next subset's views read it, kept up to date row by
    // row as the image changes.
    FieldStrips strips;
    strips.CopyRows(image.data(), 0, FieldPixels, SubsetViews(order[0], subsets));
    std::vector<double> corrections;  // one row of 729 per view of the subset
    ViewSpreader spreader;
    for (int iteration = 0; iteration < settings.iterations; ++iteration) {
        for (int step = 0; step < subsets; ++step) {
            const std::vector<int> views = SubsetViews(order[step], subsets);
            const std::vector<int> nextViews = SubsetViews(order[(step + 1) % subsets], subsets);
            const int rays = static_cast<int>(views.size()) * SinoChannels;
            corrections.assign(rays, 0.0);

            SplitInTwo(rays, [&](int first, int last) {
                for (int i = first; i < last;) {
                    const int v = i / SinoChannels, c0 = i % SinoChannels;
                    const int c1 = std::min(SinoChannels, c0 + (last - i));
                    double* row = &corrections[static_cast<size_t>(v) * SinoChannels];
                    ProjectView(strips, views[v], c0, c1, row);
                    for (int c = c0; c < c1; ++c) {
                        const size_t at = SinogramIndex(c, views[v]);
                        const double measured = sinogram[at], length = rayLengths[at];
                        if (length <= 0.0) row[c] = mlem ? 1.0 : 0.0;
                        else if (!mlem) row[c] = (measured - row[c]) / length;
                        else row[c] = row[c] > 0.0 ? std::max(measured, 0.0) / row[c] : 1.0;
                    }
                    i += c1 - c0;
                }
            });

            std::vector<const double*> rows;
            for (size_t v = 0; v < views.size(); ++v) rows.push_back(&corrections[v * SinoChannels]);
            spreader.SetViews(rows, views);
            SplitInTwo(FieldPixels, [&](int firstRow, int lastRow) {
                const UpdateRowFunction updateRow = ChosenUpdateRow();
                double numerator[FieldPixels], denominator[FieldPixels];
                for (int r = firstRow; r < lastRow; ++r) {
                    spreader.Row(r, numerator, denominator);
                    updateRow(&image[static_cast<size_t>(r) * FieldPixels], numerator, denominator, mlem, relaxation,
                              settings.nonnegative);
                }
                strips.CopyRows(image.data(), firstRow, lastRow, nextViews);
            });
            if (!progress(iteration, (step + 1.0) / subsets)) return std::nullopt;
        }
    }
    return image;
}

}  // namespace lab
