// previews.h - the pictures the window shows of a scan.
#pragma once

#include <QImage>

#include <vector>

#include "lab/window/widgets/image_view.h"

namespace labwin {

struct ScanResult;

// The sinogram as Sinora draws it: bin j (channels 108 + 2j and 109 + 2j
// added) across, angles down, its smallest value black and its largest
// white.
QImage SinogramPicture(const std::vector<double>& integrals);
Axis SinogramChannelAxis();
Axis SinogramAngleAxis();

// The truth and what its greys mean: attenuation relative to water, or
// Hounsfield units for a DICOM slice.
QImage TruthPicture(const ScanResult& scan);
GreyScale TruthScale(const ScanResult& scan);
// Across or down the field in millimetres (in pixels for a sinogram file,
// whose pixel size is not known).
Axis FieldAxis(const ScanResult& scan, bool down);

}  // namespace labwin
