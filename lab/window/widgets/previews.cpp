// previews.cpp
#include "lab/window/widgets/previews.h"

#include <algorithm>
#include <cmath>

#include "lab/core/field_geometry.h"
#include "lab/objects/truth_image.h"
#include "lab/window/scan/scan_pipeline.h"

namespace labwin {

QImage SinogramPicture(const std::vector<double>& integrals) {
    using lab::SinogramIndex;
    const auto bin = [&](int j, int a) {
        return integrals[SinogramIndex(lab::FirstReadChannel + 1 + 2 * j, a)] +
               integrals[SinogramIndex(lab::FirstReadChannel + 2 * j, a)];
    };
    // The range starts from the file's first value, as in the program.
    double lo = integrals[0], hi = integrals[0];
    for (int a = 0; a < lab::SinoAngles; ++a) {
        for (int j = 0; j < lab::FieldPixels; ++j) {
            lo = std::min(lo, bin(j, a));
            hi = std::max(hi, bin(j, a));
        }
    }
    QImage picture(lab::FieldPixels, lab::SinoAngles, QImage::Format_Grayscale8);
    for (int a = 0; a < lab::SinoAngles; ++a) {
        uchar* row = picture.scanLine(a);
        for (int j = 0; j < lab::FieldPixels; ++j) {
            const double g = hi > lo ? (bin(j, a) - lo) * 255.0 / (hi - lo) : 0.0;
            row[j] = static_cast<uchar>(std::clamp(g, 0.0, 255.0));
        }
    }
    return picture;
}

Axis SinogramChannelAxis() {
    return {"detector channel", double(lab::FirstReadChannel), double(lab::LastReadChannel + 1)};
}
Axis SinogramAngleAxis() { return {"angle (degrees)", 0.0, double(lab::SinoAngles)}; }

QImage TruthPicture(const ScanResult& scan) { return lab::TruthImage(scan.truth); }

GreyScale TruthScale(const ScanResult& scan) {
    const double top = *std::max_element(scan.truth.values.begin(), scan.truth.values.end());
    if (scan.isDicom) return {"HU", -1000.0, (top - 1.0) * 1000.0};
    return {"x water", 0.0, top};
}

Axis FieldAxis(const ScanResult& scan, bool down) {
    const double half = 0.5 * lab::FieldPixels * (scan.hasTruth ? scan.truth.pixelMm : 1.0);
    const QString unit = scan.hasTruth ? "mm" : "pixels";
    return down ? Axis{unit, half, -half} : Axis{unit, -half, half};
}

}  // namespace labwin
