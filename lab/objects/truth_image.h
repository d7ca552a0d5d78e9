// truth_image.h - the 256 x 256 image that was projected, as a picture to
// compare reconstructions with.
#pragma once

class QImage;

namespace lab {

struct FieldImage;

// 16-bit grey, linear in attenuation: 0 is air, the field's largest value
// white (like the program's sum image, whose maximum is 255).
QImage TruthImage(const FieldImage& field);

}  // namespace lab
