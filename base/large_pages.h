// large_pages.h - advice to the system about how to back a large array.
#pragma once

#include <cstddef>

// Asks the system to back the whole 2 MB pages within [start, start +
// bytes) with large pages when they are first touched (transparent huge
// pages), for arrays written all over at once, where small pages would
// need an address translation for nearly every line written. Safe to call
// before main. Returns 1 when the system took the advice, 0 otherwise (no
// large pages there, or the range holds no whole page); either way the
// memory stays as it was.
int PreferLargePages(void* start, size_t bytes);
