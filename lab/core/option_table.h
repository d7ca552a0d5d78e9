// option_table.h - every option of the lab that takes one number, or two
// within the same bounds, in one table: its long name, bounds, the value
// taken when it is not given, unit and help on the command line, and, where
// the window offers it, its control's range, first value and tooltip.
// Options of mixed numbers (--gain, --metal, --window) are checked by
// option_bounds.h's problems, shared by the command line and the window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lab/core/option_bounds.h"

namespace lab {

// The window's control of an option: the part of the bounds a lesson needs
// (min == max: no control), the value it starts at (unset: the option's
// fallback) and its tooltip (nullptr: said by the window, per number).
struct ControlRow {
    double min = 0.0;
    double max = 0.0;
    std::optional<double> start;
    const char* tip = nullptr;
};

struct OptionRow {
    const char* name;      // "--kvp"
    const char* typeName;  // the value's name in the help, "KV"; "": CLI11's own
    Bounds bounds;
    double fallback;  // the value when the option is not given
    const char* unit;  // written after a value in the window, "kV"; "": none
    // One line; "{range}" stands for "40 to 150", "{min}" and "{max}" for
    // the ends, "{default}" for the fallback.
    const char* help;
    ControlRow control;
};

inline constexpr OptionRow NoiseOption{
    "--noise", "", PhotonsPerRay, 0.0, "photons per ray",
    "Poisson counting noise: I0 photons incident on each ray",
    {1e2, 1e7, 1e4, "Photons per ray, from 100 to 10 million on a logarithmic scale"}};
inline constexpr OptionRow SeedOption{
    "--seed", "", SeedRange, 0.0, "", "seed of the noise, for a repeatable file",
    {0.0, INT_MAX, 1.0, "Start of the random numbers: the same seed gives the same noise"}};
inline constexpr OptionRow FovOption{
    "--fov", "", FieldWidthRange, 0.0, "",
    "width of the 256-pixel field: millimetres for DICOM, picture pixels for a picture (default: the larger side)",
    {}};
inline constexpr OptionRow FrameOption{
    "--frame", "", FrameNumber, 1.0, "", "frame of a multi-frame DICOM file, from {min}", {}};
inline constexpr OptionRow ScaleOption{
    "--scale", "", TapScale, 100.0, "", "factor on every tap (default {default})", {}};
inline constexpr OptionRow CutoffOption{
    "--cutoff", "", CutoffFraction, 1.0, "", "cutoff as a fraction of the Nyquist frequency (default {default})", {}};
inline constexpr OptionRow IterationsOption{
    "--iterations", "", IterationCount, 10.0, "iterations", "sweeps over all views (default {default})",
    {1.0, 200.0, std::nullopt, nullptr}};
inline constexpr OptionRow SubsetsOption{
    "--subsets", "", ViewSubsets, 0.0, "", "subsets of views updated together, {min}..{max}", {}};
inline constexpr OptionRow RelaxationOption{
    "--relaxation", "", RelaxationStep, 0.0, "", "step of each update (default: SART 0.25, OS-SART 0.5, SIRT 1)",
    {}};
// `measure` takes the pixel from the file when it says; `reconstruct` from
// the teaching set.
inline constexpr OptionRow MeasurePixelOption{
    "--pixel-mm", "", PixelWidthMm, 0.0, "mm", "pixel width in mm, for frequencies per mm (DICOM says it)", {}};
inline constexpr OptionRow ReconstructPixelOption{
    "--pixel-mm", "", PixelWidthMm, 1.0, "mm",
    "the field pixel the sinogram was made with, mm (default {default}, the teaching set's)", {}};

// The scanner's imperfections; each has its fallback when the scan is ideal
// (0 views or arc: all of them). The window offers the motions a lesson
// shows, and filters up to 20 mm.
inline constexpr OptionRow ArcOption{
    "--arc", "DEG", ArcDegrees, 0.0, "degrees", "limited angle: only views 0..DEG-1 measured ({min}..{max})",
    {ArcDegrees.min, ArcDegrees.max, ArcDegrees.max,
     "Limited angle: only the views of this arc from 0 degrees are measured"}};
inline constexpr OptionRow GainSpreadOption{
    "--gain-spread", "SIGMA", GainSpread, 0.0, "",
    "every channel's gain drawn from a normal distribution of mean 1 and this standard deviation ({range}; gains "
    "drawn below 0.01 taken as 0.01), from --seed",
    {0.0, 0.5, std::nullopt, "Detector channels of unequal gain (this standard deviation about 1): rings"}};
inline constexpr OptionRow MotionOption{
    "--motion", "DX,DY", MotionShift, 0.0, "px",
    "the object moves steadily by this many field pixels (x right, y up; each {range}) from view 0 to view 179",
    {-64.0, 64.0, std::nullopt, nullptr}};
inline constexpr OptionRow MotionTurnOption{
    "--motion-rotate", "DEG", MotionTurn, 0.0, "degrees",
    "the object turns steadily about the field centre by DEG degrees (counter-clockwise; {range}) from view 0 to "
    "view 179",
    {-45.0, 45.0, std::nullopt, "The patient turns this far about the centre between the first and the last view"}};
// 0 kV: the ideal monochromatic beam (Polychromatic() in scan_artifacts.h).
inline constexpr OptionRow KvpOption{
    "--kvp", "KV", TubeVoltage, 0.0, "kV",
    "polychromatic beam: a tungsten tube at KV ({range}) and an energy-integrating detector",
    {TubeVoltage.min, TubeVoltage.max, 120.0,
     "The tube's peak voltage: lower, softer photons and more beam hardening"}};
inline constexpr OptionRow FiltrationOption{
    "--filtration", "MM", AluminiumMm, 2.5, "mm Al", "aluminium filter of the beam in mm ({range}; default {default})",
    {0.0, 20.0, std::nullopt, "Aluminium filtering the beam: more, a harder beam and less hardening in the patient"}};

// Every row, for checks over the whole table.
inline constexpr const OptionRow* OptionTable[] = {
    &NoiseOption,     &SeedOption,       &FovOption,     &FrameOption,     &ScaleOption,
    &CutoffOption,    &IterationsOption, &SubsetsOption, &RelaxationOption, &MeasurePixelOption,
    &ReconstructPixelOption, &ArcOption, &GainSpreadOption, &MotionOption, &MotionTurnOption,
    &KvpOption,       &FiltrationOption};

// The row's help with its numbers written in ("%g", the C locale).
std::string HelpText(const OptionRow& row);
// "0 to 50", as the help says a range.
std::string RangeWords(const Bounds& bounds);
// The value the window's control starts at.
constexpr double ControlStart(const OptionRow& row) { return row.control.start.value_or(row.fallback); }

}  // namespace lab
