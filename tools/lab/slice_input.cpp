// slice_input.cpp - DICOM is recognised by its preamble; anything else goes
// to Qt's image reader first, then to GDCM for DICOM files written without
// a preamble.
#include "tools/lab/slice_input.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdio>

#include "tools/lab/dicom_slice.h"
#include "tools/lab/lab_error.h"

namespace lab {

namespace {

LoadedSlice FromDicom(const std::string& path, int frame) {
    DicomSlice dicom = ReadDicomSlice(path, frame);
    LoadedSlice slice;
    slice.isDicom = true;
    slice.frames = dicom.frames;
    slice.mu = dicom.hu;
    for (double& v : slice.mu.values) v = RelativeMuFromHu(v);
    char text[160];
    snprintf(text, sizeof text, "%d x %d DICOM slice (frame %d of %d), %.3g x %.3g mm pixels", dicom.hu.width,
             dicom.hu.height, frame, dicom.frames, dicom.hu.spacingX, dicom.hu.spacingY);
    slice.description = text;
    return slice;
}

LoadedSlice FromPicture(const QImage& picture, const std::string& format) {
    // 16-bit grey keeps the depth of 16-bit pictures; colour becomes its
    // luminance.
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale16);
    LoadedSlice slice;
    slice.mu.width = grey.width();
    slice.mu.height = grey.height();
    slice.mu.values.resize(static_cast<size_t>(grey.width()) * grey.height());
    for (int y = 0; y < grey.height(); ++y) {
        const auto* line = reinterpret_cast<const quint16*>(grey.constScanLine(y));
        for (int x = 0; x < grey.width(); ++x) slice.mu.values[static_cast<size_t>(y) * grey.width() + x] = line[x] / 65535.0;
    }
    slice.description = std::to_string(grey.width()) + " x " + std::to_string(grey.height()) + " " + format + " picture";
    return slice;
}

}  // namespace

LoadedSlice LoadSlice(const std::string& path, int frame) {
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) throw LabError("cannot open " + path + ": no such file");
    if (!info.isFile() || !info.isReadable()) throw LabError("cannot open " + path + ": not a readable file");
    if (HasDicomPreamble(path)) return FromDicom(path, frame);

    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    if (reader.canRead()) {
        const std::string format = reader.format().toUpper().toStdString();
        const QImage picture = reader.read();
        if (picture.isNull())
            throw LabError(path + ": a damaged " + format + " picture (" + reader.errorString().toStdString() + ")");
        if (frame != 1) throw LabError(path + ": --frame applies to DICOM files only");
        return FromPicture(picture, format);
    }
    try {
        return FromDicom(path, frame);
    } catch (const LabError& error) {
        // Say more than "not a DICOM file" only for what GDCM did take as one.
        if (std::string(error.what()) != path + ": not a DICOM file") throw;
        throw LabError(path + ": neither a picture (PNG, JPEG, BMP, TIFF, PGM/PPM) nor a DICOM file");
    }
}

double LargerSide(const LoadedSlice& slice) {
    return std::max(slice.mu.width * slice.mu.spacingX, slice.mu.height * slice.mu.spacingY);
}

FieldImage FieldFromSlice(const LoadedSlice& slice, double fov) {
    const double width = fov > 0.0 ? fov : LargerSide(slice);
    FieldImage field = FitIntoField(slice.mu, width);
    if (!slice.isDicom) field.pixelMm = 1.0;
    return field;
}

}  // namespace lab
