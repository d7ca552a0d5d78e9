// remembered_choices.h - what the window remembers between starts besides
// its layout and the Scan panel: the filter and the last source.
#pragma once

#include <QString>

#include "lab/window/scan/scan_model.h"

class QSettings;

namespace labwin {

void RememberFilter(QSettings& settings, const FilterChoice& filter);
// A kind that is no longer one of the filters is the default one.
FilterChoice RememberedFilter(const QSettings& settings);

// A file (with its frame) or a phantom.
void RememberSource(QSettings& settings, const SourceSpec& source);
// The last source: a file only while it exists, else the default phantom
// (`vanished` then names the file).
SourceSpec RememberedSource(const QSettings& settings, QString* vanished);

}  // namespace labwin
