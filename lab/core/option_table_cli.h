// option_table_cli.h - a command-line option made from its row of the
// option table: its name, help and check, so that what it accepts and what
// its help says come from the same bounds.
#pragma once

#include <cstdint>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace lab {

struct OptionRow;

// A number within the row's bounds (Within); whole numbers of digits
// (WholeNumber) for the integer kinds.
CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, double& value);
CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, int& value);
CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, uint64_t& value);

}  // namespace lab
