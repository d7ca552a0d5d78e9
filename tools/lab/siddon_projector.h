// siddon_projector.h - exact line integrals through the pixels of the field
// (Siddon's method): the length of the ray inside each pixel it crosses,
// times that pixel's value.
#pragma once

#include <vector>

#include "tools/lab/field_image.h"

namespace lab {

// The integral along the ray at signed distance `d` (pixels) from the centre
// of rotation, perpendicular to (cosA, sinA); in pixel lengths times value.
double SiddonRayIntegral(const FieldImage& field, double d, double cosA, double sinA);

// The integrals of every channel at every angle, in file order (729 x 180,
// channel-major), in pixel lengths times value.
std::vector<double> ProjectField(const FieldImage& field);

}  // namespace lab
