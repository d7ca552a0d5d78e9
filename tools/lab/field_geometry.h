// field_geometry.h - where the reconstruction puts each ray, so that a
// sinogram made here comes back upright and unmirrored.
//
// The slice is a field of 256 x 256 pixels. In centred coordinates (x to the
// right, y upward, in pixels) the centre of rotation is the point between the
// four middle pixels, and pixel boundaries lie on whole numbers: the pixel in
// column i (from the left) and row r (from the top) covers x in
// [i - 128, i - 127] and y in [127 - r, 128 - r].
//
// A sinogram file holds 729 detector channels x 180 angles. Angle index a is
// the view angle of a degrees; channel c reads the line integral along the
// ray at signed distance ChannelPosition(c) from the centre, perpendicular to
// the direction (cos theta, sin theta). Channels are half a pixel wide, and
// the reconstruction adds channels 108 + 2j and 109 + 2j into its bin j,
// centred at j - 127.5; channels 0..107 and 620..728 are not read.
#pragma once

#include <cstddef>

#include "recon/recon_data.h"

namespace lab {

// The sizes of the file and of the slice are the program's own.
constexpr int FieldPixels = BinCount;
constexpr int SinoChannels = RawChannels;
constexpr int SinoAngles = AngleCount;
constexpr int FirstReadChannel = 108;
constexpr int LastReadChannel = 619;
// The scanned disc: every view covers it. Outside it, the reconstruction's
// corners are never fully covered, so pictures are cut to it.
constexpr double ScannedRadius = 127.5;
// The view angle of one angle index, in radians, as the reconstruction
// computes it.
constexpr double RadiansPerAngle = 0.017453292519943295;
// Linear attenuation of water, per millimetre (about 60 keV): the scale of
// "relative to water" when line integrals become photon counts.
constexpr double WaterMuPerMm = 0.02;

inline double ChannelPosition(int channel) { return ((channel - 108) - 0.5) / 2.0 - 127.5; }

// Value (channel, angle) of a sinogram in file order: channel-major.
inline size_t SinogramIndex(int channel, int angle) {
    return static_cast<size_t>(channel) * SinoAngles + static_cast<size_t>(angle);
}

// Whether the centre of the pixel in `column` and `row` (from the top) lies
// in the scanned disc.
inline bool InScannedDisc(int column, int row) {
    const double x = column - 127.5, y = 127.5 - row;
    return x * x + y * y <= ScannedRadius * ScannedRadius;
}

}  // namespace lab
