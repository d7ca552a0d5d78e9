// truth_image.cpp
#include "lab/objects/truth_image.h"

#include <QImage>

#include <algorithm>
#include <cmath>

#include "lab/core/field_image.h"

namespace lab {

QImage TruthImage(const FieldImage& field) {
    const double top = *std::max_element(field.values.begin(), field.values.end());
    QImage image(FieldPixels, FieldPixels, QImage::Format_Grayscale16);
    for (int r = 0; r < FieldPixels; ++r) {
        auto* line = reinterpret_cast<quint16*>(image.scanLine(r));
        for (int x = 0; x < FieldPixels; ++x) {
            const double v = top > 0.0 ? std::max(0.0, field.at(x, r)) / top : 0.0;
            line[x] = static_cast<quint16>(std::lround(v * 65535.0));
        }
    }
    return image;
}

}  // namespace lab
