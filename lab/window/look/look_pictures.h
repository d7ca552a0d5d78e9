// look_pictures.h - the Look view's pictures of the reconstruction's steps:
// the slice under its window, signed images in grey or a diverging map, the
// sinogram with the chosen angle marked, and the curves.
#pragma once

#include <QImage>

#include <vector>

#include "lab/measure/image_quality.h"

namespace labwin {

struct LookSteps;

enum class SignedMap { Grey, Diverging };

// The program's windowed grey levels of the values (centre and width in
// the values' units).
QImage WindowedPicture(const lab::SliceValues& values, int centre, int width);
// Zero mid-grey or white; the largest magnitude black/white or full blue/red.
QImage SignedPicture(const lab::SliceValues& values, SignedMap map);
// Bins across, angles down, the angle `a` marked in red.
QImage MarkedSinogram(const LookSteps& steps, int a);
// The taps and the response they give; the raw and filtered projection.
QImage FilterCurves(const LookSteps& steps);
QImage ProjectionCurves(const LookSteps& steps, int a);
QImage ProfileCurve(const lab::Profile& profile, const QString& units);

}  // namespace labwin
