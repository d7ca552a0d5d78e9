// make_sample_data.cpp - writes the sample files of data/:
//
//   phantom.sino      a sinogram of a Shepp-Logan head phantom: 729 detector
//                     channels x 180 angles (0..179 degrees), little-endian
//                     doubles, channel-major (the 180 readings of channel 0,
//                     then of channel 1, ...), 1,049,760 bytes;
//   ramlak.txt        Ramachandran-Lakshminarayanan real-space filter, 128 taps;
//   shepp_logan.txt   Shepp-Logan real-space filter, 128 taps.
//
// Detector geometry, as the rebinning reads it: bin j of the Sinogram is the
// sum of channels 108 + 2j and 109 + 2j, and its centre lies at j - 127.5
// pixels from the centre of rotation. A channel is half a pixel wide, so
// channel c is centred at ((c - 108) - 0.5) / 2 - 127.5 pixels. A reading is
// the line integral of the phantom along the ray through that point,
// perpendicular to the direction (cos theta, sin theta), in pixel units;
// the reconstructed phantom is then centred in the 256 x 256 slice, with x to
// the right and y upward.
//
// The filter taps are scaled (Ram-Lak by 100, Shepp-Logan by 125) so that the
// centre tap is about 25 and the plotted curve fills a good part of its
// frame; a scale changes only the grey-scale normalisation of the slice, not
// the picture.
//
// Usage: make_sample_data [output folder]   (default: data)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const double Pi = 3.14159265358979323846;
const int Channels = 729;
const int Angles = 180;
const int TapCount = 128;

// An ellipse of the phantom, in units of the phantom radius: centre, half
// axes, rotation of the first axis from the x axis (degrees), density.
struct Ellipse {
    double x0, y0, a, b, phi, density;
};

// The Shepp-Logan head with the stronger contrasts of Toft's variant, so
// that the inner structures are visible at the full grey range.
const Ellipse Head[] = {
    {0.0, 0.0, 0.69, 0.92, 0.0, 1.0},         {0.0, -0.0184, 0.6624, 0.874, 0.0, -0.8},
    {0.22, 0.0, 0.11, 0.31, -18.0, -0.2},     {-0.22, 0.0, 0.16, 0.41, 18.0, -0.2},
    {0.0, 0.35, 0.21, 0.25, 0.0, 0.1},        {0.0, 0.1, 0.046, 0.046, 0.0, 0.1},
    {0.0, -0.1, 0.046, 0.046, 0.0, 0.1},      {-0.08, -0.605, 0.046, 0.023, 0.0, 0.1},
    {0.0, -0.606, 0.023, 0.023, 0.0, 0.1},    {0.06, -0.605, 0.023, 0.046, 0.0, 0.1},
};

// Phantom radius in pixels: the head (0.92 of it) stays well inside the
// disc that every view covers.
const double PhantomRadius = 110.0;
// Readings are given in counts per pixel of path through density 1.
const double CountsPerPixel = 10.0;

// Line integral through the phantom along the ray at signed distance d
// (pixels) from the centre, perpendicular to (cos theta, sin theta).
double RayIntegral(double d, double theta) {
    double total = 0.0;
    for (const Ellipse& e : Head) {
        const double a = e.a * PhantomRadius, b = e.b * PhantomRadius;
        const double cx = e.x0 * PhantomRadius, cy = e.y0 * PhantomRadius;
        const double relative = theta - e.phi * Pi / 180.0;
        const double reach2 = a * a * std::cos(relative) * std::cos(relative) +
                              b * b * std::sin(relative) * std::sin(relative);
        const double s = d - (cx * std::cos(theta) + cy * std::sin(theta));
        if (s * s < reach2) total += e.density * 2.0 * a * b * std::sqrt(reach2 - s * s) / reach2;
    }
    return total * CountsPerPixel;
}

bool WriteSinogram(const std::string& path) {
    std::vector<double> values(static_cast<size_t>(Channels) * Angles);
    for (int c = 0; c < Channels; ++c) {
        const double d = ((c - 108) - 0.5) / 2.0 - 127.5;
        for (int a = 0; a < Angles; ++a) values[c * Angles + a] = RayIntegral(d, a * Pi / 180.0);
    }
    // The file holds little-endian doubles; write the bytes in that order
    // whatever this machine's order is.
    std::vector<unsigned char> bytes(values.size() * 8);
    for (size_t k = 0; k < values.size(); ++k) {
        uint64_t bits;
        memcpy(&bits, &values[k], 8);
        for (int i = 0; i < 8; ++i) bytes[k * 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

bool WriteTaps(const std::string& path, double (*tap)(int), double scale) {
    FILE* file = fopen(path.c_str(), "w");
    if (!file) return false;
    for (int n = 0; n < TapCount; ++n) fprintf(file, "%.12g\n", scale * tap(n));
    return fclose(file) == 0;
}

double RamLak(int n) {
    if (n == 0) return 0.25;
    return n % 2 ? -1.0 / (Pi * Pi * n * n) : 0.0;
}

double SheppLogan(int n) { return -2.0 / (Pi * Pi * (4.0 * n * n - 1.0)); }

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "data";
    bool ok = WriteSinogram(folder + "/phantom.sino");
    ok = WriteTaps(folder + "/ramlak.txt", RamLak, 100.0) && ok;
    ok = WriteTaps(folder + "/shepp_logan.txt", SheppLogan, 125.0) && ok;
    if (!ok) {
        fprintf(stderr, "make_sample_data: cannot write the files in %s\n", folder.c_str());
        return 1;
    }
    printf("wrote %s/phantom.sino, %s/ramlak.txt, %s/shepp_logan.txt\n", folder.c_str(), folder.c_str(),
           folder.c_str());
    return 0;
}
