// artifact_options_cli.cpp - values made of several numbers
// ("CHANNEL:FACTOR", "DX,DY", "X,Y,R[,MATERIAL]") are split and checked in
// the options' callbacks, so that CLI11 reports them as usage errors.
#include "lab/cli/artifact_options_cli.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <optional>
#include <sstream>

#include "lab/core/lab_error.h"
#include "lab/core/option_bounds.h"
#include "lab/core/option_table.h"
#include "lab/core/option_table_cli.h"
#include "lab/scan/scan_artifacts.h"
#include "lab/scan/scan_bounds.h"

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
    const std::optional<double> number = FiniteNumber(text);
    if (!number) throw CLI::ValidationError(option, "'" + value + "': '" + text + "' is not a number");
    return *number;
}

// A number within `bounds`, for the parts of a value made of several.
double NumberWithin(const std::string& text, const Bounds& bounds, const std::string& option,
                    const std::string& value) {
    const double number = Number(text, option, value);
    if (!Contains(bounds, number))
        throw CLI::ValidationError(option, "'" + value + "': '" + text + "' is not " + RangeText(bounds));
    return number;
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

// One more gain, after those already given: factors on one channel
// multiply, and their product too must be a gain.
ChannelGain ParseGain(const std::string& value, const std::vector<ChannelGain>& before) {
    const std::vector<std::string> parts = Split(value, ':');
    if (parts.size() != 2) throw CLI::ValidationError("--gain", "'" + value + "' is not CHANNEL:FACTOR");
    const double channel = Number(parts[0], "--gain", value);
    const double factor = Number(parts[1], "--gain", value);
    std::string problem = GainProblem(channel, factor);
    const ChannelGain gain{static_cast<int>(channel), factor};
    if (problem.empty()) {
        std::vector<ChannelGain> all = before;
        all.push_back(gain);
        problem = GainsProblem(all);
    }
    if (!problem.empty()) throw CLI::ValidationError("--gain", "'" + value + "': " + problem);
    return gain;
}

MetalDisc ParseMetal(const std::string& value) {
    const std::vector<std::string> parts = Split(value, ',');
    if (parts.size() != 3 && parts.size() != 4)
        throw CLI::ValidationError("--metal", "'" + value + "' is not X,Y,R or X,Y,R,MATERIAL");
    MetalDisc disc;
    disc.x = Number(parts[0], "--metal", value);
    disc.y = Number(parts[1], "--metal", value);
    disc.radius = Number(parts[2], "--metal", value);
    std::string problem = MetalCentreProblem(disc.x, disc.y);
    if (problem.empty()) problem = MetalRadiusProblem(disc.radius);
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
            ArcOption.name,
            [&options](const std::string& value) {
                const int degrees = WholeNumber(value);
                if (!Contains(ArcOption.bounds, degrees))
                    throw CLI::ValidationError(ArcOption.name, "'" + value + "' is not a whole number from " +
                                                                   RangeWords(ArcOption.bounds));
                options.arcDegrees = degrees;
            },
            HelpText(ArcOption))
        ->type_name(ArcOption.typeName);
    command
        ->add_option_function<std::vector<std::string>>(
            "--gain",
            [&options](const std::vector<std::string>& values) {
                for (const std::string& v : values) options.gains.push_back(ParseGain(v, options.gains));
            },
            "the channel's intensity times FACTOR (" + RangeWords(GainFactor) +
                ") in every view, so its line integral becomes p - ln FACTOR; factors on one channel multiply; "
                "channels 0.." +
                std::to_string(SinoChannels - 1) + ", of which Sinora reads " + std::to_string(FirstReadChannel) +
                ".." + std::to_string(LastReadChannel) + " (repeatable)")
        ->allow_extra_args(false)
        ->type_name("CHANNEL:FACTOR");
    AddTableOption(command, GainSpreadOption, options.gainSpread);
    command
        ->add_option_function<std::string>(
            MotionOption.name,
            [&options](const std::string& value) {
                const std::vector<std::string> parts = Split(value, ',');
                if (parts.size() != 2) throw CLI::ValidationError(MotionOption.name, "'" + value + "' is not DX,DY");
                options.motionX = NumberWithin(parts[0], MotionOption.bounds, MotionOption.name, value);
                options.motionY = NumberWithin(parts[1], MotionOption.bounds, MotionOption.name, value);
            },
            HelpText(MotionOption))
        ->type_name(MotionOption.typeName);
    AddTableOption(command, MotionTurnOption, options.motionDegrees);
    CLI::Option* kvp = AddTableOption(command, KvpOption, options.kvp);
    AddTableOption(command, FiltrationOption, options.filtrationMm)->needs(kvp);
    command->add_flag("--water-correction", options.waterCorrection,
                      "the scanner's first-order beam-hardening correction: every path taken as water")
        ->needs(kvp);
    command
        ->add_option_function<std::vector<std::string>>(
            "--metal",
            [&options](const std::vector<std::string>& values) {
                for (const std::string& v : values) options.metals.push_back(ParseMetal(v));
            },
            "a metal disc of radius R field pixels (above 0, at most " + NumberText(MaxMetalRadius) +
                ") centred X, Y pixels from the field centre (x right, y up; each " + RangeWords(MetalCentre) +
                "), titanium (default), iron or gold, replacing the object (repeatable)")
        ->allow_extra_args(false)
        ->type_name("X,Y,R[,MATERIAL]");
    // Their own heading in the help, naming the order of the physics.
    const std::vector<CLI::Option*> all = command->get_options();
    for (size_t k = before; k < all.size(); ++k)
        all[k]->group("Scanner artifacts (applied in this order: object motion, polychromatic beam, detector "
                      "gains, counting noise, water correction, views kept)");
}

}  // namespace lab
