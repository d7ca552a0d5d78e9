// scan_artifacts.cpp - every ray is measured on its own: the moved object's
// line integral is the unmoved one's on another ray (a shift s moves the ray
// at distance d to d - s.n, a turn by r the view angle to theta - r), so
// motion needs no resampling; each material is projected on that ray, the
// metal discs' chords added in closed form (and a phantom's shapes taken out
// along the same chords), and the spectrum combines them.
#include "lab/scan/scan_artifacts.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

#include "lab/scan/counting_noise.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/scan/siddon_projector.h"
#include "lab/core/two_threads.h"
#include "lab/scan/scan_bounds.h"

namespace lab {

namespace {

// A material map ready for rays, the object under the metal taken out:
// shapes along the metal's own chords, pixels by the share each disc covers.
struct PreparedMap {
    Material material;
    const Phantom* shapes = nullptr;  // exact integrals
    // Without shapes, the field laid out for projection, a view at a time.
    std::optional<FieldStrips> projected;
};

struct Metal {
    MetalDisc disc;
    double relative;  // attenuation relative to water at the effective energy
};

// The share of each pixel a disc covers (at most 1 where discs overlap).
FieldImage MetalCoverage(const std::vector<MetalDisc>& metals) {
    Phantom discs;
    for (const MetalDisc& m : metals) discs.ellipses.push_back({m.x, m.y, m.radius, m.radius, 0.0, 1.0});
    FieldImage coverage = RasterisePhantom(discs);
    for (double& v : coverage.values) v = std::min(v, 1.0);
    return coverage;
}

double DiscChord(const MetalDisc& disc, double d, double cosA, double sinA) {
    const double offset = d - (disc.x * cosA + disc.y * sinA);
    const double half2 = disc.radius * disc.radius - offset * offset;
    return half2 > 0.0 ? 2.0 * std::sqrt(half2) : 0.0;
}

// Where the ray crosses the discs, overlapping crossings joined.
std::vector<RaySpan> DiscSpans(const std::vector<MetalDisc>& discs, double d, double cosA, double sinA) {
    std::vector<RaySpan> spans;
    for (const MetalDisc& disc : discs) {
        const double half = 0.5 * DiscChord(disc, d, cosA, sinA);
        const double centre = -disc.x * sinA + disc.y * cosA;
        if (half > 0.0) spans.push_back({centre - half, centre + half});
    }
    std::sort(spans.begin(), spans.end(), [](RaySpan a, RaySpan b) { return a.from < b.from; });
    std::vector<RaySpan> joined;
    for (const RaySpan& s : spans) {
        if (!joined.empty() && s.from <= joined.back().to) joined.back().to = std::max(joined.back().to, s.to);
        else joined.push_back(s);
    }
    return joined;
}

// Runs measure(angle) for every angle, on both threads. Rays do not depend
// on each other, so the result does not depend on the threads.
template <typename Measure>
void ForEveryAngle(const Measure& measure) {
    SplitInTwo(SinoAngles, [&](int first, int last) {
        for (int a = first; a < last; ++a) measure(a);
    });
}

// Each channel's gain: the spread's draw (channel order), times the given
// factors.
std::vector<double> ChannelGains(const ArtifactOptions& options, uint64_t seed) {
    std::vector<double> gains(SinoChannels, 1.0);
    if (options.gainSpread > 0.0) {
        std::seed_seq sequence{seed, uint64_t{0x6761696e}};
        std::mt19937_64 generator(sequence);
        std::normal_distribution<double> spread(1.0, options.gainSpread);
        // A gain of zero or less would count no photon at all.
        for (double& g : gains) g = std::max(spread(generator), 0.01);
    }
    for (const ChannelGain& g : options.gains) gains[g.channel] *= g.factor;
    return gains;
}

// Everything the rays of every view share, made once before the views.
struct PreparedScan {
    const ArtifactOptions& options;
    std::vector<PreparedMap> maps;
    std::vector<Metal> metals;
    std::optional<Beam> beam;
    double perPixel = 0.0;  // relative attenuation x pixels -> dimensionless
    std::vector<double> gains;
};

// `coverage`: the share of each pixel the metal covers, when there is metal.
PreparedScan PrepareScan(const ScanObject& object, const ArtifactOptions& options,
                         const std::optional<FieldImage>& coverage, uint64_t seed) {
    PreparedScan prepared{options, {}, {}, std::nullopt, WaterMuPerMm * object.pixelMm, ChannelGains(options, seed)};
    for (const MaterialMap& map : object.maps) {
        PreparedMap ready{map.material, map.shapes ? &*map.shapes : nullptr, {}};
        if (!ready.shapes) {
            FieldImage field = map.field;
            if (coverage)
                for (size_t k = 0; k < coverage->values.size(); ++k) field.values[k] *= 1.0 - coverage->values[k];
            ready.projected.emplace(field);
        }
        prepared.maps.push_back(std::move(ready));
    }
    for (const MetalDisc& disc : options.metals) prepared.metals.push_back({disc, RelativeToWater(disc.material)});
    if (options.Polychromatic()) prepared.beam.emplace(TungstenSpectrum(options.kvp, options.filtrationMm));
    return prepared;
}

// The truth: the object at view 0, the metal in place of what it covers.
FieldImage ComposeTruth(const ScanObject& object, const std::vector<Metal>& metals,
                        const std::optional<FieldImage>& coverage) {
    FieldImage truth;
    truth.pixelMm = object.pixelMm;
    for (const MaterialMap& map : object.maps)
        for (size_t k = 0; k < map.field.values.size(); ++k)
            truth.values[k] += map.field.values[k] * (coverage ? 1.0 - coverage->values[k] : 1.0);
    for (const Metal& metal : metals) {
        const FieldImage disc = MetalCoverage({metal.disc});
        for (size_t k = 0; k < disc.values.size(); ++k) truth.values[k] += metal.relative * disc.values[k];
    }
    return truth;
}

// Where view `a` sees the moving object from: turned and shifted by a / 179
// of the whole motion.
struct SeenView {
    double cosSeen, sinSeen;
    double shift;  // along the detector, pixels
};

SeenView SeenFrom(const ArtifactOptions& options, int a) {
    const double moved = static_cast<double>(a) / (SinoAngles - 1);
    const double theta = a * RadiansPerAngle;
    const double cosA = std::cos(theta), sinA = std::sin(theta);
    const double seen = options.motionDegrees != 0.0 ? theta - moved * options.motionDegrees * RadiansPerAngle
                                                     : theta;
    return {std::cos(seen), std::sin(seen), moved * (options.motionX * cosA + options.motionY * sinA)};
}

// Each material's line integral along channel `c`'s ray (at the effective
// energy), from the maps' `projections` of the view, or their shapes, and
// the discs' chords.
void MaterialIntegrals(const PreparedScan& scan, const SeenView& view, int c,
                       const std::vector<std::vector<double>>& projections, double (&mono)[MaterialCount]) {
    const double d = ChannelPosition(c) - view.shift;
    const std::vector<RaySpan> inMetal = scan.metals.empty()
                                             ? std::vector<RaySpan>{}
                                             : DiscSpans(scan.options.metals, d, view.cosSeen, view.sinSeen);
    for (size_t m = 0; m < scan.maps.size(); ++m) {
        const PreparedMap& map = scan.maps[m];
        double p = projections[m].empty() ? 0.0 : projections[m][c];
        if (map.shapes) {
            p = PhantomRayIntegral(*map.shapes, d, view.cosSeen, view.sinSeen);
            if (!inMetal.empty()) p -= PhantomRayIntegralWithin(*map.shapes, d, view.cosSeen, view.sinSeen, inMetal);
        }
        mono[static_cast<int>(map.material)] += p;
    }
    for (const Metal& metal : scan.metals)
        mono[static_cast<int>(metal.disc.material)] +=
            metal.relative * DiscChord(metal.disc, d, view.cosSeen, view.sinSeen);
}

// What channel `c` measures of the materials' integrals: through the
// spectrum or at one energy, then its gain.
double Detected(const PreparedScan& scan, int c, double (&mono)[MaterialCount]) {
    double value = 0.0;
    if (scan.beam) {
        for (double& p : mono) p *= scan.perPixel;
        value = scan.beam->Measure(mono);
    } else {
        for (double p : mono) value += p;
        value *= scan.perPixel;
    }
    if (scan.gains[c] != 1.0) value -= std::log(scan.gains[c]);
    return value;
}

void MeasureView(const PreparedScan& scan, int a, std::vector<double>& integrals) {
    const SeenView view = SeenFrom(scan.options, a);
    // Each map's pixel integrals of the whole view at once.
    std::vector<std::vector<double>> projections(scan.maps.size());
    for (size_t m = 0; m < scan.maps.size(); ++m) {
        if (!scan.maps[m].projected) continue;
        projections[m].resize(SinoChannels);
        ProjectRays(*scan.maps[m].projected, view.cosSeen, view.sinSeen, view.shift, 0, SinoChannels,
                    projections[m].data());
    }
    for (int c = 0; c < SinoChannels; ++c) {
        double mono[MaterialCount] = {};
        MaterialIntegrals(scan, view, c, projections, mono);
        integrals[SinogramIndex(c, a)] = Detected(scan, c, mono);
    }
}

// What follows the rays: counting, the scanner's correction, the views
// kept.
void FinishScan(const PreparedScan& scan, double photons, uint64_t seed, std::vector<double>& integrals) {
    if (photons > 0.0) AddCountingNoise(integrals, photons, seed);
    if (scan.beam && scan.options.waterCorrection)
        for (double& p : integrals) p = scan.beam->WaterCorrected(p);
    for (int a = 0; a < SinoAngles; ++a)
        if (!ViewMeasured(scan.options, a))
            for (int c = 0; c < SinoChannels; ++c) integrals[SinogramIndex(c, a)] = 0.0;
}

}  // namespace

std::string ArtifactProblem(const ArtifactOptions& o) {
    if (o.views < 0 || (o.views > 0 && SinoAngles % o.views != 0)) return "the number of views must divide 180";
    if (o.arcDegrees < 0 || o.arcDegrees > SinoAngles) return "the arc must be from 1 to 180 degrees";
    std::string problem = GainsProblem(o.gains);
    if (!problem.empty()) return "a channel's gain: " + problem;
    if (!Contains(GainSpread, o.gainSpread)) return "the gain spread must be " + RangeText(GainSpread);
    if (!Contains(MotionShift, o.motionX) || !Contains(MotionShift, o.motionY))
        return "the motion must be " + RangeText(MotionShift);
    if (!Contains(MotionTurn, o.motionDegrees)) return "the turn must be " + RangeText(MotionTurn);
    if (o.kvp != 0.0 && !Contains(TubeVoltage, o.kvp)) return "the tube voltage must be " + RangeText(TubeVoltage);
    if (!Contains(AluminiumMm, o.filtrationMm)) return "the filtration must be " + RangeText(AluminiumMm);
    for (const MetalDisc& m : o.metals) {
        problem = MetalCentreProblem(m.x, m.y);
        if (problem.empty()) problem = MetalRadiusProblem(m.radius);
        if (!problem.empty()) return "a metal disc: " + problem;
    }
    return "";
}

bool ArtifactOptions::Any() const {
    return views != 0 || arcDegrees != 0 || !gains.empty() || gainSpread > 0.0 || motionX != 0.0 ||
           motionY != 0.0 || motionDegrees != 0.0 || Polychromatic() || !metals.empty();
}

bool ArtifactOptions::Polychromatic() const { return kvp > 0.0; }

bool ViewMeasured(const ArtifactOptions& options, int angle) {
    if (options.views > 0 && angle % (SinoAngles / options.views) != 0) return false;
    return options.arcDegrees <= 0 || angle < options.arcDegrees;
}

ArtifactScan ScanWithArtifacts(const ScanObject& object, const ArtifactOptions& options, double photons,
                               uint64_t seed) {
    const std::string problem = ArtifactProblem(options);
    if (!problem.empty()) throw LabError(problem);
    const std::optional<FieldImage> coverage =
        options.metals.empty() ? std::nullopt : std::optional<FieldImage>(MetalCoverage(options.metals));
    const PreparedScan prepared = PrepareScan(object, options, coverage, seed);
    ArtifactScan scan;
    scan.truth = ComposeTruth(object, prepared.metals, coverage);
    scan.integrals.assign(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    ForEveryAngle([&](int a) { MeasureView(prepared, a, scan.integrals); });
    FinishScan(prepared, photons, seed, scan.integrals);
    return scan;
}

}  // namespace lab
