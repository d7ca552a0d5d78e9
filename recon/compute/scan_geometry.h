// scan_geometry.h - the scanner's layout as the reconstruction reads it: the
// one place for these numbers, used by the reconstruction and by the lab, so
// that the two cannot drift apart.
//
// A sinogram file holds 729 detector channels x 180 angles; angle index a is
// the view angle of a degrees. Channels are half a pixel wide: the
// reconstruction adds channels 108 + 2j and 109 + 2j into its bin j of the
// 256-bin projection, centred at j - 127.5 pixels from the centre of
// rotation, the point between the four middle pixels of the 256 x 256 field.
// Channels 0..107 and 620..728 are not read.
#pragma once

constexpr int RawChannels = 729;
constexpr int AngleCount = 180;
constexpr int BinCount = 256;  // bins of a projection; pixels of the field's side

constexpr int ChannelsPerBin = 2;
constexpr int FirstReadChannel = 108;
constexpr int LastReadChannel = FirstReadChannel + ChannelsPerBin * BinCount - 1;  // 619
static_assert(LastReadChannel < RawChannels, "every read channel lies in the file");

// The centre of rotation in bin and pixel coordinates.
constexpr double RotationCentre = 127.5;
// One degree in radians, the step between angles, as the reconstruction
// computes it.
constexpr double RadiansPerDegree = 0.017453292519943295;

// The file: raw little-endian doubles, channel-major ((c, a) at c x 180 + a).
constexpr int SinogramFileValues = RawChannels * AngleCount;                              // 131,220
constexpr int SinogramFileBytes = SinogramFileValues * static_cast<int>(sizeof(double));  // 1,049,760

// The first of the two channels that make up bin `bin`.
constexpr int FirstChannelOfBin(int bin) { return FirstReadChannel + ChannelsPerBin * bin; }

// The signed distance, in pixels, of the ray that channel `channel` reads
// from the centre of rotation.
constexpr double ChannelPosition(int channel) {
    return ((channel - FirstReadChannel) - 0.5) / ChannelsPerBin - RotationCentre;
}
