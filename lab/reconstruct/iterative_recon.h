// iterative_recon.h - algebraic and statistical reconstructions of a
// sinogram file on the lab's own geometry, with the exact projector as the
// system model A (lengths of each ray in each pixel):
//   SART (Andersen & Kak 1984): after each view, x += r A'((p - Ax) / A1) / A'1;
//   SIRT: the same over all views at once; OS-SART: over subsets of views;
//   MLEM (Shepp & Vardi 1982), OS-EM with subsets (Hudson & Larkin 1994):
//   x *= A'(p / Ax) / A'1.
// Results do not depend on the number of threads.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lab {

enum class IterativeMethod { Sart, Sirt, OsSart, Mlem };

// The method of a name: sart, sirt, os-sart or mlem; nullopt for another.
std::optional<IterativeMethod> IterativeMethodNamed(const std::string& name);
const std::vector<std::string>& IterativeMethodNames();

struct IterativeSettings {
    IterativeMethod method = IterativeMethod::Sart;
    int iterations = 10;
    // Subsets of views updated together; 0: the method's own (SART 180,
    // SIRT 1, OS-SART 10, MLEM 1). Views a, a + K, a + 2K... form a subset;
    // the subsets are visited with a stride near 0.382 K prime to K (views
    // 0, 71, 142, 33, ... for SART).
    int subsets = 0;
    // Step on each update; 0: the method's own (SART 0.25, OS-SART 0.5,
    // SIRT 1). MLEM takes no step.
    double relaxation = 0.0;
    // Negative values set to 0 after each update (MLEM keeps them positive
    // by itself).
    bool nonnegative = false;
};

int SubsetCount(const IterativeSettings& settings);
double Relaxation(const IterativeSettings& settings);

// Called after each subset with the iterations done and the fraction of the
// current one; returns false to stop.
using IterationProgress = std::function<bool(int iterationsDone, double fractionOfNext)>;

// `sinogram`: 729 x 180 line integrals in file order (pixel lengths times
// value). Returns 256 x 256 values per pixel length, row-major, row 0 at the
// top; nullopt when `progress` asked to stop.
std::optional<std::vector<double>> ReconstructIteratively(const std::vector<double>& sinogram,
                                                          const IterativeSettings& settings,
                                                          const IterationProgress& progress);

}  // namespace lab
