// option_table_cli.cpp
#include "lab/core/option_table_cli.h"

#include <CLI/CLI.hpp>

#include "lab/core/option_table.h"

namespace lab {

namespace {

// CLI11 names the value by its type (FLOAT, INT, UINT) unless the row does.
template <typename Number>
CLI::Option* AddChecked(CLI::App* command, const OptionRow& row, Number& value, const CLI::Validator& check) {
    CLI::Option* option = command->add_option(row.name, value, HelpText(row))->check(check);
    if (*row.typeName != '\0') option->type_name(row.typeName);
    return option;
}

}  // namespace

CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, double& value) {
    return AddChecked(command, row, value, Within(row.bounds));
}

CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, int& value) {
    return AddChecked(command, row, value, WholeNumber(row.bounds));
}

CLI::Option* AddTableOption(CLI::App* command, const OptionRow& row, uint64_t& value) {
    return AddChecked(command, row, value, WholeNumber(row.bounds));
}

}  // namespace lab
