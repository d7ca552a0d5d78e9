// save_names.cpp
#include "lab/window/scan/save_names.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "lab/objects/x_ray_physics.h"
#include "lab/window/scan/scan_model.h"

namespace labwin {

namespace {

QString Number(double value) { return QString::number(value, 'g', 6); }

QString FileSafe(std::string name) {
    for (char& c : name)
        if (c == '-') c = '_';
    return QString::fromStdString(name);
}

// "_titanium", "_2titanium_gold": each metal once, with its number of discs.
QString MetalsText(const std::vector<lab::MetalDisc>& metals) {
    QString text;
    std::vector<lab::Material> named;
    for (const lab::MetalDisc& disc : metals) {
        if (std::find(named.begin(), named.end(), disc.material) != named.end()) continue;
        named.push_back(disc.material);
        const auto count = std::count_if(metals.begin(), metals.end(),
                                         [&disc](const lab::MetalDisc& m) { return m.material == disc.material; });
        text += "_" + (count > 1 ? QString::number(count) : QString()) +
                QString::fromStdString(lab::MaterialName(disc.material));
    }
    return text;
}

}  // namespace

QString DoseText(double photons) {
    const int exponent = static_cast<int>(std::floor(std::log10(photons)));
    const double mantissa = std::round(photons / std::pow(10.0, exponent) * 10.0) / 10.0;
    if (mantissa >= 10.0) return QStringLiteral("1e%1").arg(exponent + 1);
    return QStringLiteral("%1e%2").arg(Number(mantissa)).arg(exponent);
}

QString SourceStem(const SourceSpec& source) {
    if (source.kind == SourceSpec::Kind::Phantom) return FileSafe(source.phantom);
    return QFileInfo(QString::fromStdString(source.path)).completeBaseName();
}

QString ScanStem(const SourceSpec& source, const ScanOptions& options) {
    QString stem = SourceStem(source);
    if (source.kind == SourceSpec::Kind::Sinogram) return stem;
    if (source.frame != 1) stem += QStringLiteral("_frame%1").arg(source.frame);
    if (source.kind == SourceSpec::Kind::File && options.fov > 0.0) stem += "_fov" + Number(options.fov);
    const lab::ArtifactOptions& a = options.artifacts;
    if (a.views > 0) stem += QStringLiteral("_%1views").arg(a.views);
    if (a.arcDegrees > 0) stem += QStringLiteral("_arc%1").arg(a.arcDegrees);
    if (a.gainSpread > 0.0) stem += "_gains" + Number(a.gainSpread);
    if (a.motionX != 0.0 || a.motionY != 0.0 || a.motionDegrees != 0.0) stem += "_motion";
    if (a.Polychromatic()) stem += QStringLiteral("_%1kV").arg(Number(a.kvp)) + (a.waterCorrection ? "_corrected" : "");
    if (a.gains.size() == 1) stem += QStringLiteral("_channel%1x").arg(a.gains[0].channel) + Number(a.gains[0].factor);
    if (a.gains.size() > 1) stem += QStringLiteral("_%1channels").arg(a.gains.size());
    stem += MetalsText(a.metals);
    if (options.photons > 0.0) stem += "_" + DoseText(options.photons);
    if ((options.photons > 0.0 || a.gainSpread > 0.0) && options.seed != WindowSeed)
        stem += QStringLiteral("_seed%1").arg(options.seed);
    return stem;
}

QString FilterFileName(const FilterChoice& filter) {
    QString name = FileSafe(filter.kind);
    if (filter.cutoff != 1.0) name += "_cutoff" + Number(filter.cutoff);
    if (filter.scale != 100.0) name += "_scale" + Number(filter.scale);
    return name + ".txt";
}

QString ProposedPath(const QString& folder, const QString& name, const std::set<std::string>& opened) {
    const QFileInfo plain(QDir(folder).filePath(name));
    QString path = plain.absoluteFilePath();
    for (int n = 2; opened.count(path.toStdString()) > 0 || QFileInfo::exists(path); ++n) {
        const QString suffix = plain.suffix().isEmpty() ? QString() : "." + plain.suffix();
        path =
            QDir(folder).absoluteFilePath(QStringLiteral("%1_%2%3").arg(plain.completeBaseName()).arg(n).arg(suffix));
    }
    return path;
}

QString WorkFolder() {
    const QString folder = QDir::home().filePath("Sinora");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace labwin
