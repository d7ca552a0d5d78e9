// measured_image.cpp
#include "lab/measure/measured_image.h"

#include <QImage>

#include "graphic/canvas_layout.h"
#include "lab/measure/canvas_compare.h"
#include "lab/dicom/dicom_slice.h"
#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/files/picture_file.h"
#include "lab/files/slice_files.h"

namespace lab {

MeasuredImage ReadMeasuredImage(const std::string& path) {
    MeasuredImage image;
    if (HasExtension(path, ".npy")) {
        image.values = ReadNpy(path);
        image.units = "the file's units";
        return image;
    }
    if (HasDicomPreamble(path)) {
        const DicomSlice dicom = ReadDicomSlice(path, 1);
        if (dicom.hu.width != FieldPixels || dicom.hu.height != FieldPixels)
            throw LabError(path + ": " + std::to_string(dicom.hu.width) + " x " + std::to_string(dicom.hu.height) +
                           " pixels; the slice is 256 x 256");
        image.values = dicom.hu.values;
        image.units = HuUnits;
        if (dicom.hu.spacingX == dicom.hu.spacingY) image.pixelMm = dicom.hu.spacingX;
        return image;
    }
    // Read once: the file that was measured is the file that was read.
    const QImage picture = ReadPictureFile(path);
    const QSize size = picture.size();
    if (size != QSize(CanvasWidth, CanvasHeight) && size != QSize(FieldPixels, FieldPixels))
        throw LabError(path + ": " + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
                       " pixels; a slice is 256 x 256 (or a saved canvas, 1200 x 800)");
    if (size == QSize(CanvasWidth, CanvasHeight)) image.values = SliceFromCanvas(picture, path);
    else image.values = TruthFromPicture(picture, path);
    image.units = "grey levels";
    return image;
}

}  // namespace lab
