// window_settings.cpp
#include "lab/window/window_settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace labwin {

namespace {

// Far more than the window ever writes (a few kilobytes).
constexpr qint64 MostSettingsBytes = 1 << 20;

}  // namespace

QString SettingsPath() {
    // As QSettings names the user's file of the native format on Linux.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
           QCoreApplication::organizationName() + "/" + QCoreApplication::applicationName() + ".conf";
}

QString SettingsFileProblem(const QString& path) {
    struct stat info;
    if (stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT) return QString();
        return path + ": " + QString::fromLocal8Bit(strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) return path + " is not a regular file";
    if (info.st_size > MostSettingsBytes)
        return path + QString(" holds %1 bytes, more than a settings file").arg(info.st_size);
    return QString();
}

WindowSettings::WindowSettings() : problem_(SettingsFileProblem(SettingsPath())) {
    QString file = SettingsPath();
    if (!problem_.isEmpty()) {
        scratch_ = std::make_unique<QTemporaryDir>();
        file = scratch_->filePath("settings.conf");
        scratchOnSignal_ = lab::RemovedOnSignal(scratch_->path().toStdString(), true);
        scratchFileOnSignal_ = lab::RemovedOnSignal(file.toStdString(), false);
    }
    settings_ = std::make_unique<QSettings>(file, QSettings::NativeFormat);
}

}  // namespace labwin
