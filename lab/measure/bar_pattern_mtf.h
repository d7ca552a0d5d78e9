// bar_pattern_mtf.h - the MTF at a bar pattern's frequency from the spread
// of the pixels over the pattern (Droege and Morin, "A practical method to
// measure the MTF of CT scanners", Med. Phys. 9 (1982) 758-760).
#pragma once

#include "lab/measure/image_quality.h"

namespace lab {

// The pixels whose centres lie in the rectangle from `topLeft` to
// `bottomRight` (picture coordinates), its right and bottom sides left out
// so that a width of n pixels holds n columns wherever it starts; throws
// when it reaches outside the picture or holds fewer than two pixels.
RegionStats MeasureRectangle(const SliceValues& slice, PicturePoint topLeft, PicturePoint bottomRight);

// A square wave of amplitude M0 = |bar - background| / 2 whose harmonics
// the system does not pass (the third lies beyond its cutoff) leaves a sine
// of amplitude (4 / pi) M0 MTF(f), whose standard deviation is that over
// sqrt 2. So MTF(f) = (pi sqrt 2 / 4) M(f) / M0, where M(f)^2 is the
// pattern's variance less that of the noise, N^2 = the mean of the bar
// material's and the background's variances (0 when the noise is larger).
// `pattern` spans whole periods; `barMaterial` and `background` are large
// regions of the two materials.
double DroegeMorinMtf(const RegionStats& pattern, const RegionStats& barMaterial, const RegionStats& background);

// A bar group counts as resolved while its MTF is at least this: the 10 %
// MTF that is quoted as a scanner's limiting resolution.
constexpr double LimitingMtf = 0.10;

}  // namespace lab
