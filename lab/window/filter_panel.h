// filter_panel.h - the Filter panel: the kind of filter, its cutoff and
// scale, as `sinora-lab filter` takes them, and a plot of its taps and
// frequency response.
#pragma once

#include <QWidget>

#include "lab/window/scan/scan_model.h"

class QComboBox;
class QDoubleSpinBox;

namespace labwin {

class ImageView;

class FilterPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilterPanel(QWidget* parent = nullptr);

    FilterChoice choice() const;
    // Shown (a kind that is none of the filters as the first one), then
    // changed() once.
    void setChoice(const FilterChoice& filter);

signals:
    void changed(const FilterChoice& filter);
    void saveRequested();

private:
    // The plot of the choice, and changed().
    void showChoice();

    QComboBox* kindBox_ = nullptr;
    QDoubleSpinBox* cutoffBox_ = nullptr;
    QDoubleSpinBox* scaleBox_ = nullptr;
    ImageView* plot_ = nullptr;
};

}  // namespace labwin
