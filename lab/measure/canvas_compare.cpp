// canvas_compare.cpp - the canvas is read with Qt's BMP reader; the slice's
// place and its 2 x 2 blocks are those the program draws.
#include "lab/measure/canvas_compare.h"

#include <QImage>

#include <algorithm>
#include <cmath>

#include "graphic/canvas_layout.h"
#include "lab/core/field_geometry.h"
#include "lab/core/lab_error.h"
#include "lab/files/picture_file.h"

namespace lab {

namespace {

void RequireSize(const QImage& image, int width, int height, const std::string& path, const char* what) {
    if (image.width() == width && image.height() == height) return;
    throw LabError(path + ": " + std::to_string(image.width()) + " x " + std::to_string(image.height()) +
                   " pixels; " + what + " is " + std::to_string(width) + " x " + std::to_string(height));
}

// Whether a picture has more than 8 bits a sample, as Qt decoded it from
// its file: 16-bit grey or colour, 10-bit colour, floating point.
bool SixteenBits(const QImage& image) {
    switch (image.format()) {
        case QImage::Format_Grayscale16:
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_BGR30:
        case QImage::Format_A2BGR30_Premultiplied:
        case QImage::Format_RGB30:
        case QImage::Format_A2RGB30_Premultiplied:
        case QImage::Format_RGBX16FPx4:
        case QImage::Format_RGBA16FPx4:
        case QImage::Format_RGBA16FPx4_Premultiplied:
        case QImage::Format_RGBX32FPx4:
        case QImage::Format_RGBA32FPx4:
        case QImage::Format_RGBA32FPx4_Premultiplied: return true;
        default: return false;
    }
}

}  // namespace

std::vector<double> SliceFromCanvas(const std::string& path) { return SliceFromCanvas(ReadPictureFile(path), path); }

std::vector<double> SliceFromCanvas(const QImage& picture, const std::string& path) {
    const QImage canvas = picture.convertToFormat(QImage::Format_RGB32);
    RequireSize(canvas, CanvasWidth, CanvasHeight, path, "a saved canvas");
    std::vector<double> slice(FieldPixels * FieldPixels);
    int broken = 0;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            const int px = SumImageLeft + 2 * x, py = SumImageTop + 2 * r;
            const QRgb c = canvas.pixel(px, py);
            const bool block = canvas.pixel(px + 1, py) == c && canvas.pixel(px, py + 1) == c &&
                               canvas.pixel(px + 1, py + 1) == c;
            if (!block || qRed(c) != qGreen(c) || qGreen(c) != qBlue(c)) ++broken;
            slice[r * FieldPixels + x] = qGreen(c);
        }
    }
    if (broken > 0)
        throw LabError(path + ": no slice at x 0..511, y 140..651 of the canvas (" + std::to_string(broken) +
                       " of its 65536 blocks are not grey 2 x 2 blocks)");
    return slice;
}

std::vector<double> ReadTruth(const std::string& path) { return TruthFromPicture(ReadPictureFile(path), path); }

std::vector<double> TruthFromPicture(const QImage& picture, const std::string& path) {
    RequireSize(picture, FieldPixels, FieldPixels, path, "a truth image");
    std::vector<double> truth(FieldPixels * FieldPixels);
    if (!SixteenBits(picture)) {
        const QImage image = picture.convertToFormat(QImage::Format_Grayscale8);
        for (int r = 0; r < FieldPixels; ++r) {
            const uchar* line = image.constScanLine(r);
            for (int x = 0; x < FieldPixels; ++x) truth[r * FieldPixels + x] = line[x];
        }
        return truth;
    }
    const QImage image = picture.convertToFormat(QImage::Format_Grayscale16);
    for (int r = 0; r < FieldPixels; ++r) {
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(r));
        for (int x = 0; x < FieldPixels; ++x) truth[r * FieldPixels + x] = line[x];
    }
    return truth;
}

Comparison CompareWithTruth(const std::vector<double>& slice, const std::vector<double>& truth) {
    Comparison result;
    double sumS = 0, sumT = 0;
    double lo = INFINITY, hi = -INFINITY;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            if (!InScannedDisc(x, r)) continue;
            const double t = truth[r * FieldPixels + x];
            sumS += slice[r * FieldPixels + x];
            sumT += t;
            lo = std::min(lo, t);
            hi = std::max(hi, t);
            ++result.pixels;
        }
    }
    const double meanS = sumS / result.pixels, meanT = sumT / result.pixels;
    double ss = 0, tt = 0, st = 0;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            if (!InScannedDisc(x, r)) continue;
            const double s = slice[r * FieldPixels + x] - meanS, t = truth[r * FieldPixels + x] - meanT;
            ss += s * s;
            tt += t * t;
            st += s * t;
        }
    }
    if (ss == 0.0 || tt == 0.0) throw LabError("cannot compare: the slice or the truth is uniform inside the disc");
    result.scale = st / ss;
    result.offset = meanT - result.scale * meanS;
    result.correlation = st / std::sqrt(ss * tt);
    double residual = 0;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            if (!InScannedDisc(x, r)) continue;
            const double d = result.scale * slice[r * FieldPixels + x] + result.offset - truth[r * FieldPixels + x];
            residual += d * d;
        }
    }
    result.normalisedRms = std::sqrt(residual / result.pixels) / (hi - lo);
    return result;
}

QImage DifferenceImage(const std::vector<double>& slice, const std::vector<double>& truth, const Comparison& fit) {
    double lo = INFINITY, hi = -INFINITY;
    for (int r = 0; r < FieldPixels; ++r) {
        for (int x = 0; x < FieldPixels; ++x) {
            if (!InScannedDisc(x, r)) continue;
            lo = std::min(lo, truth[r * FieldPixels + x]);
            hi = std::max(hi, truth[r * FieldPixels + x]);
        }
    }
    QImage image(FieldPixels, FieldPixels, QImage::Format_Grayscale8);
    for (int r = 0; r < FieldPixels; ++r) {
        uchar* line = image.scanLine(r);
        for (int x = 0; x < FieldPixels; ++x) {
            double g = 128.0;
            if (InScannedDisc(x, r)) {
                const double difference = fit.scale * slice[r * FieldPixels + x] + fit.offset - truth[r * FieldPixels + x];
                g = 128.0 + 512.0 * difference / (hi - lo);
            }
            line[x] = static_cast<uchar>(std::lround(std::clamp(g, 0.0, 255.0)));
        }
    }
    return image;
}

}  // namespace lab
