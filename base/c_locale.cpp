// c_locale.cpp - the one C locale.
#include "base/c_locale.h"

locale_t CLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return classic;
}
