// field_geometry.h - where the reconstruction puts each ray, so that a
// sinogram made here comes back upright and unmirrored.
//
// The slice is a field of 256 x 256 pixels. In centred coordinates (x to the
// right, y upward, in pixels) the centre of rotation is the point between the
// four middle pixels, and pixel boundaries lie on whole numbers: the pixel in
// column i (from the left) and row r (from the top) covers x in
// [i - 128, i - 127] and y in [127 - r, 128 - r].
//
// The file's layout (channels, angles, which channels make up which bin) is
// the program's own: recon/compute/scan_geometry.h.
#pragma once

#include <cstddef>

#include "recon/compute/scan_geometry.h"

namespace lab {

// The program's sizes and layout under the names the lab uses.
constexpr int FieldPixels = BinCount;
constexpr int SinoChannels = RawChannels;
constexpr int SinoAngles = AngleCount;
using ::FirstReadChannel;
using ::LastReadChannel;
using ::ChannelPosition;
// The scanned disc: every view covers it, out to the centre of the
// outermost bin. Outside it, the reconstruction's corners are never fully
// covered, so pictures are cut to it.
constexpr double ScannedRadius = (BinCount - 1) - RotationCentre;
// The view angle of one angle index, in radians, as the reconstruction
// computes it.
constexpr double RadiansPerAngle = RadiansPerDegree;
// Linear attenuation of water, per millimetre (about 60 keV): the scale of
// "relative to water" when line integrals become photon counts.
constexpr double WaterMuPerMm = 0.02;
// Hounsfield units of an attenuation per millimetre.
inline double HuOfMu(double muPerMm) { return 1000.0 * (muPerMm - WaterMuPerMm) / WaterMuPerMm; }

// Value (channel, angle) of a sinogram in file order: channel-major.
inline size_t SinogramIndex(int channel, int angle) {
    return static_cast<size_t>(channel) * SinoAngles + static_cast<size_t>(angle);
}

// Whether the centre of the pixel in `column` and `row` (from the top) lies
// in the scanned disc.
inline bool InScannedDisc(int column, int row) {
    const double x = column - RotationCentre, y = RotationCentre - row;
    return x * x + y * y <= ScannedRadius * ScannedRadius;
}

}  // namespace lab
