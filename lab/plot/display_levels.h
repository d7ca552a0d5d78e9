// display_levels.h - the grey levels the program draws for its slice: the
// full-range display scales the image so that its largest value is 255, the
// windowed display then maps centre - width / 2 .. centre + width / 2 of
// those scaled levels to 0..255; both truncate toward zero and clamp to
// 0..255 (negative levels are black).
#pragma once

#include <vector>

namespace lab {

// values x 255 / (largest value): the program's scaled slice.
std::vector<double> ScaledLevels(const std::vector<double>& values);

// Grey levels of scaled levels, full range.
std::vector<int> FullRangeGreys(const std::vector<double>& scaled);
// Grey levels of scaled levels under the window (centre, width), with the
// program's integer half width.
std::vector<int> WindowedGreys(const std::vector<double>& scaled, int centre, int width);

// Grey levels of a slice in HU under a window in HU, as a CT viewer shows
// it: centre - width / 2 black, centre + width / 2 white, linear between.
std::vector<int> HuWindowGreys(const std::vector<double>& hu, double centre, double width);

}  // namespace lab
