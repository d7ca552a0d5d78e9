// option_table.cpp
#include "lab/core/option_table.h"

namespace lab {

namespace {

void ReplaceAll(std::string& text, const std::string& name, const std::string& value) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
}

}  // namespace

std::string RangeWords(const Bounds& bounds) { return NumberText(bounds.min) + " to " + NumberText(bounds.max); }

std::string HelpText(const OptionRow& row) {
    std::string text = row.help;
    ReplaceAll(text, "{range}", RangeWords(row.bounds));
    ReplaceAll(text, "{min}", NumberText(row.bounds.min));
    ReplaceAll(text, "{max}", NumberText(row.bounds.max));
    ReplaceAll(text, "{default}", NumberText(row.fallback));
    return text;
}

}  // namespace lab
