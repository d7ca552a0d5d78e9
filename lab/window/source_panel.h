// source_panel.h - the Source panel: what is scanned (a file, a phantom, a
// DICOM slice's frame) and the width of its field, its controls kept in
// step with the scan model.
#pragma once

#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace labwin {

class ScanModel;

class SourcePanel : public QWidget {
    Q_OBJECT
public:
    explicit SourcePanel(ScanModel& model, QWidget* parent = nullptr);

    // The latest scan's source, in words.
    void setDescription(const QString& text);
    // The controls as the model's source and latest scan have them.
    void sync();

signals:
    void openRequested();

private:
    ScanModel& model_;
    QLabel* sourceLabel_ = nullptr;
    QComboBox* phantomBox_ = nullptr;
    QSpinBox* frameBox_ = nullptr;
    QDoubleSpinBox* fovBox_ = nullptr;
};

}  // namespace labwin
