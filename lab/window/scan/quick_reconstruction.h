// quick_reconstruction.h - a preview of what Sinora will show: the
// program's own reading and computing steps on a sinogram, filtered with the
// Ram-Lak kernel.
#pragma once

#include <QImage>

#include <vector>

namespace labwin {

// The full-range sum image as Sinora draws it: 256 x 256 grey, the largest
// value white, zero and below black, row 0 at the top. The program's steps
// run in a ReconstructionSession: calls from several threads take turns.
QImage QuickReconstruction(const std::vector<double>& integrals);

}  // namespace labwin
