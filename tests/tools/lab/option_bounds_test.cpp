// The ranges of the numeric options: what each accepts and refuses, the
// values that once spun forever or wrote garbage among them.
#include <CLI/CLI.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tools/lab/option_bounds.h"

namespace {

TEST(OptionBounds, EachOptionAcceptsItsRangeAndRefusesTheRest) {
    CLI::Validator photons = lab::Within(lab::PhotonsPerRay), field = lab::Within(lab::FieldWidthRange),
                   scale = lab::Within(lab::TapScale), cutoff = lab::Within(lab::CutoffFraction),
                   seed = lab::WholeNumber(0, UINT64_MAX, "a 64-bit seed"),
                   frame = lab::WholeNumber(1, 2147483647, "a frame number");
    const struct {
        CLI::Validator* check;
        std::string text;
        bool accepted;
    } cases[] = {
        {&photons, "1", true},       {&photons, "1e15", true},   {&photons, "1e19", false},
        {&photons, "1e300", false},  {&photons, "inf", false},   {&photons, "nan", false},
        {&photons, "1e-300", false}, {&photons, "0.5", false},   {&photons, "10x", false},
        {&field, "724", true},       {&field, "inf", false},     {&field, "1e300", false},
        {&field, "0", false},        {&scale, "100", true},      {&scale, "inf", false},
        {&scale, "-1", false},       {&cutoff, "1", true},       {&cutoff, "0.5", true},
        {&cutoff, "1e-300", false},  {&cutoff, "1.01", false},   {&cutoff, "", false},
        {&seed, "0", true},          {&seed, "18446744073709551615", true},
        {&seed, "18446744073709551616", false},                  {&seed, "-1", false},
        {&seed, "1e3", false},       {&frame, "2", true},        {&frame, "0", false},
        {&frame, "99999999999", false},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        const std::string failure = (*c.check)(text);
        EXPECT_EQ(failure.empty(), c.accepted) << "'" << c.text << "': " << failure;
    }
    std::string tooMany = "1e19";
    EXPECT_EQ(photons(tooMany), "'1e19' is not a number from 1 to 1e+15 (photons per ray)");
}

}  // namespace
