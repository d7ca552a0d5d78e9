// measure_places.h - the places `measure` measures, as the command line
// gives them, read and checked against the picture by the measurement's own
// rule (image_quality.h); the window's probes use the same words.
#pragma once

#include <string>

#include "lab/measure/image_quality.h"

namespace CLI {
class Validator;
}

namespace lab {

// The places `measure` measures, as the command line gives them: in field
// pixels (x right, y up from the centre) or, `inPixels`, in picture pixels
// (row from the top, then column).
enum class PlaceShape {
    Circle,  // X,Y,R: a region (MeasureCircle)
    Square,  // X,Y,SIZE: the noise square (NoisePowerSpectrum)
    Edge,    // X,Y,R: the disc of an edge (EdgeMtf)
    Line,    // X0,Y0,X1,Y1: a profile (LineProfile), in field pixels only
};
struct Place {
    PicturePoint centre;  // or the line's start
    PicturePoint end;     // the line's end
    double size = 0.0;    // the radius, or the square's side
};
// Reads `text` into `place`; "" when it is the shape's numbers and the place
// lies within the picture by the measurement's own rule (image_quality.h),
// else what is wrong.
std::string ReadPlace(const std::string& text, PlaceShape shape, bool inPixels, Place& place);
// A CLI11 check of the same.
CLI::Validator PlaceCheck(PlaceShape shape, bool inPixels);

}  // namespace lab
