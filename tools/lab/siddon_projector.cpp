// siddon_projector.cpp - the ray p(t) = d (cos, sin) + t (-sin, cos) is a
// unit-speed line, so differences of t are lengths. The crossings with the
// pixel boundaries x = k and y = k (whole numbers in centred coordinates)
// split it into pieces that each lie in one pixel; the midpoint of the first
// piece names the first pixel, and each crossing then steps to the next. The
// crossings of the two axes are merged in ascending t (an x crossing first
// when both fall together). Each ray's sum is added in that order, whatever
// rays are walked beside it or on which thread.
//
// The transpose is computed pixel by pixel: a line at signed distance u from
// a unit square's centre, with direction cosines a >= b, cuts it over
// 1 / a while |u| <= (a - b) / 2, falling linearly to 0 at |u| = (a + b) / 2.
// That is the same length the walk measures, so the two are each other's
// transpose up to rounding.
#include "tools/lab/siddon_projector.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <immintrin.h>

#include "tools/lab/two_threads.h"

namespace lab {

namespace {

const double Half = FieldPixels / 2.0;  // the field spans -128..128 on both axes
// Directions closer to an axis than this are taken as parallel to it.
const double Parallel = 1e-12;
const double Never = std::numeric_limits<double>::infinity();
// Zeros on either side of a view's channels in the transpose.
constexpr int ChannelMargin = 4;

// The interval of t inside -Half..Half on one axis; false when the ray runs
// parallel to the axis outside the field.
bool AxisInterval(double p0, double e, double& tMin, double& tMax) {
    if (std::fabs(e) < Parallel) return p0 > -Half && p0 < Half;
    double t1 = (-Half - p0) / e, t2 = (Half - p0) / e;
    if (t1 > t2) std::swap(t1, t2);
    tMin = std::max(tMin, t1);
    tMax = std::min(tMax, t2);
    return true;
}

// std::floor and std::ceil for the field's small coordinates, without a
// library call on processors before SSE4.1.
inline double Floor(double v) {
    const double t = static_cast<double>(static_cast<long long>(v));
    return t > v ? t - 1.0 : t;
}
inline double Ceil(double v) {
    const double t = static_cast<double>(static_cast<long long>(v));
    return t < v ? t + 1.0 : t;
}

// buffer[i] = ((first + i step) - p0) / e for i < count (and up to 3 more):
// the divisions four at a time where the processor can, the same bits
// either way (one correctly rounded subtraction and division each).
__attribute__((target("avx2"))) void CandidatesAvx2(double first, double step, double p0, double e, int count,
                                                    double* buffer) {
    const __m256d lanes = _mm256_set_pd(3.0, 2.0, 1.0, 0.0), p = _mm256_set1_pd(p0), divisor = _mm256_set1_pd(e);
    const __m256d s = _mm256_set1_pd(step);
    for (int i = 0; i < count; i += 4) {
        const __m256d k = _mm256_add_pd(_mm256_set1_pd(first), _mm256_mul_pd(_mm256_add_pd(_mm256_set1_pd(i), lanes), s));
        _mm256_storeu_pd(buffer + i, _mm256_div_pd(_mm256_sub_pd(k, p), divisor));
    }
}

void Candidates(double first, double step, double p0, double e, int count, double* buffer) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return CandidatesAvx2(first, step, p0, e, count, buffer);
    for (int i = 0; i < count; ++i) buffer[i] = ((first + i * step) - p0) / e;
}

// The crossings of p0 + t e with the boundaries of one axis within
// (tMin, tMax), in ascending t, followed by Never twice; returns where they start
// in `buffer` (room for 264) and their count. The candidates are computed
// all at once, a few beyond each end, and the ends trimmed: t grows with k,
// so the same boundaries remain, each as (k - p0) / e.
const double* AxisCrossings(double p0, double e, double tMin, double tMax, double* buffer, int& count) {
    count = 0;
    buffer[0] = buffer[1] = Never;
    if (std::fabs(e) < Parallel) return buffer;
    const double first = e > 0 ? Ceil(p0 + tMin * e) : Floor(p0 + tMin * e);
    const double step = e > 0 ? 1.0 : -1.0;
    const int candidates = std::min(262, static_cast<int>(std::fabs(p0 + tMax * e - first)) + 2);
    Candidates(first, step, p0, e, candidates, buffer);
    int begin = 0, end = candidates;
    while (begin < end && buffer[begin] <= tMin) ++begin;
    while (end > begin && buffer[end - 1] >= tMax) --end;
    buffer[end] = buffer[end + 1] = Never;
    count = end - begin;
    return buffer + begin;
}

// floor(v) as an index for v >= 0; -1 (outside the field) below 0.
inline int CellIndex(double v) { return v < 0.0 ? -1 : static_cast<int>(v); }

// One ray's walk through the field: visit(pixel, length) for each piece in
// ascending t; pixel is row * 256 + column. Pieces of no length come with
// length 0, which adds nothing.
//
// The walk steps over the crossings of the axis the ray crosses more often
// (`major`); between two of them lies at most one crossing of the other
// (`minor`), but for rounding near 45 degrees, which a rarely taken loop
// handles. The minor crossing is taken by selection, not by a branch that no
// predictor could guess, and the pixel follows the crossings: a major one
// steps it along its axis, a minor one along the other. An x crossing comes
// first when both fall together. Each step waits on the one before, so two
// rays are walked side by side where they can be.
struct RayWalk {
    double xBuffer[264], yBuffer[264];
    const double* major;
    const double* minor;
    int majorCount, minorCount;
    double tMax, previous;
    int pixel, majorStep, minorStep;
    int k, m;  // the next major and minor crossings
    bool minorIsX;

    // False when the ray misses the field.
    bool Start(double d, double cosA, double sinA) {
        const double px = d * cosA, py = d * sinA;  // the ray's point nearest the centre
        const double ex = -sinA, ey = cosA;
        double tMin = -1e300;
        tMax = 1e300;
        if (!AxisInterval(px, ex, tMin, tMax) || !AxisInterval(py, ey, tMin, tMax) || tMin >= tMax) return false;
        int xCount, yCount;
        const double* xs = AxisCrossings(px, ex, tMin, tMax, xBuffer, xCount);
        const double* ys = AxisCrossings(py, ey, tMin, tMax, yBuffer, yCount);
        // The first pixel: the midpoint of the first piece, which has a
        // length unless the ray only grazes the field.
        const double end = std::min({xs[0], ys[0], tMax});
        const double mid = 0.5 * (end + tMin);
        const int column = CellIndex(px + mid * ex + Half), row = CellIndex(Half - (py + mid * ey));
        if (column < 0 || column >= FieldPixels || row < 0 || row >= FieldPixels) return false;
        const int columnStep = ex > 0 ? 1 : -1, rowStep = ey > 0 ? -FieldPixels : FieldPixels;
        pixel = row * FieldPixels + column;
        previous = tMin;
        k = m = 0;
        minorIsX = std::fabs(ey) >= std::fabs(ex);
        if (minorIsX) {
            major = ys, majorCount = yCount, majorStep = rowStep;
            minor = xs, minorCount = xCount, minorStep = columnStep;
        } else {
            major = xs, majorCount = xCount, majorStep = columnStep;
            minor = ys, minorCount = yCount, minorStep = rowStep;
        }
        return true;
    }

    template <bool MinorIsX>
    static bool Before(double minorT, double majorT) {
        return MinorIsX ? minorT <= majorT : minorT < majorT;
    }

    // The pieces up to the next major crossing.
    template <bool MinorIsX, class Visit>
    inline void Step(Visit& visit) {
        const double next = major[k++];
        while (Before<MinorIsX>(minor[m + 1], next)) {
            visit(pixel, minor[m] - previous);
            previous = minor[m++];
            pixel += minorStep;
        }
        const bool take = Before<MinorIsX>(minor[m], next);
        const double middle = take ? minor[m] : next;
        visit(pixel, middle - previous);
        pixel += take ? minorStep : 0;
        visit(pixel, next - middle);
        pixel += majorStep;
        m += take;
        previous = next;
    }

    // Every piece left.
    template <bool MinorIsX, class Visit>
    inline void Finish(Visit& visit) {
        while (k < majorCount) Step<MinorIsX>(visit);
        for (; m < minorCount; ++m) {
            visit(pixel, minor[m] - previous);
            previous = minor[m];
            pixel += minorStep;
        }
        visit(pixel, tMax - previous);
    }
};

template <class Visit>
inline void WalkRay(double d, double cosA, double sinA, Visit&& visit) {
    RayWalk walk;
    if (!walk.Start(d, cosA, sinA)) return;
    if (walk.minorIsX) walk.Finish<true>(visit);
    else walk.Finish<false>(visit);
}

// The integrals of `Rays` rays of one view (the same direction) walked in
// step, each summed exactly as a walk of its own would.
template <bool MinorIsX, int Rays>
inline void SumInStep(RayWalk* walks, const double* values, double* sums) {
    int common = walks[0].majorCount;
    for (int i = 1; i < Rays; ++i) common = std::min(common, walks[i].majorCount);
    double totals[Rays] = {};
    auto visitor = [&](int i) { return [&, i](int pixel, double length) { totals[i] += length * values[pixel]; }; };
    for (int k = 0; k < common; ++k) {
        for (int i = 0; i < Rays; ++i) {
            auto visit = visitor(i);
            walks[i].Step<MinorIsX>(visit);
        }
    }
    for (int i = 0; i < Rays; ++i) {
        auto visit = visitor(i);
        walks[i].Finish<MinorIsX>(visit);
        sums[i] = totals[i];
    }
}

double RayIntegral(const double* values, double d, double cosA, double sinA) {
    double sum = 0.0;
    WalkRay(d, cosA, sinA, [&](int pixel, double length) { sum += length * values[pixel]; });
    return sum;
}

}  // namespace

void ViewDirection(int angle, double& cosA, double& sinA) {
    const double theta = angle * RadiansPerAngle;
    cosA = std::cos(theta);
    sinA = std::sin(theta);
}

double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA) {
    return RayIntegral(field.values.data(), d, cosA, sinA);
}

void ProjectView(const double* values, int angle, int firstChannel, int lastChannel, double* channels) {
    double cosA, sinA;
    ViewDirection(angle, cosA, sinA);
    constexpr int Rays = 8;
    RayWalk walks[Rays];
    int c = firstChannel;
    for (; c + Rays <= lastChannel; c += Rays) {
        bool all = true;
        for (int i = 0; i < Rays; ++i) all &= walks[i].Start(ChannelPosition(c + i), cosA, sinA);
        if (!all) {  // near the field's corners
            for (int i = 0; i < Rays; ++i) channels[c + i] = RayIntegral(values, ChannelPosition(c + i), cosA, sinA);
        } else if (walks[0].minorIsX) {
            SumInStep<true, Rays>(walks, values, channels + c);
        } else {
            SumInStep<false, Rays>(walks, values, channels + c);
        }
    }
    for (; c < lastChannel; ++c) channels[c] = RayIntegral(values, ChannelPosition(c), cosA, sinA);
}

std::vector<double> ProjectField(const FieldImage& field) {
    std::vector<double> sinogram(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    SplitInTwo(SinoAngles, [&](int firstAngle, int lastAngle) {
        double view[SinoChannels];
        for (int a = firstAngle; a < lastAngle; ++a) {
            ProjectView(field.values.data(), a, 0, SinoChannels, view);
            for (int c = 0; c < SinoChannels; ++c) sinogram[SinogramIndex(c, a)] = view[c];
        }
    });
    return sinogram;
}

void ViewSpreader::SetViews(const std::vector<const double*>& channels, const std::vector<int>& angles) {
    views_.assign(angles.size(), {});
    padded_.assign(angles.size() * (SinoChannels + 2 * ChannelMargin), 0.0);
    for (size_t v = 0; v < angles.size(); ++v) {
        View& view = views_[v];
        ViewDirection(angles[v], view.cosA, view.sinA);
        const double a = std::max(std::fabs(view.cosA), std::fabs(view.sinA));
        const double b = std::min(std::fabs(view.cosA), std::fabs(view.sinA));
        view.plateau = 1.0 / a;
        view.outer = 0.5 * (a + b);
        // A ray along an axis cuts the whole pixel or nothing.
        view.slope = b < Parallel ? 1e300 : 1.0 / (a * b);
        std::copy(channels[v], channels[v] + SinoChannels, &padded_[v * (SinoChannels + 2 * ChannelMargin) + ChannelMargin]);
    }
}

namespace {

// One view's share of a row: the plain form, which the four-column form
// below follows operation for operation (the same bits).
void SpreadRow(double cosA, double sinA, double plateau, double outer, double slope, const double* channels, double y,
               double* sums, double* lengths) {
    const double firstPosition = ChannelPosition(0);  // channel c lies at firstPosition + c / 2
    for (int column = 0; column < FieldPixels; ++column) {
        const double s = ((column - Half) + 0.5) * cosA + y * sinA;
        // The footprint is at most sqrt(2) wide: three channels half a
        // pixel apart, from the first inside it.
        const double from = 2.0 * ((s - outer) - firstPosition);
        int first = static_cast<int>(from);
        first += from > first;  // rounded up
        first = std::clamp(first, -ChannelMargin, SinoChannels + ChannelMargin - 3);
        double sum = 0.0, total = 0.0;
        for (int c = first; c < first + 3; ++c) {
            const double u = std::fabs((firstPosition + 0.5 * c) - s);
            const double length = std::min(plateau, std::max(0.0, (outer - u) * slope));
            sum += length * channels[c];
            total += length;
        }
        sums[column] += sum;
        lengths[column] += total;
    }
}

__attribute__((target("avx2"))) void SpreadRowAvx2(double cosA, double sinA, double plateau, double outer,
                                                   double slope, const double* channels, double y, double* sums,
                                                   double* lengths) {
    const __m256d firstPosition = _mm256_set1_pd(ChannelPosition(0)), half = _mm256_set1_pd(0.5);
    const __m256d vCos = _mm256_set1_pd(cosA), ySin = _mm256_set1_pd(y * sinA), vOuter = _mm256_set1_pd(outer);
    const __m256d vPlateau = _mm256_set1_pd(plateau), vSlope = _mm256_set1_pd(slope), zero = _mm256_setzero_pd();
    const __m256d signBit = _mm256_set1_pd(-0.0), two = _mm256_set1_pd(2.0);
    const __m256d everyLane = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m128i lowest = _mm_set1_epi32(-ChannelMargin), highest = _mm_set1_epi32(SinoChannels + ChannelMargin - 3);
    __m256d column = _mm256_sub_pd(_mm256_set_pd(3.0, 2.0, 1.0, 0.0), _mm256_set1_pd(Half));
    const __m256d four = _mm256_set1_pd(4.0);
    for (int x = 0; x < FieldPixels; x += 4, column = _mm256_add_pd(column, four)) {
        const __m256d s = _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(column, half), vCos), ySin);
        const __m256d from = _mm256_mul_pd(two, _mm256_sub_pd(_mm256_sub_pd(s, vOuter), firstPosition));
        __m128i first = _mm256_cvttpd_epi32(from);
        const __m256d truncated = _mm256_cvtepi32_pd(first);
        // from > truncated: -1 in the lane, so subtracting it rounds up.
        first = _mm_sub_epi32(first, _mm256_cvtpd_epi32(_mm256_and_pd(_mm256_cmp_pd(from, truncated, _CMP_GT_OQ),
                                                                         _mm256_set1_pd(-1.0))));
        first = _mm_min_epi32(_mm_max_epi32(first, lowest), highest);
        __m256d sum = zero, total = zero;
        for (int j = 0; j < 3; ++j) {
            const __m128i c = _mm_add_epi32(first, _mm_set1_epi32(j));
            const __m256d position = _mm256_add_pd(firstPosition, _mm256_mul_pd(half, _mm256_cvtepi32_pd(c)));
            const __m256d u = _mm256_andnot_pd(signBit, _mm256_sub_pd(position, s));
            const __m256d length =
                _mm256_min_pd(_mm256_max_pd(_mm256_mul_pd(_mm256_sub_pd(vOuter, u), vSlope), zero), vPlateau);
            const __m256d value = _mm256_mask_i32gather_pd(zero, channels, c, everyLane, 8);
            sum = _mm256_add_pd(sum, _mm256_mul_pd(length, value));
            total = _mm256_add_pd(total, length);
        }
        _mm256_storeu_pd(sums + x, _mm256_add_pd(_mm256_loadu_pd(sums + x), sum));
        _mm256_storeu_pd(lengths + x, _mm256_add_pd(_mm256_loadu_pd(lengths + x), total));
    }
}

}  // namespace

void ViewSpreader::Row(int row, double* sums, double* lengths) const {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const double y = Half - 0.5 - row;
    std::fill(sums, sums + FieldPixels, 0.0);
    std::fill(lengths, lengths + FieldPixels, 0.0);
    for (size_t v = 0; v < views_.size(); ++v) {
        const View& w = views_[v];
        const double* channels = &padded_[v * (SinoChannels + 2 * ChannelMargin) + ChannelMargin];
        if (avx2) SpreadRowAvx2(w.cosA, w.sinA, w.plateau, w.outer, w.slope, channels, y, sums, lengths);
        else SpreadRow(w.cosA, w.sinA, w.plateau, w.outer, w.slope, channels, y, sums, lengths);
    }
}

void BackProjectView(const double* channels, int angle, int firstRow, int lastRow, double* image,
                     double* coverage) {
    ViewSpreader spreader;
    spreader.SetViews({channels}, {angle});
    double sums[FieldPixels], lengths[FieldPixels];
    for (int r = firstRow; r < lastRow; ++r) {
        spreader.Row(r, sums, lengths);
        for (int column = 0; column < FieldPixels; ++column) {
            image[r * FieldPixels + column] += sums[column];
            if (coverage) coverage[r * FieldPixels + column] += lengths[column];
        }
    }
}

}  // namespace lab
