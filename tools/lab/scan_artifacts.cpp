// scan_artifacts.cpp - every ray is measured on its own: the moved object's
// line integral is the unmoved one's on another ray (a shift s moves the ray
// at distance d to d - s.n, a turn by r the view angle to theta - r), so
// motion needs no resampling; each material is projected on that ray, the
// metal discs' chords added in closed form (and a phantom's shapes taken out
// along the same chords), and the spectrum combines them.
#include "tools/lab/scan_artifacts.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

#include "tools/lab/counting_noise.h"
#include "tools/lab/lab_error.h"
#include "tools/lab/option_bounds.h"
#include "tools/lab/siddon_projector.h"
#include "tools/lab/two_threads.h"

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
    ArtifactScan scan;
    const bool anyMetal = !options.metals.empty();
    const FieldImage coverage = anyMetal ? MetalCoverage(options.metals) : FieldImage{};

    std::vector<PreparedMap> maps;
    for (const MaterialMap& map : object.maps) {
        PreparedMap prepared{map.material, map.shapes ? &*map.shapes : nullptr, {}};
        if (!prepared.shapes) {
            FieldImage field = map.field;
            if (anyMetal)
                for (size_t k = 0; k < coverage.values.size(); ++k) field.values[k] *= 1.0 - coverage.values[k];
            prepared.projected.emplace(field);
        }
        maps.push_back(std::move(prepared));
    }
    std::vector<Metal> metals;
    for (const MetalDisc& disc : options.metals) metals.push_back({disc, RelativeToWater(disc.material)});

    // The truth: the object at view 0, the metal in place of what it covers.
    scan.truth.pixelMm = object.pixelMm;
    for (const MaterialMap& map : object.maps)
        for (size_t k = 0; k < map.field.values.size(); ++k)
            scan.truth.values[k] += map.field.values[k] * (anyMetal ? 1.0 - coverage.values[k] : 1.0);
    for (const Metal& metal : metals) {
        const FieldImage disc = MetalCoverage({metal.disc});
        for (size_t k = 0; k < disc.values.size(); ++k) scan.truth.values[k] += metal.relative * disc.values[k];
    }

    const std::optional<Beam> beam =
        options.Polychromatic() ? std::optional<Beam>(Beam(TungstenSpectrum(options.kvp, options.filtrationMm)))
                          : std::nullopt;
    const double perPixel = WaterMuPerMm * object.pixelMm;  // relative attenuation x pixels -> dimensionless
    const std::vector<double> gains = ChannelGains(options, seed);

    std::vector<double>& integrals = scan.integrals;
    integrals.assign(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    ForEveryAngle([&](int a) {
        // Motion: view a sees the object turned and shifted by a / 179 of
        // the whole.
        const double moved = static_cast<double>(a) / (SinoAngles - 1);
        const double theta = a * RadiansPerAngle;
        const double cosA = std::cos(theta), sinA = std::sin(theta);
        const double seen = options.motionDegrees != 0.0 ? theta - moved * options.motionDegrees * RadiansPerAngle
                                                         : theta;
        const double cosSeen = std::cos(seen), sinSeen = std::sin(seen);
        const double shift = moved * (options.motionX * cosA + options.motionY * sinA);
        // Each map's pixel integrals of the whole view at once.
        std::vector<std::vector<double>> projections(maps.size());
        for (size_t m = 0; m < maps.size(); ++m) {
            if (!maps[m].projected) continue;
            projections[m].resize(SinoChannels);
            ProjectRays(*maps[m].projected, cosSeen, sinSeen, shift, 0, SinoChannels, projections[m].data());
        }
        for (int c = 0; c < SinoChannels; ++c) {
            const double d = ChannelPosition(c) - shift;
            const std::vector<RaySpan> inMetal =
                anyMetal ? DiscSpans(options.metals, d, cosSeen, sinSeen) : std::vector<RaySpan>{};
            double mono[MaterialCount] = {};
            for (size_t m = 0; m < maps.size(); ++m) {
                const PreparedMap& map = maps[m];
                double p = projections[m].empty() ? 0.0 : projections[m][c];
                if (map.shapes) {
                    p = PhantomRayIntegral(*map.shapes, d, cosSeen, sinSeen);
                    if (!inMetal.empty()) p -= PhantomRayIntegralWithin(*map.shapes, d, cosSeen, sinSeen, inMetal);
                }
                mono[static_cast<int>(map.material)] += p;
            }
            for (const Metal& metal : metals)
                mono[static_cast<int>(metal.disc.material)] +=
                    metal.relative * DiscChord(metal.disc, d, cosSeen, sinSeen);
            double value = 0.0;
            if (beam) {
                for (double& p : mono) p *= perPixel;
                value = beam->Measure(mono);
            } else {
                for (double p : mono) value += p;
                value *= perPixel;
            }
            if (gains[c] != 1.0) value -= std::log(gains[c]);
            integrals[SinogramIndex(c, a)] = value;
        }
    });

    if (photons > 0.0) AddCountingNoise(integrals, photons, seed);
    if (beam && options.waterCorrection)
        for (double& p : integrals) p = beam->WaterCorrected(p);
    for (int a = 0; a < SinoAngles; ++a)
        if (!ViewMeasured(options, a))
            for (int c = 0; c < SinoChannels; ++c) integrals[SinogramIndex(c, a)] = 0.0;
    return scan;
}

}  // namespace lab
