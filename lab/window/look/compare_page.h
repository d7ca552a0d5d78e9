// compare_page.h - up to four slices side by side under one window and one
// zoom, each with its figures: against the truth, in the Look view's
// circle, and its MTF50.
#pragma once

#include <QWidget>

#include "lab/window/look/look_model.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace labwin {

class SliceView;

class ComparePage : public QWidget {
    Q_OBJECT
public:
    explicit ComparePage(LookModel& model, QWidget* parent = nullptr);

signals:
    void status(const QString& message);

private:
    void showCompared();

    LookModel& model_;
    QList<SliceView*> views_;
    QList<QLabel*> figures_;
    QSpinBox* iterations_ = nullptr;
    QPushButton* sart_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace labwin
