// save_names.h - the names the save dialogs propose: made from the source
// and the options (e.g. "moon_1e4.sino"), in the work folder, and never a
// file the user opened.
#pragma once

#include <QString>

#include <set>
#include <string>

#include "lab/window/scan/scan_request.h"

namespace labwin {

struct FilterChoice;

// "1e4", "3.2e4": photons per ray, short enough for a file name.
QString DoseText(double photons);

// The source's short name: the file's name without its extension, or the
// phantom's name ("shepp_logan").
QString SourceStem(const SourceSpec& source);

// e.g. "moon_frame2_fov300_30views_1e4_seed7" (defaults left out), without
// the extension; one channel's gain is "_channel364x0.9", several
// "_3channels"; metal discs "_titanium", "_2titanium_gold".
QString ScanStem(const SourceSpec& source, const ScanOptions& options);

// e.g. "hann_cutoff0.8_scale50.txt" (defaults left out).
QString FilterFileName(const FilterChoice& filter);

// `folder`/`name`, or with "_2", "_3"... before the extension when that
// exists or is one of the `opened` files (which may have gone since): a
// proposal never replaces a file.
QString ProposedPath(const QString& folder, const QString& name, const std::set<std::string>& opened);

// The folder for the user's files, ~/Sinora, created when missing.
QString WorkFolder();

}  // namespace labwin
