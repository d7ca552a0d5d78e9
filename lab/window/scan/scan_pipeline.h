// scan_pipeline.h - one scan, from the source to the sinogram, made of the
// lab's own steps. The pipeline keeps the loaded source and its noiseless
// line integrals, so that a change of dose or seed redoes only the noise.
#pragma once

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lab/core/field_image.h"
#include "lab/window/scan/scan_request.h"

namespace labwin {

struct ScanResult {
    ScanRequest request;
    std::string error;       // the command line's message when the scan failed
    bool cancelled = false;  // a newer request took its place
    // The source as read.
    std::string description;
    bool isDicom = false;
    int frames = 1;
    double largerSide = 0.0;  // a picture or slice: the field's width when none is chosen
    bool hasTruth = false;    // false for an opened sinogram file
    lab::FieldImage truth;
    // 729 x 180 in file order, dimensionless.
    std::vector<double> integrals;
    // Its filtered back projection as Sinora will show it (Ram-Lak).
    QImage reconstruction;
};

class ScanPipeline {
public:
    ScanPipeline();
    ~ScanPipeline();
    // `superseded` is asked between the steps, and while a DICOM reader
    // runs; when it says yes the scan stops (the reader is killed) and the
    // result is marked cancelled. Never throws.
    ScanResult Run(const ScanRequest& request, const std::function<bool()>& superseded);

private:
    // Source to noisy line integrals and truth, from the cache where it can.
    void Scan(const ScanRequest& request, ScanResult& result, const std::function<void()>& check,
              const std::function<bool()>& superseded);

    struct Cache;
    std::unique_ptr<Cache> cache_;
};

}  // namespace labwin
