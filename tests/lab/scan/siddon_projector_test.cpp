// siddon_projector_test.cpp - the projector against an independent one
// (every crossing listed, sorted by merging, summed in order): the lengths
// come from other formulas, so they agree to rounding; every instruction
// set's projection against one ray at a time, to the bit; the transpose
// against the projection through <A x, y> = <x, A'y>.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "recon/compute/instruction_sets.h"
#include "lab/core/field_image.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/siddon_projector.h"

namespace {

TEST(SiddonProjector, IntegralsAreExactLengths) {
    // One pixel of value 1 at column 130, row 100: centred square
    // [2, 3] x [27, 28].
    lab::FieldImage field;
    field.at(130, 100) = 1.0;
    const double s = std::sqrt(0.5);
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 2.5, 1.0, 0.0), 1.0);  // vertical through it
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 27.25, 0.0, 1.0), 1.0);  // horizontal
    EXPECT_DOUBLE_EQ(lab::SiddonRayIntegral(field, 3.5, 1.0, 0.0), 0.0);
    // The diagonal through its centre (2.5, 27.5): length sqrt(2).
    EXPECT_NEAR(lab::SiddonRayIntegral(field, (2.5 + 27.5) * s, s, s), std::sqrt(2.0), 1e-12);
    // A uniform field: the chord of the square at 30 degrees.
    std::fill(field.values.begin(), field.values.end(), 1.0);
    const double c = std::cos(M_PI / 6), n = std::sin(M_PI / 6);
    EXPECT_NEAR(lab::SiddonRayIntegral(field, 0.0, c, n), 256.0 / c, 1e-9);
}

void PlainCrossings(double p0, double e, double tMin, double tMax, std::vector<double>& out) {
    if (std::fabs(e) < 1e-12) return;
    const double first = (e > 0 ? std::ceil(p0 + tMin * e) : std::floor(p0 + tMin * e));
    for (double k = first;; k += e > 0 ? 1.0 : -1.0) {
        const double t = (k - p0) / e;
        if (t >= tMax) break;
        if (t > tMin) out.push_back(t);
    }
}

bool PlainInterval(double p0, double e, double& tMin, double& tMax) {
    if (std::fabs(e) < 1e-12) return p0 > -128.0 && p0 < 128.0;
    double t1 = (-128.0 - p0) / e, t2 = (128.0 - p0) / e;
    if (t1 > t2) std::swap(t1, t2);
    tMin = std::max(tMin, t1);
    tMax = std::min(tMax, t2);
    return true;
}

double PlainIntegral(const lab::FieldImage& field, double d, double cosA, double sinA) {
    const double px = d * cosA, py = d * sinA, ex = -sinA, ey = cosA;
    double tMin = -1e300, tMax = 1e300;
    if (!PlainInterval(px, ex, tMin, tMax) || !PlainInterval(py, ey, tMin, tMax) || tMin >= tMax) return 0.0;
    std::vector<double> xs, ys, ts;
    PlainCrossings(px, ex, tMin, tMax, xs);
    PlainCrossings(py, ey, tMin, tMax, ys);
    ts.resize(xs.size() + ys.size() + 2);
    ts[0] = tMin;
    std::merge(xs.begin(), xs.end(), ys.begin(), ys.end(), ts.begin() + 1);
    ts.back() = tMax;
    double sum = 0.0;
    for (size_t k = 1; k < ts.size(); ++k) {
        const double length = ts[k] - ts[k - 1];
        if (length <= 0.0) continue;
        const double mid = 0.5 * (ts[k] + ts[k - 1]);
        const int column = static_cast<int>(std::floor(px + mid * ex + 128.0));
        const int row = static_cast<int>(std::floor(128.0 - (py + mid * ey)));
        if (column < 0 || column >= 256 || row < 0 || row >= 256) continue;
        sum += length * field.at(column, row);
    }
    return sum;
}

TEST(SiddonProjector, MatchesCrossingListAndTransposeMatchesProjection) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    lab::FieldImage noise;  // every pixel different, the corners too
    for (double& v : noise.values) v = uniform(random);
    const lab::FieldImage head = lab::RasterisePhantom(lab::MakePhantom("modified-shepp-logan"));

    const lab::FieldImage* fields[] = {&noise, &head};
    for (const lab::FieldImage* field : fields) {
        std::vector<double> single(lab::SinoChannels * lab::SinoAngles);  // one ray at a time
        for (int a = 0; a < lab::SinoAngles; ++a) {
            double cosA, sinA;
            lab::ViewDirection(a, cosA, sinA);
            for (int c = 0; c < lab::SinoChannels; ++c) {
                const double d = lab::ChannelPosition(c);
                single[lab::SinogramIndex(c, a)] = lab::SiddonRayIntegral(*field, d, cosA, sinA);
                // Values of at most 1 along at most 363 pixels.
                EXPECT_NEAR(single[lab::SinogramIndex(c, a)], PlainIntegral(*field, d, cosA, sinA), 1e-10)
                    << "channel " << c << " angle " << a;
            }
        }
        // Every instruction set the processor has, channels in blocks of
        // any start, on two threads.
        for (Isa isa : {Isa::Avx512, Isa::Avx2, Isa::Plain}) {
            if (LimitStepInstructionSet(isa) != isa) continue;
            EXPECT_TRUE(lab::ProjectField(*field) == single) << "instruction set " << static_cast<int>(isa);
            const lab::FieldStrips strips(*field);
            std::vector<double> part(lab::SinoChannels);
            for (int a : {0, 45, 90, 100}) {
                lab::ProjectView(strips, a, 3, 700, part.data());
                for (int c = 3; c < 700; ++c) ASSERT_EQ(part[c], single[lab::SinogramIndex(c, a)]) << c << " " << a;
            }
            // Off the angle grid, the rays shifted: rising and falling
            // positions along rows and along columns.
            for (double theta : {0.3, 1.2, 2.0, 2.8}) {
                lab::ProjectRays(strips, std::cos(theta), std::sin(theta), 0.37, 0, lab::SinoChannels, part.data());
                for (int c = 0; c < lab::SinoChannels; ++c)
                    ASSERT_EQ(part[c], lab::SiddonRayIntegral(*field, lab::ChannelPosition(c) - 0.37, std::cos(theta),
                                                              std::sin(theta)))
                        << c << " " << theta;
            }
        }
        LimitStepInstructionSet(Isa::Avx512);
    }

    std::vector<double> rays(lab::SinoChannels);
    for (double& v : rays) v = uniform(random);
    for (int angle : {0, 17, 45, 90, 133, 179}) {
        std::vector<double> projected(lab::SinoChannels), back(noise.values.size(), 0.0), lengths(noise.values.size(), 0.0);
        lab::ProjectView(lab::FieldStrips(noise), angle, 0, lab::SinoChannels, projected.data());
        lab::BackProjectView(rays.data(), angle, 0, 256, back.data(), lengths.data());
        double ax_y = 0.0, x_aty = 0.0;
        for (int c = 0; c < lab::SinoChannels; ++c) ax_y += projected[c] * rays[c];
        for (size_t p = 0; p < back.size(); ++p) x_aty += noise.values[p] * back[p];
        EXPECT_NEAR(ax_y, x_aty, 1e-9 * std::fabs(ax_y)) << "angle " << angle;
        // The same bits from every instruction set, a few rows at a time.
        for (Isa isa : {Isa::Avx2, Isa::Plain}) {
            if (LimitStepInstructionSet(isa) != isa) continue;
            std::vector<double> again(back.size(), 0.0), againLengths(back.size(), 0.0);
            for (int r = 0; r < 256; r += 64) lab::BackProjectView(rays.data(), angle, r, r + 64, again.data(), againLengths.data());
            EXPECT_TRUE(again == back && againLengths == lengths) << "instruction set " << static_cast<int>(isa);
        }
        LimitStepInstructionSet(Isa::Avx512);
        // Rays half a pixel apart through a pixel of area 1: lengths near 2
        // (the trapezoid of lengths sampled at half-pixel steps).
        EXPECT_NEAR(lengths[128 * 256 + 100], 2.0, 0.2) << "angle " << angle;
    }
}

}  // namespace
