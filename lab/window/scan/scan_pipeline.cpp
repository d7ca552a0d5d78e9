// scan_pipeline.cpp - load, fit, project, add noise: the same calls in the
// same order as `sinora-lab sinogram` and `sinora-lab phantom`, so that a
// saved file is the command line's byte for byte.
#include "lab/window/scan/scan_pipeline.h"

#include <exception>

#include "lab/scan/counting_noise.h"
#include "lab/core/lab_error.h"
#include "lab/objects/phantoms.h"
#include "lab/scan/scan_object.h"
#include "lab/commands/sinogram_output.h"
#include "lab/files/slice_files.h"
#include "lab/objects/slice_input.h"
#include "lab/window/scan/quick_reconstruction.h"

namespace labwin {

namespace {

struct Superseded {};

}  // namespace

struct ScanPipeline::Cache {
    bool haveSlice = false;
    SourceSpec sliceSpec;
    lab::LoadedSlice slice;

    // The field of a source and field of view, and its noiseless line
    // integrals once a scan without imperfections asked for them.
    bool haveField = false;
    SourceSpec fieldSpec;
    double fieldFov = 0.0;
    lab::FieldImage field;
    bool haveClean = false;
    std::vector<double> clean;
};

ScanPipeline::ScanPipeline() : cache_(std::make_unique<Cache>()) {}
ScanPipeline::~ScanPipeline() = default;

ScanResult ScanPipeline::Run(const ScanRequest& request, const std::function<bool()>& superseded) {
    ScanResult result;
    result.request = request;
    const auto check = [&] {
        if (superseded()) throw Superseded{};
    };
    try {
        check();
        const SourceSpec& source = request.source;
        if (source.kind == SourceSpec::Kind::Sinogram) {
            result.integrals = lab::ReadSinogramFile(source.path);
            result.description = "sinogram file";
        } else {
            Scan(request, result, check, superseded);
        }
        check();
        result.reconstruction = QuickReconstruction(result.integrals);
    } catch (const Superseded&) {
        result.cancelled = true;
    } catch (const std::exception& error) {
        // A reader stopped because the scan was superseded says so as a failure.
        if (superseded()) result.cancelled = true;
        else result.error = error.what();
    }
    return result;
}

void ScanPipeline::Scan(const ScanRequest& request, ScanResult& result, const std::function<void()>& check,
                        const std::function<bool()>& superseded) {
    const SourceSpec& source = request.source;
    const ScanOptions& options = request.options;
    Cache& c = *cache_;
    const bool file = source.kind == SourceSpec::Kind::File;
    const double fov = file ? options.fov : 0.0;
    if (!c.haveField || c.fieldSpec != source || c.fieldFov != fov) {
        c.haveField = c.haveClean = false;
        if (file) {
            if (!c.haveSlice || c.sliceSpec != source) {
                c.haveSlice = false;
                c.slice = lab::LoadSlice(source.path, source.frame, superseded);
                c.sliceSpec = source;
                c.haveSlice = true;
                check();
            }
            c.field = lab::FieldFromSlice(c.slice, fov);
        } else {
            c.field = lab::RasterisePhantom(lab::MakePhantom(source.phantom));
        }
        c.fieldSpec = source;
        c.fieldFov = fov;
        c.haveField = true;
        check();
    }
    if (file) {
        result.description = c.slice.description;
        result.isDicom = c.slice.isDicom;
        result.frames = c.slice.frames;
        result.largerSide = lab::FieldWidth(c.slice, 0.0);
    } else {
        result.description = source.phantom + " phantom, 256 mm field";
    }
    result.hasTruth = true;

    if (options.artifacts.Any()) {
        // The scanner's imperfections change the projection itself: the
        // scan is made anew, noise included.
        const bool polychromatic = options.artifacts.Polychromatic();
        const lab::ScanObject object = file ? lab::ObjectFromField(c.field, c.slice.isDicom, polychromatic)
                                            : lab::ObjectFromPhantom(source.phantom, polychromatic);
        check();
        lab::ArtifactScan scan = lab::ScanWithArtifacts(object, options.artifacts, options.photons, options.seed);
        result.integrals = std::move(scan.integrals);
        result.truth = std::move(scan.truth);
        return;
    }
    if (!c.haveClean) {
        c.clean = file ? lab::FieldIntegrals(c.field) : lab::PhantomIntegrals(lab::MakePhantom(source.phantom));
        c.haveClean = true;
        check();
    }
    result.truth = c.field;
    result.integrals = c.clean;
    if (options.photons > 0.0) lab::AddCountingNoise(result.integrals, options.photons, options.seed);
}

}  // namespace labwin
