// remembered_choices.cpp
#include "lab/window/remembered_choices.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>

#include "lab/reconstruct/filter_kernels.h"
#include "lab/objects/phantoms.h"

namespace labwin {

namespace {

bool Known(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void RememberFilter(QSettings& settings, const FilterChoice& filter) {
    settings.setValue("filter/kind", QString::fromStdString(filter.kind));
    settings.setValue("filter/cutoff", filter.cutoff);
    settings.setValue("filter/scale", filter.scale);
}

FilterChoice RememberedFilter(const QSettings& settings) {
    FilterChoice filter;
    const std::string kind = settings.value("filter/kind").toString().toStdString();
    if (Known(lab::KernelNames(), kind)) filter.kind = kind;
    filter.cutoff = settings.value("filter/cutoff", filter.cutoff).toDouble();
    filter.scale = settings.value("filter/scale", filter.scale).toDouble();
    return filter;
}

void RememberSource(QSettings& settings, const SourceSpec& source) {
    const bool phantom = source.kind == SourceSpec::Kind::Phantom;
    settings.setValue("source/path", phantom ? QString() : QString::fromStdString(source.path));
    settings.setValue("source/frame", source.frame);
    settings.setValue("source/phantom", QString::fromStdString(source.phantom));
}

SourceSpec RememberedSource(const QSettings& settings, QString* vanished) {
    SourceSpec source;  // the default phantom
    const QString path = settings.value("source/path").toString();
    if (path.isEmpty()) {
        const std::string phantom = settings.value("source/phantom").toString().toStdString();
        if (Known(lab::PhantomNames(), phantom)) source.phantom = phantom;
        return source;
    }
    if (!QFileInfo(path).isFile()) {
        *vanished = path;
        return source;
    }
    return SourceOfFile(path, std::max(1, settings.value("source/frame", 1).toInt()));
}

}  // namespace labwin
