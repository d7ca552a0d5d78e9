// artifact_options_cli.cpp - values made of several numbers
// ("CHANNEL:FACTOR", "DX,DY", "X,Y,R[,MATERIAL]") are split and checked in
// the options' callbacks, so that CLI11 reports them as usage errors.
#include "tools/lab/artifact_options_cli.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <sstream>

#include "tools/lab/lab_error.h"
#include "tools/lab/option_bounds.h"
#include "tools/lab/scan_artifacts.h"

namespace lab {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.push_back("");
    return parts;
}

double Number(const std::string& text, const std::string& option, const std::string& value) {
    try {
        size_t used = 0;
        const double number = std::stod(text, &used);
        if (used == text.size() && std::isfinite(number)) return number;
    } catch (const std::exception&) {
    }
    throw CLI::ValidationError(option, "'" + value + "': '" + text + "' is not a number");
}

// A number in [lo, hi]; CLI11's own range check would print the bounds of a
// double to six decimals, or the largest double for an open end.
CLI::Validator NumberIn(double lo, double hi, const std::string& range) {
    return CLI::Validator(
        [lo, hi, range](std::string& text) -> std::string {
            try {
                size_t used = 0;
                const double number = std::stod(text, &used);
                if (used == text.size() && number >= lo && number <= hi) return "";
            } catch (const std::exception&) {
            }
            return "'" + text + "' is not a number " + range;
        },
        "");
}

// A whole decimal number (CLI11 would read "030" as octal); 0 for anything
// else, which no option here takes.
int WholeNumber(const std::string& text) {
    try {
        size_t used = 0;
        const int n = std::stoi(text, &used, 10);
        if (used == text.size()) return n;
    } catch (const std::exception&) {
    }
    return 0;
}

std::string ViewCounts() {
    std::string list;
    for (int n = 1; n <= SinoAngles; ++n)
        if (SinoAngles % n == 0) list += (list.empty() ? "" : ", ") + std::to_string(n);
    return list;
}

ChannelGain ParseGain(const std::string& value) {
    const std::vector<std::string> parts = Split(value, ':');
    if (parts.size() != 2) throw CLI::ValidationError("--gain", "'" + value + "' is not CHANNEL:FACTOR");
    const double channel = Number(parts[0], "--gain", value);
    const double factor = Number(parts[1], "--gain", value);
    const std::string problem = GainProblem(channel, factor);
    if (!problem.empty()) throw CLI::ValidationError("--gain", "'" + value + "': " + problem);
    return {static_cast<int>(channel), factor};
}

MetalDisc ParseMetal(const std::string& value) {
    const std::vector<std::string> parts = Split(value, ',');
    if (parts.size() != 3 && parts.size() != 4)
        throw CLI::ValidationError("--metal", "'" + value + "' is not X,Y,R or X,Y,R,MATERIAL");
    MetalDisc disc;
    disc.x = Number(parts[0], "--metal", value);
    disc.y = Number(parts[1], "--metal", value);
    disc.radius = Number(parts[2], "--metal", value);
    const std::string problem = MetalRadiusProblem(disc.radius);
    if (!problem.empty()) throw CLI::ValidationError("--metal", "'" + value + "': " + problem);
    if (parts.size() == 4) {
        try {
            disc.material = MetalNamed(CLI::detail::to_lower(parts[3]));
        } catch (const LabError& error) {
            throw CLI::ValidationError("--metal", "'" + value + "': " + error.what());
        }
    }
    return disc;
}

}  // namespace

void AddArtifactOptions(CLI::App* command, ArtifactOptions& options) {
    const size_t before = command->get_options().size();
    const std::string counts = ViewCounts();
    command
        ->add_option_function<std::string>(
            "--views",
            [&options, counts](const std::string& value) {
                const int n = WholeNumber(value);
                if (n < 1 || SinoAngles % n != 0)
                    throw CLI::ValidationError("--views", "'" + value + "' does not divide 180: N is one of " + counts);
                options.views = n;
            },
            "sparse views: N evenly spaced views measured, the others 0 (N: " + counts + ")")
        ->type_name("N");
    command
        ->add_option_function<std::string>(
            "--arc",
            [&options](const std::string& value) {
                const int degrees = WholeNumber(value);
                if (degrees < 1 || degrees > SinoAngles)
                    throw CLI::ValidationError("--arc", "'" + value + "' is not a whole number from 1 to 180");
                options.arcDegrees = degrees;
            },
            "limited angle: only views 0..DEG-1 measured (1..180)")
        ->type_name("DEG");
    command
        ->add_option_function<std::vector<std::string>>(
            "--gain",
            [&options](const std::vector<std::string>& values) {
                for (const std::string& v : values) options.gains.push_back(ParseGain(v));
            },
            "the channel's intensity times FACTOR (> 0) in every view, so its line integral "
            "becomes p - ln FACTOR; channels 0.." +
                std::to_string(SinoChannels - 1) + ", of which Sinora reads " + std::to_string(FirstReadChannel) +
                ".." + std::to_string(LastReadChannel) + " (repeatable)")
        ->allow_extra_args(false)
        ->type_name("CHANNEL:FACTOR");
    command->add_option("--gain-spread", options.gainSpread,
                        "every channel's gain drawn from a normal distribution of mean 1 and this standard "
                        "deviation (at least 0.01), from --seed")
        ->check(NumberIn(0.0, HUGE_VAL, "of at least 0"))
        ->type_name("SIGMA");
    command->add_option_function<std::string>(
        "--motion",
        [&options](const std::string& value) {
            const std::vector<std::string> parts = Split(value, ',');
            if (parts.size() != 2) throw CLI::ValidationError("--motion", "'" + value + "' is not DX,DY");
            options.motionX = Number(parts[0], "--motion", value);
            options.motionY = Number(parts[1], "--motion", value);
        },
        "the object moves steadily by this many field pixels (x right, y up) from view 0 to view 179")
        ->type_name("DX,DY");
    command->add_option("--motion-rotate", options.motionDegrees,
                        "the object turns steadily about the field centre by DEG degrees (counter-clockwise) "
                        "from view 0 to view 179")
        ->type_name("DEG");
    CLI::Option* kvp = command->add_option("--kvp", options.kvp,
                                           "polychromatic beam: a tungsten tube at KV (40..150) and an energy-"
                                           "integrating detector")
                           ->check(NumberIn(40.0, 150.0, "from 40 to 150"))
                           ->type_name("KV");
    command->add_option("--filtration", options.filtrationMm, "aluminium filter of the beam in mm (default 2.5)")
        ->check(NumberIn(0.0, HUGE_VAL, "of at least 0"))
        ->type_name("MM")
        ->needs(kvp);
    command->add_flag("--water-correction", options.waterCorrection,
                      "the scanner's first-order beam-hardening correction: every path taken as water")
        ->needs(kvp);
    command
        ->add_option_function<std::vector<std::string>>(
            "--metal",
            [&options](const std::vector<std::string>& values) {
                for (const std::string& v : values) options.metals.push_back(ParseMetal(v));
            },
            "a metal disc of radius R field pixels centred X, Y pixels from the field centre "
            "(x right, y up), titanium (default), iron or gold, replacing the object (repeatable)")
        ->allow_extra_args(false)
        ->type_name("X,Y,R[,MATERIAL]");
    // Their own heading in the help, naming the order of the physics.
    const std::vector<CLI::Option*> all = command->get_options();
    for (size_t k = before; k < all.size(); ++k)
        all[k]->group("Scanner artifacts (applied in this order: object motion, polychromatic beam, detector "
                      "gains, counting noise, water correction, views kept)");
}

}  // namespace lab
