// window_settings.h - what the window remembers between starts lives in the
// user's settings file, which is read only when it is a regular file of a
// settings file's size: a FIFO would hold the window before it shows, a
// device or a huge file fill its memory. Otherwise the window remembers
// nothing this time, and says why.
#pragma once

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "lab/files/signal_cleanup.h"

namespace labwin {

// Where QSettings keeps this application's settings for the user.
QString SettingsPath();

// Why `path` cannot be read as the settings file; empty when it can, or
// when there is none yet.
QString SettingsFileProblem(const QString& path);

class WindowSettings {
public:
    WindowSettings();
    QSettings& settings() { return *settings_; }
    // Why the settings file is not used; empty when it is.
    const QString& problem() const { return problem_; }

private:
    QString problem_;
    // Instead of the settings file, for this run only: made only then.
    std::unique_ptr<QTemporaryDir> scratch_;
    lab::RemovedOnSignal scratchOnSignal_, scratchFileOnSignal_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace labwin
