// c_locale.h - the one "C" locale in which the program prints and reads
// numbers (a decimal point, no grouping), whatever locale the process runs in.
#pragma once

#include <locale.h>

// Made on first use and kept for the life of the process.
locale_t CLocale();

// While it lives, this thread formats and converts in the C locale; the
// thread's previous locale comes back at the end of the scope.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};
