// image_view.h - a picture fitted into the widget keeping its shape, with
// optional axes along its left and bottom edges and a grey scale bar.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace labwin {

// The values at the picture's two edges (left and right, or top and bottom).
struct Axis {
    QString label;
    double first = 0.0;
    double last = 1.0;
};

// What black and white stand for.
struct GreyScale {
    QString label;
    double black = 0.0;
    double white = 1.0;
};

class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(const QString& title, QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void setAxes(const Axis& across, const Axis& down);
    void setGreyScale(const GreyScale& scale);
    // A picture that carries its own axes (the filter plot): drawn smooth,
    // nothing added.
    void setPlain(bool plain) { plain_ = plain; }
    QSize sizeHint() const override { return {320, 300}; }
    QSize minimumSizeHint() const override { return {160, 140}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString title_;
    QImage image_;
    bool plain_ = false;
    bool hasAxes_ = false;
    Axis across_, down_;
    bool hasScale_ = false;
    GreyScale scale_;
};

}  // namespace labwin
