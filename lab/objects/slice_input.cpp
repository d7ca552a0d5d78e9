// slice_input.cpp - DICOM is recognised by its preamble; anything else goes
// to Qt's image readers first, then to GDCM for DICOM files written without
// a preamble.
#include "lab/objects/slice_input.h"

#include <QImage>

#include <algorithm>
#include <cstdio>

#include "base/c_locale.h"
#include "lab/dicom/dicom_slice.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/files/picture_file.h"

namespace lab {

namespace {

LoadedSlice FromDicom(const std::string& path, int frame, const StopAsked& stop) {
    DicomSlice dicom = ReadDicomSlice(path, frame, stop);
    LoadedSlice slice;
    slice.isDicom = true;
    slice.frames = dicom.frames;
    slice.mu = dicom.hu;
    for (double& v : slice.mu.values) v = RelativeMuFromHu(v);
    const CLocaleScope numbersInC;  // as the command line prints it
    char text[200];
    snprintf(text, sizeof text, "%d x %d DICOM slice (frame %d of %d), %.3g x %.3g mm pixels", dicom.hu.width,
             dicom.hu.height, frame, dicom.frames, dicom.hu.spacingX, dicom.hu.spacingY);
    slice.description = text;
    // Read all the same, so that any slice can be shown; but said.
    if (dicom.modality != "CT")
        slice.description += ", " + (dicom.modality.empty() ? std::string("an image without modality") : dicom.modality + " image") +
                             ", not CT: values taken as Hounsfield units";
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

LoadedSlice LoadSlice(const std::string& path, int frame, const StopAsked& stop) {
    RequireInputFile(path);
    if (HasDicomPreamble(path)) return FromDicom(path, frame, stop);

    // Qt's readers claim some DICOM files without a preamble (the TIFF
    // reader takes one whose preamble's mark is damaged): what a reader
    // fails on is tried as DICOM before its failure is reported.
    std::string notRead = path + ": neither a picture (PNG, JPEG, BMP, TIFF, PGM/PPM) nor a DICOM file";
    try {
        QImage picture;
        std::string format;
        if (ReadPicture(path, picture, format)) {
            if (frame != 1) throw LabError(path + ": --frame applies to DICOM files only");
            return FromPicture(picture, format);
        }
    } catch (const LabError& error) {
        notRead = error.what();
    }
    try {
        return FromDicom(path, frame, stop);
    } catch (const NotDicomError&) {
        throw LabError(notRead);
    }
}

double FieldWidth(const LoadedSlice& slice, double fov) {
    if (fov > 0.0) return fov;
    return std::max(slice.mu.width * slice.mu.spacingX, slice.mu.height * slice.mu.spacingY);
}

FieldImage FieldFromSlice(const LoadedSlice& slice, double fov) {
    FieldImage field = FitIntoField(slice.mu, FieldWidth(slice, fov));
    if (!slice.isDicom) field.pixelMm = 1.0;
    return field;
}

}  // namespace lab
