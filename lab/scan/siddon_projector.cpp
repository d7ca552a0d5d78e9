// siddon_projector.cpp - a ray closer to the vertical crosses every row of
// the field once, and within a row (a strip one pixel high) it moves
// sideways by less than a pixel, so it touches at most two pixels there: it
// runs 1 / |cos| inside the strip, split where it crosses the one column
// boundary between its two ends. A ray closer to the horizontal does the
// same in every column. The integral is the sum over the strips, in strip
// order, of the two lengths times their pixels' values; neighbouring
// channels of a view follow the same formula side by side, each lane as a
// ray of its own would (the same operations, no fused ones), so every ray's
// sum has the same bits whichever way it is computed.
//
// The transpose is computed pixel by pixel: a line at signed distance u from
// a unit square's centre, with direction cosines a >= b, cuts it over
// 1 / a while |u| <= (a - b) / 2, falling linearly to 0 at |u| = (a + b) / 2.
// Those are the same lengths, so the two are each other's transpose up to
// rounding.
#include "lab/scan/siddon_projector.h"

#include <algorithm>
#include <cmath>

#if defined(SINORA_WIDE_VARIANTS)
// GCC 12 takes the AVX-512 intrinsics' undefined first operands for
// uninitialised values when they are inlined.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "recon/compute/instruction_sets.h"
#include "lab/core/two_threads.h"

namespace lab {

namespace {

const double Half = FieldPixels / 2.0;  // the field spans -128..128 on both axes
// Directions closer to an axis than this are taken as parallel to it.
const double Parallel = 1e-12;
// Zeros on either side of a view's channels in the transpose: room to read
// sixteen from the first of the last three.
constexpr int ChannelMargin = 16;
// Zeros on either side of each strip of a FieldStrips, and its length: room
// to read eight values from any position the projection clamps to.
constexpr int StripMargin = 8;
constexpr int StripStride = StripMargin + FieldPixels + StripMargin;
// Positions outside the field are clamped into [-2, 256], where both
// pixels a ray can touch are zeros.
const double LowestCell = -2.0, HighestCell = FieldPixels;

// std::floor for the field's small coordinates, without a library call on
// processors before SSE4.1; the same value as the wide variants' rounding.
inline double Floor(double v) {
    const double t = static_cast<double>(static_cast<long long>(v));
    return t - (t > v ? 1.0 : 0.0);
}

// How the rays of one direction cross the strips: the rows (alongRows, a
// ray closer to the vertical) or the columns. At strip k the ray at
// distance d enters or leaves it at the position (column or row
// coordinate, 0 at the field's left or top edge), the lower of the two,
//   base + (k + shift) step,  base = d / divisor + offset,
// and the other end lies `width` higher. It runs `length` inside the strip,
// of which (higher end - boundary) x crossing past the pixel boundary
// between its ends.
struct StripGeometry {
    bool alongRows;
    double divisor, offset, step, shift, width, length, crossing;
};

StripGeometry StripsOf(double cosA, double sinA) {
    StripGeometry g;
    g.alongRows = std::fabs(cosA) >= std::fabs(sinA);
    const double major = g.alongRows ? cosA : sinA, minor = g.alongRows ? sinA : cosA;
    // Along rows the line x cosA + y sinA = d meets the top of row k
    // (y = 128 - k) at column coordinate x + 128; along columns, the left
    // of column k (x = k - 128) at row coordinate 128 - y.
    g.divisor = g.alongRows ? cosA : -sinA;
    g.step = minor / major;
    g.offset = Half - Half * g.step;
    g.shift = g.step < 0.0 ? 1.0 : 0.0;
    g.width = std::fabs(g.step);
    g.length = 1.0 / std::fabs(major);
    // A ray along the strips never crosses a boundary inside one.
    g.crossing = std::fabs(minor) < Parallel ? 1e300 : 1.0 / std::fabs(minor);
    return g;
}

// The strips [from, to) where rays with bases from `low` to `high` can
// touch a pixel of the field, with strips to spare: the others add only
// zeros, so leaving them out changes no bit.
void StripRange(const StripGeometry& g, double low, double high, int& from, int& to) {
    from = 0, to = FieldPixels;
    if (g.width < 1e-6) {  // the position moves less than a pixel over all strips
        if (high < -3.0 || low > FieldPixels + 3.0) to = 0;
        return;
    }
    // low + k step <= 259 and high + k step >= -3.
    const double a = (FieldPixels + 3.0 - low) / g.step, b = (-3.0 - high) / g.step;
    const double first = g.step > 0.0 ? b : a, last = g.step > 0.0 ? a : b;
    from = static_cast<int>(std::clamp(Floor(first) - 2.0, 0.0, static_cast<double>(FieldPixels)));
    to = static_cast<int>(std::clamp(Floor(last) + 3.0, static_cast<double>(from), static_cast<double>(FieldPixels)));
}

// The integral of the ray at distance d: at(k, cell) is the value of pixel
// `cell` (a whole number) of strip k, 0 outside the field.
template <class At>
double StripIntegral(const StripGeometry& g, double d, const At& at) {
    const double base = d / g.divisor + g.offset;
    int from, to;
    StripRange(g, base, base, from, to);
    double sum = 0.0;
    for (int k = from; k < to; ++k) {
        const double low = base + (k + g.shift) * g.step;
        const double cell = Floor(low);
        const double second = std::min(g.length, std::max(((low + g.width) - (cell + 1.0)) * g.crossing, 0.0));
        sum += (g.length - second) * at(k, cell) + second * at(k, cell + 1.0);
    }
    return sum;
}

inline bool InField(double cell) { return cell >= 0.0 && cell < FieldPixels; }

// Channels [first, last), their rays `shift` below the channels' places,
// one at a time from a FieldStrips layout.
void ProjectChannelsPlain(const StripGeometry& g, const double* strips, double shift, int first, int last,
                          double* channels) {
    // Any cell outside the field reads a zero of the margins once clamped.
    const auto at = [strips](int k, double cell) {
        return strips[k * StripStride + StripMargin + static_cast<int>(std::clamp(cell, LowestCell, HighestCell))];
    };
    for (int c = first; c < last; ++c) channels[c] = StripIntegral(g, ChannelPosition(c) - shift, at);
}

#if defined(SINORA_WIDE_VARIANTS)
// One strip's share of four channels (lanes) at `low`, in pixels `cell`
// (CellAvx2) and the next, which lie within the eight from `window`'s
// first: each lane's two pixels are picked from the
// window's halves by permutations of its doubles as pairs of floats.
WITH_AVX2 inline __m256d CellAvx2(__m256d low) {
    return _mm256_min_pd(_mm256_max_pd(_mm256_floor_pd(low), _mm256_set1_pd(LowestCell)), _mm256_set1_pd(HighestCell));
}

WITH_AVX2 inline __m256d StripShareAvx2(__m256d low, __m256d cell, const StripGeometry& g, const double* window,
                                        double windowCell) {
    const __m256d length = _mm256_set1_pd(g.length);
    const __m256d second = _mm256_min_pd(
        length, _mm256_max_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_add_pd(low, _mm256_set1_pd(g.width)),
                                                          _mm256_add_pd(cell, _mm256_set1_pd(1.0))),
                                            _mm256_set1_pd(g.crossing)),
                              _mm256_setzero_pd()));
    // The pixel's place in the window, 0..6, as the float pair 2i, 2i + 1
    // (2i + 2^52 carries 2i in its low half).
    const __m256d relative = _mm256_sub_pd(cell, _mm256_set1_pd(windowCell));
    const __m256i twice = _mm256_castpd_si256(_mm256_add_pd(_mm256_add_pd(relative, relative),
                                                            _mm256_set1_pd(4503599627370496.0)));
    const __m256i pair = _mm256_add_epi32(_mm256_shuffle_epi32(twice, _MM_SHUFFLE(2, 2, 0, 0)),
                                          _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 0, 1));
    const __m256i nextPair = _mm256_add_epi32(pair, _mm256_set1_epi32(2));
    const __m256 lower = _mm256_castpd_ps(_mm256_loadu_pd(window));
    const __m256 upper = _mm256_castpd_ps(_mm256_loadu_pd(window + 4));
    const __m256d here = _mm256_blendv_pd(_mm256_castps_pd(_mm256_permutevar8x32_ps(lower, pair)),
                                          _mm256_castps_pd(_mm256_permutevar8x32_ps(upper, pair)),
                                          _mm256_cmp_pd(relative, _mm256_set1_pd(4.0), _CMP_GE_OQ));
    const __m256d next = _mm256_blendv_pd(_mm256_castps_pd(_mm256_permutevar8x32_ps(lower, nextPair)),
                                          _mm256_castps_pd(_mm256_permutevar8x32_ps(upper, nextPair)),
                                          _mm256_cmp_pd(relative, _mm256_set1_pd(3.0), _CMP_GE_OQ));
    return _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(length, second), here), _mm256_mul_pd(second, next));
}

// Eight channels side by side as two halves of four, in lanes of rising
// position, from one window of eight pixels per strip (see the AVX-512
// form below).
WITH_AVX2 void ProjectChannelsAvx2(const StripGeometry& g, const double* strips, double shift, int first, int last,
                                   double* channels) {
    const __m256d divisor = _mm256_set1_pd(g.divisor), offset = _mm256_set1_pd(g.offset);
    const __m256d step = _mm256_set1_pd(g.step);
    const bool rising = g.divisor > 0.0;
    int c = first;
    for (; c + 8 <= last; c += 8) {
        alignas(32) double d[8];
        for (int j = 0; j < 8; ++j) d[j] = ChannelPosition(rising ? c + j : c + 7 - j) - shift;
        const __m256d baseLower = _mm256_add_pd(_mm256_div_pd(_mm256_load_pd(d), divisor), offset);
        const __m256d baseUpper = _mm256_add_pd(_mm256_div_pd(_mm256_load_pd(d + 4), divisor), offset);
        alignas(32) double bases[8];
        _mm256_store_pd(bases, baseLower);
        _mm256_store_pd(bases + 4, baseUpper);
        int from, to;
        StripRange(g, bases[0], bases[7], from, to);
        __m256d sumLower = _mm256_setzero_pd(), sumUpper = _mm256_setzero_pd();
        for (int k = from; k < to; ++k) {
            const __m256d along = _mm256_mul_pd(_mm256_set1_pd(k + g.shift), step);
            const __m256d lowLower = _mm256_add_pd(baseLower, along), lowUpper = _mm256_add_pd(baseUpper, along);
            const __m256d cellLower = CellAvx2(lowLower), cellUpper = CellAvx2(lowUpper);
            const double windowCell = _mm256_cvtsd_f64(cellLower);
            const double* window = strips + k * StripStride + StripMargin + static_cast<int>(windowCell);
            sumLower = _mm256_add_pd(sumLower, StripShareAvx2(lowLower, cellLower, g, window, windowCell));
            sumUpper = _mm256_add_pd(sumUpper, StripShareAvx2(lowUpper, cellUpper, g, window, windowCell));
        }
        if (!rising) {  // back to channel order
            const __m256d lower = sumLower;
            sumLower = _mm256_permute4x64_pd(sumUpper, _MM_SHUFFLE(0, 1, 2, 3));
            sumUpper = _mm256_permute4x64_pd(lower, _MM_SHUFFLE(0, 1, 2, 3));
        }
        _mm256_storeu_pd(channels + c, sumLower);
        _mm256_storeu_pd(channels + c + 4, sumUpper);
    }
    ProjectChannelsPlain(g, strips, shift, c, last, channels);
}

// Eight channels side by side, in lanes of rising position: the lowest
// lane's pixel and the next seven hold every pixel the eight touch in a
// strip (neighbouring channels lie at most 0.71 pixels apart), so one load
// and two permutations fetch them.
WITH_AVX512 void ProjectChannelsAvx512(const StripGeometry& g, const double* strips, double shift, int first,
                                       int last, double* channels) {
    const __m512d divisor = _mm512_set1_pd(g.divisor), offset = _mm512_set1_pd(g.offset);
    const __m512d step = _mm512_set1_pd(g.step), width = _mm512_set1_pd(g.width), one = _mm512_set1_pd(1.0);
    const __m512d length = _mm512_set1_pd(g.length), crossing = _mm512_set1_pd(g.crossing);
    const __m512d lowest = _mm512_set1_pd(LowestCell), highest = _mm512_set1_pd(HighestCell);
    const __m512d zero = _mm512_setzero_pd();
    // Small whole numbers plus 2^52 carry their value in the low bits.
    const __m512d indexBits = _mm512_set1_pd(4503599627370496.0), nextBits = _mm512_set1_pd(4503599627370497.0);
    const bool rising = g.divisor > 0.0;  // positions rise with the channel
    const __m512i reversed = _mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7);
    int c = first;
    for (; c + 8 <= last; c += 8) {
        alignas(64) double d[8];
        for (int j = 0; j < 8; ++j) d[j] = ChannelPosition(rising ? c + j : c + 7 - j) - shift;
        const __m512d base = _mm512_add_pd(_mm512_div_pd(_mm512_load_pd(d), divisor), offset);
        alignas(64) double bases[8];
        _mm512_store_pd(bases, base);
        int from, to;
        StripRange(g, bases[0], bases[7], from, to);
        __m512d sum = zero;
        for (int k = from; k < to; ++k) {
            const __m512d low = _mm512_add_pd(base, _mm512_mul_pd(_mm512_set1_pd(k + g.shift), step));
            const __m512d cell =
                _mm512_min_pd(_mm512_max_pd(_mm512_roundscale_pd(low, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC),
                                            lowest),
                              highest);
            const __m512d second = _mm512_min_pd(
                length,
                _mm512_max_pd(_mm512_mul_pd(_mm512_sub_pd(_mm512_add_pd(low, width), _mm512_add_pd(cell, one)), crossing),
                              zero));
            const double lowestCell = _mm512_cvtsd_f64(cell);
            const __m512d eight =
                _mm512_loadu_pd(strips + k * StripStride + StripMargin + static_cast<int>(lowestCell));
            const __m512d relative = _mm512_sub_pd(cell, _mm512_set1_pd(lowestCell));
            const __m512d here = _mm512_permutexvar_pd(_mm512_castpd_si512(_mm512_add_pd(relative, indexBits)), eight);
            const __m512d next = _mm512_permutexvar_pd(_mm512_castpd_si512(_mm512_add_pd(relative, nextBits)), eight);
            sum = _mm512_add_pd(sum, _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(length, second), here),
                                                   _mm512_mul_pd(second, next)));
        }
        _mm512_storeu_pd(channels + c, rising ? sum : _mm512_permutexvar_pd(reversed, sum));
    }
    ProjectChannelsPlain(g, strips, shift, c, last, channels);
}
#endif

}  // namespace

void ViewDirection(int angle, double& cosA, double& sinA) {
    const double theta = angle * RadiansPerAngle;
    cosA = std::cos(theta);
    sinA = std::sin(theta);
}

double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA) {
    const StripGeometry g = StripsOf(cosA, sinA);
    const double* values = field.values.data();
    return StripIntegral(g, d, [&](int k, double cell) {
        if (!InField(cell)) return 0.0;
        const int p = static_cast<int>(cell);
        return g.alongRows ? values[k * FieldPixels + p] : values[p * FieldPixels + k];
    });
}

FieldStrips::FieldStrips()
    : rows_(static_cast<size_t>(StripStride) * FieldPixels, 0.0),
      columns_(static_cast<size_t>(StripStride) * FieldPixels, 0.0) {}

FieldStrips::FieldStrips(const FieldImage& field) : FieldStrips() {
    Copy(field.values.data(), 0, FieldPixels, true, true);
}

void FieldStrips::CopyRows(const double* values, int firstRow, int lastRow, const std::vector<int>& angles) {
    bool rows = false, columns = false;
    for (int angle : angles) {
        double cosA, sinA;
        ViewDirection(angle, cosA, sinA);
        (StripsOf(cosA, sinA).alongRows ? rows : columns) = true;
    }
    Copy(values, firstRow, lastRow, rows, columns);
}

void FieldStrips::Copy(const double* values, int firstRow, int lastRow, bool rows, bool columns) {
    if (rows) {
        for (int r = firstRow; r < lastRow; ++r)
            std::copy(values + r * FieldPixels, values + (r + 1) * FieldPixels, &rows_[r * StripStride + StripMargin]);
    }
    if (!columns) return;
    // Eight rows at a time: each column's eight values are neighbours.
    for (int r0 = firstRow; r0 < lastRow; r0 += 8) {
        const int r1 = std::min(r0 + 8, lastRow);
        for (int column = 0; column < FieldPixels; ++column) {
            double* strip = &columns_[column * StripStride + StripMargin];
            for (int r = r0; r < r1; ++r) strip[r] = values[r * FieldPixels + column];
        }
    }
}

void ProjectRays(const FieldStrips& field, double cosA, double sinA, double shift, int firstChannel, int lastChannel,
                 double* channels) {
    const StripGeometry g = StripsOf(cosA, sinA);
    const double* strips = field.Layout(g.alongRows);
    switch (StepInstructionSet()) {
#if defined(SINORA_WIDE_VARIANTS)
        case Isa::Avx512: return ProjectChannelsAvx512(g, strips, shift, firstChannel, lastChannel, channels);
        case Isa::Avx2: return ProjectChannelsAvx2(g, strips, shift, firstChannel, lastChannel, channels);
#endif
        default: return ProjectChannelsPlain(g, strips, shift, firstChannel, lastChannel, channels);
    }
}

void ProjectView(const FieldStrips& field, int angle, int firstChannel, int lastChannel, double* channels) {
    double cosA, sinA;
    ViewDirection(angle, cosA, sinA);
    ProjectRays(field, cosA, sinA, 0.0, firstChannel, lastChannel, channels);
}

std::vector<double> ProjectField(const FieldImage& field) {
    const FieldStrips strips(field);
    std::vector<double> sinogram(static_cast<size_t>(SinoChannels) * SinoAngles, 0.0);
    SplitInTwo(SinoAngles, [&](int firstAngle, int lastAngle) {
        double view[SinoChannels];
        for (int a = firstAngle; a < lastAngle; ++a) {
            ProjectView(strips, a, 0, SinoChannels, view);
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

#if defined(SINORA_WIDE_VARIANTS)
WITH_AVX2 void SpreadRowAvx2(double cosA, double sinA, double plateau, double outer, double slope,
                             const double* channels, double y, double* sums, double* lengths) {
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
#pragma GCC unroll 3
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


// The same eight columns at a time. The channels of four neighbouring
// columns lie within sixteen (three from the first of each, at most two
// apart), so each four fetch theirs from two loads by permutations.
WITH_AVX512 void SpreadRowAvx512(double cosA, double sinA, double plateau, double outer, double slope,
                                 const double* channels, double y, double* sums, double* lengths) {
    const __m512d firstPosition = _mm512_set1_pd(ChannelPosition(0)), half = _mm512_set1_pd(0.5);
    const __m512d vCos = _mm512_set1_pd(cosA), ySin = _mm512_set1_pd(y * sinA), vOuter = _mm512_set1_pd(outer);
    const __m512d vPlateau = _mm512_set1_pd(plateau), vSlope = _mm512_set1_pd(slope), zero = _mm512_setzero_pd();
    const __m512d two = _mm512_set1_pd(2.0);
    const __m256i lowest = _mm256_set1_epi32(-ChannelMargin), highest = _mm256_set1_epi32(SinoChannels + ChannelMargin - 3);
    // The first channel of the four columns' lowest: the first column's
    // where positions rise with the column, else the fourth's.
    const int lowestLane = cosA >= 0.0 ? 0 : 3;
    __m512d column = _mm512_sub_pd(_mm512_set_pd(7.0, 6.0, 5.0, 4.0, 3.0, 2.0, 1.0, 0.0), _mm512_set1_pd(Half));
    const __m512d eight = _mm512_set1_pd(8.0);
    for (int x = 0; x < FieldPixels; x += 8, column = _mm512_add_pd(column, eight)) {
        const __m512d s = _mm512_add_pd(_mm512_mul_pd(_mm512_add_pd(column, half), vCos), ySin);
        const __m512d from = _mm512_mul_pd(two, _mm512_sub_pd(_mm512_sub_pd(s, vOuter), firstPosition));
        __m256i first = _mm512_cvt_roundpd_epi32(from, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC);
        first = _mm256_min_epi32(_mm256_max_epi32(first, lowest), highest);
        alignas(32) int firsts[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(firsts), first);
        const int lowA = firsts[lowestLane], lowB = firsts[4 + lowestLane];
        const __m512d a0 = _mm512_loadu_pd(channels + lowA), a1 = _mm512_loadu_pd(channels + lowA + 8);
        const __m512d b0 = _mm512_loadu_pd(channels + lowB), b1 = _mm512_loadu_pd(channels + lowB + 8);
        const __m512i offset = _mm512_cvtepi32_epi64(_mm256_sub_epi32(first, _mm256_setr_epi32(lowA, lowA, lowA, lowA, lowB, lowB, lowB, lowB)));
        __m512d sum = zero, total = zero;
        // Channel places are quarters, so these sums are exact: the same
        // as firstPosition + 0.5 c for each of the three.
        const __m512d position0 = _mm512_add_pd(firstPosition, _mm512_mul_pd(half, _mm512_cvtepi32_pd(first)));
#pragma GCC unroll 3
        for (int j = 0; j < 3; ++j) {
            const __m512d position = _mm512_add_pd(position0, _mm512_set1_pd(0.5 * j));
            const __m512d u = _mm512_abs_pd(_mm512_sub_pd(position, s));
            const __m512d length =
                _mm512_min_pd(_mm512_max_pd(_mm512_mul_pd(_mm512_sub_pd(vOuter, u), vSlope), zero), vPlateau);
            const __m512i at = _mm512_add_epi64(offset, _mm512_set1_epi64(j));
            const __m512d value =
                _mm512_mask_blend_pd(0xF0, _mm512_permutex2var_pd(a0, at, a1), _mm512_permutex2var_pd(b0, at, b1));
            sum = _mm512_add_pd(sum, _mm512_mul_pd(length, value));
            total = _mm512_add_pd(total, length);
        }
        _mm512_storeu_pd(sums + x, _mm512_add_pd(_mm512_loadu_pd(sums + x), sum));
        _mm512_storeu_pd(lengths + x, _mm512_add_pd(_mm512_loadu_pd(lengths + x), total));
    }
}
#endif

using SpreadRowFunction = void (*)(double, double, double, double, double, const double*, double, double*, double*);

SpreadRowFunction ChosenSpreadRow() {
#if defined(SINORA_WIDE_VARIANTS)
    if (StepInstructionSet() == Isa::Avx512) return SpreadRowAvx512;
    if (StepInstructionSet() == Isa::Avx2) return SpreadRowAvx2;
#endif
    return SpreadRow;
}

}  // namespace

void ViewSpreader::Row(int row, double* sums, double* lengths) const {
    const SpreadRowFunction spreadRow = ChosenSpreadRow();
    const double y = Half - 0.5 - row;
    std::fill(sums, sums + FieldPixels, 0.0);
    std::fill(lengths, lengths + FieldPixels, 0.0);
    for (size_t v = 0; v < views_.size(); ++v) {
        const View& w = views_[v];
        const double* channels = &padded_[v * (SinoChannels + 2 * ChannelMargin) + ChannelMargin];
        spreadRow(w.cosA, w.sinA, w.plateau, w.outer, w.slope, channels, y, sums, lengths);
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
