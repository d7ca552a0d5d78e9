// The scanner's imperfections, one test each: what the option changes is
// checked against its closed form (exact where the arithmetic is the same),
// what it must not change against the ideal scan, and its bad values against
// the command line.
#include <CLI/CLI.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/c_locale.h"
#include "lab/cli/artifact_options_cli.h"
#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/files/output_files.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/scan_artifacts.h"
#include "lab/scan/scan_object.h"

namespace {

using lab::ArtifactOptions;

std::vector<double> Scan(const std::string& phantom, const ArtifactOptions& options, double photons = 0.0) {
    return lab::ScanWithArtifacts(lab::ObjectFromPhantom(phantom, options.Polychromatic()), options, photons, 7).integrals;
}

// Today's ideal scan, as `phantom` writes it without options.
std::vector<double> Ideal(const std::string& phantom) {
    std::vector<double> p = lab::ProjectPhantom(lab::MakePhantom(phantom));
    for (double& v : p) v *= lab::WaterMuPerMm;
    return p;
}

// Parses the artifact options of a command line; "" when it is accepted,
// else CLI11's message.
std::string ParseError(std::vector<std::string> args, ArtifactOptions* parsed = nullptr) {
    CLI::App app;
    ArtifactOptions options;
    lab::AddArtifactOptions(&app, options);
    args.insert(args.begin(), "sinora-lab");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    try {
        const CLocaleScope numbersInC;  // as sinora-lab's main() parses, whatever the process's locale
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    if (parsed) *parsed = options;
    return "";
}

void ExpectRefused(const std::vector<std::vector<std::string>>& commandLines) {
    for (const auto& args : commandLines) EXPECT_NE(ParseError(args), "") << args[0] << " " << args[1];
}

TEST(ScanArtifacts, ViewsAndArcZeroExactlyTheViewsNotMeasured) {
    const std::vector<double> ideal = Ideal("modified-shepp-logan");
    EXPECT_EQ(Scan("modified-shepp-logan", ArtifactOptions{}), ideal);
    struct Case {
        int views, arc;
        std::vector<int> measured;  // sample angles kept
        std::vector<int> zeroed;
    };
    const Case cases[] = {{30, 0, {0, 6, 174}, {1, 5, 179}},
                          {0, 120, {0, 1, 119}, {120, 179}},
                          {4, 100, {0, 45, 90}, {1, 135}}};
    for (const Case& c : cases) {
        ArtifactOptions options;
        options.views = c.views;
        options.arcDegrees = c.arc;
        const std::vector<double> scan = Scan("modified-shepp-logan", options);
        for (int a = 0; a < lab::SinoAngles; ++a)
            for (int ch = 0; ch < lab::SinoChannels; ++ch) {
                const size_t k = lab::SinogramIndex(ch, a);
                ASSERT_EQ(scan[k], lab::ViewMeasured(options, a) ? ideal[k] : 0.0) << c.views << " " << a;
            }
        for (int a : c.measured) EXPECT_TRUE(lab::ViewMeasured(options, a)) << a;
        for (int a : c.zeroed) EXPECT_FALSE(lab::ViewMeasured(options, a)) << a;
    }
    ArtifactOptions parsed;
    EXPECT_EQ(ParseError({"--views", "036", "--arc", "180"}, &parsed), "");  // decimal, not octal
    EXPECT_EQ(parsed.views, 36);
    EXPECT_NE(ParseError({"--views", "7"}).find("1, 2, 3, 4, 5, 6, 9, 10"), std::string::npos);
    ExpectRefused({{"--views", "0"}, {"--views", "360"}, {"--arc", "0"}, {"--arc", "181"}, {"--arc", "x"}});
}

TEST(ScanArtifacts, GainsSubtractTheirLogarithmInEveryView) {
    const std::vector<double> ideal = Ideal("modified-shepp-logan");
    ArtifactOptions options;
    options.gains = {{300, 0.9}, {500, 1.25}, {300, 2.0}};
    const std::vector<double> scan = Scan("modified-shepp-logan", options);
    for (int a = 0; a < lab::SinoAngles; ++a) {
        for (int ch = 0; ch < lab::SinoChannels; ++ch) {
            const size_t k = lab::SinogramIndex(ch, a);
            const double gain = ch == 300 ? 0.9 * 2.0 : ch == 500 ? 1.25 : 1.0;
            ASSERT_EQ(scan[k], gain == 1.0 ? ideal[k] : ideal[k] - std::log(gain)) << ch << " " << a;
        }
    }
    // The spread: a gain per channel, the same in every view and for the
    // same seed, around 1.
    options.gains.clear();
    options.gainSpread = 0.05;
    const std::vector<double> spread = Scan("modified-shepp-logan", options);
    EXPECT_EQ(spread, Scan("modified-shepp-logan", options));
    double sum = 0.0, squares = 0.0;
    for (int ch = 0; ch < lab::SinoChannels; ++ch) {
        const double logGain = ideal[lab::SinogramIndex(ch, 0)] - spread[lab::SinogramIndex(ch, 0)];
        for (int a = 1; a < lab::SinoAngles; ++a) {
            const size_t k = lab::SinogramIndex(ch, a);
            ASSERT_NEAR(ideal[k] - spread[k], logGain, 1e-12) << ch << " " << a;
        }
        sum += logGain;
        squares += logGain * logGain;
    }
    EXPECT_NEAR(sum / lab::SinoChannels, 0.0, 0.01);
    EXPECT_NEAR(std::sqrt(squares / lab::SinoChannels), 0.05, 0.01);

    ArtifactOptions parsed;
    EXPECT_EQ(ParseError({"--gain", "0:0.5", "--gain", "728:3", "--gain-spread", "0.1"}, &parsed), "");
    ASSERT_EQ(parsed.gains.size(), 2u);
    EXPECT_EQ(parsed.gains[1].channel, 728);
    EXPECT_EQ(parsed.gains[1].factor, 3.0);
    EXPECT_EQ(ParseError({"--gain", "5:0.001", "--gain", "6:1000", "--gain", "7:0.1", "--gain", "7:0.01",
                          "--gain-spread", "1"}),
              "");
    ExpectRefused({{"--gain", "729:1"}, {"--gain", "-1:1"}, {"--gain", "3.5:1"}, {"--gain", "3:0"},
                   {"--gain", "3:-1"}, {"--gain", "3"}, {"--gain", "a:1"}, {"--gain-spread", "-1"},
                   {"--gain", "3:1e-300"}, {"--gain", "3:1e4"}, {"--gain", "3:nan"}, {"--gain", "3:inf"},
                   {"--gain", "300:0.01", "--gain", "300:0.01"}, {"--gain", "300:100", "--gain", "300:100"},
                   {"--gain-spread", "inf"}, {"--gain-spread", "nan"}, {"--gain-spread", "1.5"}});
}

TEST(ScanArtifacts, MotionMovesThePointAlongItsPath) {
    const lab::Ellipse point = lab::MakePhantom("point").ellipses[0];
    const double pi = std::acos(-1.0);
    struct Case {
        double dx, dy, degrees;
    };
    for (const Case& c : {Case{6.0, -4.0, 0.0}, Case{0.0, 0.0, 90.0}, Case{10.0, 3.0, -30.0}}) {
        ArtifactOptions options;
        options.motionX = c.dx;
        options.motionY = c.dy;
        options.motionDegrees = c.degrees;
        const std::vector<double> scan = Scan("point", options);
        for (int a = 0; a < lab::SinoAngles; a += 17) {
            // Where view a sees the point: turned about the centre, then
            // shifted, by a / 179 of the whole.
            const double f = a / 179.0, turn = f * c.degrees * pi / 180.0;
            lab::Phantom moved;
            moved.ellipses.push_back(point);
            moved.ellipses[0].cx = point.cx * std::cos(turn) - point.cy * std::sin(turn) + f * c.dx;
            moved.ellipses[0].cy = point.cx * std::sin(turn) + point.cy * std::cos(turn) + f * c.dy;
            const double theta = a * lab::RadiansPerAngle;
            for (int ch = 0; ch < lab::SinoChannels; ++ch) {
                const double expected = lab::WaterMuPerMm * lab::PhantomRayIntegral(moved, lab::ChannelPosition(ch),
                                                                                    std::cos(theta), std::sin(theta));
                ASSERT_NEAR(scan[lab::SinogramIndex(ch, a)], expected, 1e-9) << c.dx << " " << a << " " << ch;
            }
        }
    }
    ArtifactOptions parsed;
    EXPECT_EQ(ParseError({"--motion", "-2.5,4", "--motion-rotate", "5"}, &parsed), "");
    EXPECT_EQ(parsed.motionX, -2.5);
    EXPECT_EQ(parsed.motionY, 4.0);
    EXPECT_EQ(parsed.motionDegrees, 5.0);
    EXPECT_EQ(ParseError({"--motion", "256,-256", "--motion-rotate", "-360"}), "");
    ExpectRefused({{"--motion", "3"}, {"--motion", "1,2,3"}, {"--motion", "1,x"}, {"--motion-rotate", "y"},
                   {"--motion-rotate", "nan"}, {"--motion-rotate", "inf"}, {"--motion-rotate", "361"},
                   {"--motion", "300,0"}, {"--motion", "0,nan"}, {"--motion", "1e300,0"}});
}

TEST(ScanArtifacts, PolychromaticBeamHardensAndWaterCorrectionLinearises) {
    // The spectrum: shares summing to 1; unfiltered, Kramers' energy
    // fluence (kVp - E).
    for (double kvp : {40.0, 80.5, 150.0}) {
        const lab::Spectrum spectrum = lab::TungstenSpectrum(kvp, 0.0);
        double total = 0.0;
        for (size_t k = 0; k < spectrum.weight.size(); ++k) {
            total += spectrum.weight[k];
            EXPECT_NEAR(spectrum.weight[k] / spectrum.weight[0], (kvp - spectrum.keV[k]) / (kvp - spectrum.keV[0]),
                        1e-12);
        }
        EXPECT_NEAR(total, 1.0, 1e-12) << kvp;
        EXPECT_LT(spectrum.keV.back(), kvp);
    }
    // Filtration takes the soft photons: the mean energy rises.
    auto meanKeV = [](const lab::Spectrum& s) {
        double mean = 0.0;
        for (size_t k = 0; k < s.keV.size(); ++k) mean += s.weight[k] * s.keV[k];
        return mean;
    };
    EXPECT_GT(meanKeV(lab::TungstenSpectrum(120, 5.0)), meanKeV(lab::TungstenSpectrum(120, 0.0)) + 5.0);

    // A water disc: the longer the path, the less each millimetre counts
    // (cupping); corrected, every path is linear again.
    const std::vector<double> ideal = Ideal("disc");
    ArtifactOptions options;
    options.kvp = 120;
    const std::vector<double> hardened = Scan("disc", options);
    options.waterCorrection = true;
    const std::vector<double> corrected = Scan("disc", options);
    const size_t centre = lab::SinogramIndex(364, 10), edge = lab::SinogramIndex(555, 10);
    EXPECT_LT(hardened[centre] / ideal[centre], hardened[edge] / ideal[edge] - 0.05);
    for (size_t k = 0; k < ideal.size(); ++k) ASSERT_NEAR(corrected[k], ideal[k], 1e-6) << k;
    // Bone is no water: the head's skull is still wrong after the correction.
    EXPECT_GT(std::fabs(Scan("shepp-logan", options)[centre] - Ideal("shepp-logan")[centre]), 0.01);

    // A CT slice's units split into water and bone that add up to the same
    // attenuation at the effective energy: water to 100 HU, all bone from
    // the bone's own value on.
    lab::FieldImage hu;
    const double boneRelative = lab::RelativeToWater(lab::Material::Bone);
    const double relatives[] = {0.0, 0.9, 1.1, 1.5, boneRelative, boneRelative + 0.5};
    for (int k = 0; k < 6; ++k) hu.values[k] = relatives[k];
    const lab::ScanObject split = lab::ObjectFromField(hu, true, true);
    ASSERT_EQ(split.maps.size(), 2u);
    for (int k = 0; k < 6; ++k) {
        const double water = split.maps[0].field.values[k], bone = split.maps[1].field.values[k];
        EXPECT_NEAR(water + bone, relatives[k], 1e-12) << k;
        EXPECT_EQ(bone > 0.0, k >= 3) << k;
        EXPECT_EQ(water == 0.0, k == 0 || k >= 4) << k;
    }
    EXPECT_NEAR(lab::BoneHu(), 1787.0, 10.0);

    ArtifactOptions parsed;
    EXPECT_EQ(ParseError({"--kvp", "150", "--filtration", "0", "--water-correction"}, &parsed), "");
    EXPECT_TRUE(parsed.waterCorrection);
    EXPECT_EQ(ParseError({"--kvp", "40", "--filtration", "50"}), "");
    ExpectRefused({{"--kvp", "39"}, {"--kvp", "151"}, {"--filtration", "1"}, {"--water-correction", "--arc=3"},
                   {"--kvp", "60", "--filtration", "-1"}, {"--kvp", "nan"}, {"--kvp", "40", "--filtration", "1e6"},
                   {"--kvp", "40", "--filtration", "inf"}, {"--kvp", "40", "--filtration", "51"}});
}

TEST(ScanArtifacts, MetalDiscsAttenuateAlongTheirChords) {
    // In air: only the discs, each chord 2 sqrt(R^2 - (d - c.n)^2).
    ArtifactOptions options;
    options.metals = {{-40.0, 20.0, 8.0, lab::Material::Titanium}, {30.0, -10.0, 5.5, lab::Material::Gold}};
    const std::vector<double> scan = lab::ScanWithArtifacts(lab::ObjectFromField(lab::FieldImage{}, false, false),
                                                            options, 0.0, 1)
                                         .integrals;
    for (int a = 0; a < lab::SinoAngles; a += 7) {
        const double theta = a * lab::RadiansPerAngle, cosA = std::cos(theta), sinA = std::sin(theta);
        for (int ch = 0; ch < lab::SinoChannels; ++ch) {
            double expected = 0.0;
            for (const lab::MetalDisc& m : options.metals) {
                const double offset = lab::ChannelPosition(ch) - (m.x * cosA + m.y * sinA);
                if (offset * offset < m.radius * m.radius)
                    expected += lab::WaterMuPerMm * lab::RelativeToWater(m.material) * 2.0 *
                                std::sqrt(m.radius * m.radius - offset * offset);
            }
            ASSERT_NEAR(scan[lab::SinogramIndex(ch, a)], expected, 1e-12) << a << " " << ch;
        }
    }
    // Metal attenuates far more than water: titanium about 17 times, gold
    // hundreds of times, at 60 keV.
    EXPECT_NEAR(lab::RelativeToWater(lab::Material::Titanium), 17.0, 1.0);
    EXPECT_GT(lab::RelativeToWater(lab::Material::Gold), 300.0);

    // In the disc phantom the metal replaces the water along the very same
    // chord, grazing rays included, also where a ray crosses two discs.
    // Through the metal with few photons, some rays count none (stored as
    // one photon).
    options.metals = {{0.0, 50.0, 15.0, lab::Material::Iron}, {25.0, 40.0, 8.0, lab::Material::Iron}};
    const std::vector<double> ideal = Ideal("disc");
    const std::vector<double> replaced = Scan("disc", options);
    // The metal alone, as measured in air above.
    const std::vector<double> metalOnly =
        lab::ScanWithArtifacts(lab::ObjectFromField(lab::FieldImage{}, false, false), options, 0.0, 1).integrals;
    const double iron = lab::RelativeToWater(lab::Material::Iron);
    for (size_t k = 0; k < ideal.size(); ++k)
        ASSERT_NEAR(replaced[k], ideal[k] + metalOnly[k] * (iron - 1.0) / iron, 1e-12) << k;
    const size_t hit = lab::SinogramIndex(364, 0);
    options.metals.resize(1);
    const std::vector<double> starved = Scan("disc", options, 1000.0);
    EXPECT_EQ(starved[hit], std::log(1000.0));

    ArtifactOptions parsed;
    EXPECT_EQ(ParseError({"--metal", "1,2,3", "--metal", "-4,5.5,6,GOLD"}, &parsed), "");
    ASSERT_EQ(parsed.metals.size(), 2u);
    EXPECT_EQ(parsed.metals[0].material, lab::Material::Titanium);
    EXPECT_EQ(parsed.metals[1].material, lab::Material::Gold);
    EXPECT_EQ(parsed.metals[1].y, 5.5);
    ExpectRefused({{"--metal", "1,2,0"}, {"--metal", "1,2,-3"}, {"--metal", "1,2"}, {"--metal", "1,2,3,lead"},
                   {"--metal", "1,2,3,iron,5"}, {"--metal", "1,b,3"}, {"--metal", "0,0,1e300"},
                   {"--metal", "1e300,0,5"}, {"--metal", "0,nan,5"}, {"--metal", "0,0,inf"}});
}

// Options set directly, as the window sets them, are held to the command
// line's bounds; and no sinogram file ever holds a value that is not a line
// integral: the last check before any file is staged names the first.
TEST(ScanArtifacts, OptionsBeyondTheirPhysicsAndNonFiniteFilesAreRefused) {
    struct Case {
        const char* name;
        void (*set)(ArtifactOptions&);
        const char* said;
    };
    const Case cases[] = {
        {"turn NaN", [](ArtifactOptions& o) { o.motionDegrees = NAN; }, "the turn must be"},
        {"turn inf", [](ArtifactOptions& o) { o.motionDegrees = INFINITY; }, "the turn must be"},
        {"shift", [](ArtifactOptions& o) { o.motionY = -1e9; }, "the motion must be"},
        {"filtration", [](ArtifactOptions& o) { o.kvp = 40, o.filtrationMm = 1e6; }, "the filtration must be"},
        {"voltage", [](ArtifactOptions& o) { o.kvp = 1e9; }, "the tube voltage must be"},
        {"gains multiplied", [](ArtifactOptions& o) { o.gains = {{300, 1e-3}, {300, 1e-3}}; }, "multiply to 1e-06"},
        {"gain factor", [](ArtifactOptions& o) { o.gains = {{300, 1e-300}}; }, "the factor must be"},
        {"gain channel", [](ArtifactOptions& o) { o.gains = {{729, 1.0}}; }, "the channel must be"},
        {"spread", [](ArtifactOptions& o) { o.gainSpread = INFINITY; }, "the gain spread must be"},
        {"metal radius", [](ArtifactOptions& o) { o.metals = {{0.0, 0.0, NAN, lab::Material::Gold}}; }, "radius"},
        {"metal centre", [](ArtifactOptions& o) { o.metals = {{1e300, 0.0, 5.0, lab::Material::Gold}}; }, "centre"},
        {"views", [](ArtifactOptions& o) { o.views = 7; }, "divide 180"},
    };
    for (const Case& c : cases) {
        ArtifactOptions options;
        c.set(options);
        EXPECT_NE(lab::ArtifactProblem(options).find(c.said), std::string::npos) << c.name << ": "
                                                                                 << lab::ArtifactProblem(options);
        try {
            Scan("disc", options);
            ADD_FAILURE() << c.name << ": scanned";
        } catch (const lab::LabError& error) {
            EXPECT_EQ(std::string(error.what()), lab::ArtifactProblem(options)) << c.name;
        }
    }
    EXPECT_THROW(lab::TungstenSpectrum(40, INFINITY), lab::LabError);
    EXPECT_THROW(lab::TungstenSpectrum(NAN, 2.5), lab::LabError);

    // Behind any amount of gold the beam model measures 708.4 (the smallest
    // normal double passing), and the water correction of that stays below
    // the bound of every file, 1000, at every voltage and filtration.
    double most = 0.0;
    for (double kvp : {40.0, 80.0, 120.0, 150.0})
        for (double filtration : {0.0, 2.5, 50.0}) {
            const lab::Beam beam(lab::TungstenSpectrum(kvp, filtration));
            double mono[lab::MaterialCount] = {};
            mono[static_cast<int>(lab::Material::Gold)] = 1e6;
            const double measured = beam.Measure(mono);
            EXPECT_NEAR(measured, 708.4, 0.01);
            most = std::max(most, beam.WaterCorrected(measured));
        }
    EXPECT_LT(most, lab::MaxLineIntegral);
    EXPECT_GT(most, 900.0);

    // The file: +-1000 written, beyond it or not a number never.
    std::vector<double> values(lab::SinoChannels * lab::SinoAngles, 0.0);
    values[lab::SinogramIndex(5, 6)] = -1000.0;
    values[lab::SinogramIndex(7, 8)] = 1000.0;
    EXPECT_EQ(lab::SinogramFileBytes(values).size(), values.size() * 8);
    const struct {
        double value;
        const char* said;
    } bad[] = {{NAN, "no sinogram file written: channel 300, angle 2 holds nan: not a finite number"},
               {-INFINITY, "no sinogram file written: channel 300, angle 2 holds -inf: not a finite number"},
               {1000.001, "no sinogram file written: channel 300, angle 2 holds 1000.001: beyond +-1000"}};
    for (const auto& b : bad) {
        values[lab::SinogramIndex(300, 2)] = b.value;
        try {
            lab::SinogramFileBytes(values);
            ADD_FAILURE() << b.value << " written";
        } catch (const lab::LabError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(b.said, 0), 0u) << error.what();
        }
    }
}

}  // namespace
