// image_quality_test.cpp - each measurement against a value known in closed
// form: regions and CNR counted by hand, the MTF of a Gaussian blur, the
// NPS of white noise; and the inputs each measurement refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "recon/compute/reconstruction_session.h"
#include "lab/measure/image_quality.h"
#include "lab/core/lab_error.h"
#include "lab/reconstruct/program_slice.h"

namespace {

lab::SliceValues Filled(const std::function<double(int column, int row)>& value) {
    lab::SliceValues slice(256 * 256);
    for (int r = 0; r < 256; ++r)
        for (int c = 0; c < 256; ++c) slice[r * 256 + c] = value(c, r);
    return slice;
}

TEST(ImageQuality, RegionsContrastMtfAndNoisePowerMatchClosedForms) {
    // Value = column: a circle of radius 2 holds 13 pixels whose columns
    // differ from the centre's by -2..2; squares sum to 14.
    const lab::SliceValues ramp = Filled([](int c, int) { return static_cast<double>(c); });
    const lab::RegionStats left = lab::MeasureCircle(ramp, lab::FromField(-27.5, 77.5), 2.0);  // row 50, column 100
    const lab::RegionStats right = lab::MeasureCircle(ramp, {150.0, 50.0}, 2.0);
    EXPECT_EQ(left.pixels, 13);
    EXPECT_DOUBLE_EQ(left.mean, 100.0);
    EXPECT_NEAR(left.sd, std::sqrt(14.0 / 12.0), 1e-12);
    EXPECT_NEAR(lab::ContrastToNoise(left, right), 50.0 / std::sqrt(14.0 / 12.0), 1e-9);

    // Points on a background: a Gaussian blur, MTF exp(-2 pi^2 sigma^2 f^2)
    // with MTF50 at sqrt(ln 2 / 2) / (pi sigma); and an ideal low-pass of
    // cutoff fc, fc J1(2 pi fc r) / r, whose oscillating tail still stands
    // at the square's border: MTF 1 up to fc (less the ripple of cutting it
    // to the square near fc), MTF50 at fc.
    struct Point {
        double sigma, cutoff;
    };
    for (const Point p : {Point{1.0, 0}, {1.5, 0}, {2.5, 0}, {0, 0.2}, {0, 0.3}}) {
        const lab::SliceValues image = Filled([p](int c, int r) {
            const double d = std::hypot(c - 140.0, r - 120.0), fc = p.cutoff;
            if (p.sigma > 0) return 5.0 + std::exp(-d * d / (2 * p.sigma * p.sigma));
            return 5.0 + (d > 0 ? fc * std::cyl_bessel_j(1.0, 2 * M_PI * fc * d) / d : M_PI * fc * fc);
        });
        const lab::FrequencyCurve mtf = lab::PointMtf(image);
        const double expected = p.sigma > 0 ? std::sqrt(std::log(2.0) / 2.0) / (M_PI * p.sigma) : p.cutoff;
        EXPECT_NEAR(lab::FallsTo(mtf, 0.5), expected, 0.02 * expected)
            << "sigma " << p.sigma << ", cutoff " << p.cutoff;
        double passBand = 0.0;  // the worst departure from 1 below fc - 0.05
        for (size_t k = 1; k < mtf.value.size() && mtf.frequency[k] <= p.cutoff - 0.05; ++k)
            passBand = std::max(passBand, std::fabs(mtf.value[k] - 1.0));
        EXPECT_LE(passBand, 0.05) << "cutoff " << p.cutoff;
    }

    // White noise of variance 9: a flat spectrum of 9 value^2 pixel^2 whose
    // integral is the variance, pi / 4 of it (the circle's share of the
    // square) within the Nyquist circle; the difference of two noisy copies
    // of one object gives the same. (The innermost rings hold a handful of
    // frequencies each, too few to average out.)
    std::mt19937_64 random(3);
    std::normal_distribution<double> noise(0.0, 3.0);
    lab::SliceValues first(256 * 256), second(256 * 256);
    for (size_t k = 0; k < first.size(); ++k) {
        const double object = (k % 256 > 128) ? 40.0 : 10.0;
        first[k] = object + noise(random);
        second[k] = object + noise(random);
    }
    const lab::NoisePower single = lab::NoisePowerSpectrum(first, {64.0, 128.0}, 128);  // in one half
    const lab::NoisePower pair = lab::NoisePowerSpectrum(first, {128.0, 128.0}, 128, &second);
    for (const lab::NoisePower* nps : {&single, &pair}) {
        EXPECT_NEAR(nps->variance, 9.0, 0.45);
        EXPECT_NEAR(nps->withinNyquist / nps->variance, M_PI / 4, 0.01);
        const size_t rings = nps->spectrum.value.size();
        for (auto [from, to] : {std::pair<size_t, size_t>{rings / 8, rings / 2}, {rings / 2, rings}}) {
            double mean = 0.0;
            for (size_t k = from; k < to; ++k) mean += nps->spectrum.value[k] / (to - from);
            EXPECT_NEAR(mean, 9.0, 0.45) << "rings " << from << ".." << to;
        }
    }

    // Discs whose edges are blurred by a Gaussian (across a straight edge,
    // an error function): found, also in noise, and without it the same
    // MTF50 as from the point. Centred on a pixel, a small disc leaves tenth-pixel bins
    // near its centre empty.
    struct Disc {
        double radius, column, row, sigma, noise;
    };
    for (const Disc d : {Disc{60, 127.5, 127.5, 1.5, 0}, {16, 128, 128, 1.5, 0}, {50, 128, 128, 2, 0},
                         {20, 90.3, 160.6, 2, 0}, {110, 127.5, 127.5, 1, 0}, {16, 128, 128, 1.5, 5},
                         {20, 90.3, 160.6, 2, 5}}) {
        std::normal_distribution<double> grain(0.0, d.noise > 0 ? d.noise : 1.0);
        const lab::SliceValues disc = Filled([&](int c, int r) {
            const double distance = std::hypot(c - d.column, r - d.row);
            const double edge = 50.0 * std::erfc((distance - d.radius) / (d.sigma * M_SQRT2));
            return 10.0 + edge + (d.noise > 0 ? grain(random) : 0.0);
        });
        const lab::DiscEdge found = lab::FindDisc(disc);
        EXPECT_NEAR(found.centre.column, d.column, 0.1) << "radius " << d.radius << ", noise " << d.noise;
        EXPECT_NEAR(found.centre.row, d.row, 0.1) << "radius " << d.radius << ", noise " << d.noise;
        EXPECT_NEAR(found.radius, d.radius, 0.15) << "radius " << d.radius << ", noise " << d.noise;
        if (d.noise > 0) continue;  // a small disc's MTF in noise scatters by some 10 %
        const double expected = std::sqrt(std::log(2.0) / 2.0) / (M_PI * d.sigma);
        EXPECT_NEAR(lab::FallsTo(lab::EdgeMtf(disc, found), 0.5), expected, 0.02 * expected) << "radius " << d.radius;
    }
}

// The program's own reconstructions of the teaching set's point and disc,
// with each filter: the point's MTF50 within 3 % of the edge's, and the
// point's MTF never above 1.05, Ram-Lak's oscillating tail included.
TEST(ImageQuality, PointAndEdgeAgreeOnTheProgramsReconstructions) {
    const std::string data = SINORA_SOURCE_DIR "/data/";
    ReconstructionSession session;
    for (const char* filter : {"ramlak", "hann", "hamming", "cosine"}) {
        const std::string taps = data + filter + ".txt";
        const lab::FrequencyCurve point =
            lab::PointMtf(lab::ReconstructLikeTheProgram(session, data + "point.sino", taps).sum);
        const lab::FrequencyCurve edge = lab::EdgeMtf(
            lab::ReconstructLikeTheProgram(session, data + "disc.sino", taps).sum, {lab::FromField(0.0, 0.0), 100.0});
        EXPECT_LE(*std::max_element(point.value.begin(), point.value.end()), 1.05) << filter;
        const double fromPoint = lab::FallsTo(point, 0.5), fromEdge = lab::FallsTo(edge, 0.5);
        EXPECT_EQ(fromPoint < 0, fromEdge < 0) << filter << ": MTF50 " << fromPoint << " and " << fromEdge;
        if (fromEdge > 0) {
            EXPECT_NEAR(fromPoint, fromEdge, 0.03 * fromEdge) << filter;
        }
    }
}

TEST(ImageQuality, RefusedInputsSayWhy) {
    std::mt19937_64 random(4);
    std::normal_distribution<double> noise(0.0, 1.0);
    lab::SliceValues noisy(256 * 256);
    for (double& v : noisy) v = noise(random);
    const lab::SliceValues flat(256 * 256, 1.0);
    lab::SliceValues withNan = flat;
    withNan[3 * 256 + 7] = NAN;
    const lab::SliceValues small(100, 1.0);
    const double nan = NAN, inf = INFINITY;
    const lab::PointImage offEdge{{10.0, 128.0}, 0.0, 1.0, 100};
    const lab::PointImage nowhere{{nan, 128.0}, 0.0, 1.0, 100};
    struct Case {
        const char* name;
        std::function<void()> measure;
        const char* message;
    };
    // Every place a caller may give, the command line's among them: refused
    // with words, never read outside the slice (a NaN profile once crashed).
    const Case cases[] = {
        {"region outside", [&] { lab::MeasureCircle(flat, lab::FromField(126.0, 0.0), 5.0); }, "reaches outside"},
        {"region of negative radius", [&] { lab::MeasureCircle(flat, {2.0, 2.0}, -10.0); }, "radius must be above 0"},
        {"region at NaN", [&] { lab::MeasureCircle(flat, {nan, 50.0}, 5.0); }, "must be finite"},
        {"region of infinite radius", [&] { lab::MeasureCircle(flat, {50.0, 50.0}, inf); }, "must be finite"},
        {"region far away", [&] { lab::MeasureCircle(flat, {4294967396.0, 50.0}, 5.0); }, "reaches outside"},
        {"no peak", [&] { lab::PointMtf(noisy); }, "no clear peak"},
        {"point square off the picture", [&] { lab::PointMtf(flat, offEdge); }, "too near the picture's edge"},
        {"point at NaN", [&] { lab::PointMtf(flat, nowhere); }, "finite place"},
        {"small disc", [&] { lab::EdgeMtf(flat, {{128.0, 128.0}, 8.0}); }, "too small"},
        {"disc centred off the picture", [&] { lab::EdgeMtf(flat, {{-80.0, 128.0}, 60.0}); }, "lies outside"},
        {"disc beyond the diagonal", [&] { lab::EdgeMtf(flat, {{128.0, 128.0}, 1e300}); }, "beyond the picture's"},
        {"disc at NaN", [&] { lab::EdgeMtf(flat, {{nan, nan}, 50.0}); }, "finite centre and radius"},
        {"edge off the picture", [&] { lab::EdgeMtf(flat, {{0.0, 128.0}, 300.0}); }, "too few edge samples"},
        {"edge partly off the picture", [&] { lab::EdgeMtf(flat, {{0.0, 128.0}, 280.0}); }, "a gap of more than half"},
        {"square off the picture", [&] { lab::NoisePowerSpectrum(flat, {10.0, 10.0}, 64); }, "does not fit"},
        {"square at NaN", [&] { lab::NoisePowerSpectrum(flat, {nan, nan}, 64); }, "must be finite"},
        {"square far away", [&] { lab::NoisePowerSpectrum(flat, {100.0, 4294967396.0}, 64); }, "does not fit"},
        {"square too small", [&] { lab::NoisePowerSpectrum(flat, {100.0, 100.0}, 2); }, "from 4 to 256"},
        {"profile from NaN", [&] { lab::LineProfile(flat, {nan, 127.5}, {137.5, 127.5}); }, "must be finite"},
        {"profile to infinity", [&] { lab::LineProfile(flat, {0.0, 0.0}, {inf, 0.0}); }, "must be finite"},
        {"profile off the picture", [&] { lab::LineProfile(flat, {0.0, 0.0}, {300.0, 0.0}); }, "outside the picture"},
        {"slice of the wrong size", [&] { lab::MeasureCircle(small, {50.0, 50.0}, 5.0); }, "256 x 256"},
        {"slice holding NaN", [&] { lab::FindDisc(withNan); }, "row 3, column 7 is not a finite number"},
        {"slice holding NaN, line pairs", [&] { lab::LinePairModulation(withNan); }, "not a finite number"},
    };
    for (const Case& c : cases) {
        try {
            c.measure();
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const lab::LabError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.name << ": " << error.what();
        }
    }
    // The words each measurement throws are those the command line checks
    // before any work.
    EXPECT_EQ(lab::CircleProblem({2.0, 2.0}, -10.0), "the region's radius must be above 0");
    EXPECT_EQ(lab::SquareProblem({128.0, 128.0}, 64.5), "the noise square's size must be a whole number of pixels");
    EXPECT_EQ(lab::CircleProblem({128.0, 128.0}, 5.0), "");
    EXPECT_EQ(lab::SquareProblem({127.5, 127.5}, 256.0), "");
    EXPECT_EQ(lab::LineProblem({0.0, 0.0}, {255.0, 255.0}), "");
    EXPECT_EQ(lab::EdgeProblem({{-0.5, 255.5}, 362.0}), "");
}

}  // namespace
