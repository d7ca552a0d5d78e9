// save_files.cpp
#include "lab/window/scan/save_files.h"

#include <QImage>

#include "lab/files/output_files.h"

namespace labwin {

namespace {

template <typename Stage>
void Save(const QString& path, const std::string& source, Stage stage) {
    const std::string target = path.toStdString();
    lab::OutputFiles outputs;
    outputs.AddInput(source);
    outputs.Claim(target);
    stage(outputs, target);
    outputs.Commit();
}

}  // namespace

void SaveBytes(const QString& path, const std::string& bytes, const std::string& source) {
    Save(path, source, [&](lab::OutputFiles& outputs, const std::string& target) { outputs.Stage(target, bytes); });
}

void SavePng(const QString& path, const QImage& image, const std::string& source) {
    Save(path, source, [&](lab::OutputFiles& outputs, const std::string& target) { outputs.StagePng(target, image); });
}

}  // namespace labwin
