// The option table: each row's numbers lie within its bounds and its help
// says them; an option made from a row takes the ends of its bounds, as
// its kind of number, and refuses what lies beyond.
#include <CLI/CLI.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/c_locale.h"
#include "lab/core/option_table.h"
#include "lab/core/option_table_cli.h"

namespace {

TEST(OptionTable, EveryRowFitsItsBoundsAndItsHelpSaysThem) {
    for (const lab::OptionRow* row : lab::OptionTable) {
        SCOPED_TRACE(row->name);
        // 0: not given, as the command says what it does then.
        EXPECT_TRUE(row->fallback == 0.0 || lab::Contains(row->bounds, row->fallback));
        EXPECT_EQ(lab::HelpText(*row).find('{'), std::string::npos) << lab::HelpText(*row);
        if (row->control.min == row->control.max) continue;
        // The window offers nothing the command line refuses.
        EXPECT_TRUE(lab::Contains(row->bounds, row->control.min));
        EXPECT_TRUE(lab::Contains(row->bounds, row->control.max));
        const double start = lab::ControlStart(*row);
        EXPECT_TRUE(start >= row->control.min && start <= row->control.max) << start;
    }
    EXPECT_EQ(lab::HelpText(lab::FiltrationOption), "aluminium filter of the beam in mm (0 to 50; default 2.5)");
    EXPECT_EQ(lab::HelpText(lab::SubsetsOption), "subsets of views updated together, 1..180");
}

// The option made from `row` parses `text` into `value`; "" or CLI11's message.
template <typename Number>
std::string Parse(const lab::OptionRow& row, const std::string& text, Number& value) {
    CLI::App app;
    lab::AddTableOption(&app, row, value);
    try {
        const CLocaleScope numbersInC;
        app.parse(std::string(row.name) + " " + text, false);
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    return "";
}

TEST(OptionTable, OptionsTakeTheEndsOfTheirBounds) {
    double kvp = 0.0;
    EXPECT_EQ(Parse(lab::KvpOption, "150", kvp), "");
    EXPECT_EQ(kvp, 150.0);
    EXPECT_EQ(Parse(lab::KvpOption, "150.001", kvp), "--kvp: '150.001' is not a number from 40 to 150 (kV)");
    int iterations = 0;
    EXPECT_EQ(Parse(lab::IterationsOption, "100000", iterations), "");
    EXPECT_EQ(iterations, 100000);
    EXPECT_EQ(Parse(lab::IterationsOption, "1.5", iterations),
              "--iterations: '1.5' is not a whole number from 1 to 100000 (iterations)");
    // The seed's top is no double.
    uint64_t seed = 0;
    EXPECT_EQ(Parse(lab::SeedOption, "18446744073709551615", seed), "");
    EXPECT_EQ(seed, UINT64_MAX);
    EXPECT_NE(Parse(lab::SeedOption, "18446744073709551616", seed), "");
}

}  // namespace
