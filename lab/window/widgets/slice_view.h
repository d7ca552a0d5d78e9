// slice_view.h - a 256 x 256 picture of values with a title: the value
// under the mouse, a circle dragged with the left button, a line with Shift
// and the left button, window and level dragged with the right button, zoom
// with the wheel (or + and -); the arrows and [ ] move and size the circle.
#pragma once

#include <QImage>
#include <QWidget>

#include "lab/measure/image_quality.h"

namespace labwin {

struct Circle {
    lab::PicturePoint centre;
    double radius = 0.0;
};

class SliceView : public QWidget {
    Q_OBJECT
public:
    explicit SliceView(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setPicture(const QImage& picture) { picture_ = picture; update(); }
    void setCircle(const Circle& circle) { circle_ = circle; update(); }
    void setLine(lab::PicturePoint from, lab::PicturePoint to) { from_ = from, to_ = to, hasLine_ = true; update(); }
    void setZoom(double zoom);
    double zoom() const { return zoom_; }
    // The picture pixel under a point of the widget (column, row; may lie
    // outside 0..255).
    lab::PicturePoint pixelAt(QPointF point) const;
    QRectF pictureBox() const;
    QSize sizeHint() const override { return {300, 300}; }
    QSize minimumSizeHint() const override { return {150, 150}; }

signals:
    void probed(lab::PicturePoint pixel);
    void circleDrawn(Circle circle);
    void lineDrawn(lab::PicturePoint from, lab::PicturePoint to);
    // Right-button motion in widget pixels since the last report.
    void windowDragged(int across, int down);
    void zoomed(double zoom);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool moveCircle(int key);

    enum class Drag { None, Circle, Line, Window };
    QString title_;
    QImage picture_;
    double zoom_ = 1.0;
    Circle circle_;
    lab::PicturePoint from_, to_;
    bool hasLine_ = false;
    Drag drag_ = Drag::None;
    QPointF pressed_, last_;
};

}  // namespace labwin
