// slice_view.cpp
#include "lab/window/widgets/slice_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "base/to_int.h"

namespace labwin {

namespace {

constexpr double Side = 256.0;

}  // namespace

SliceView::SliceView(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(title);
}

void SliceView::setTitle(const QString& title) {
    title_ = title;
    setAccessibleName(title);
    update();
}

void SliceView::setZoom(double zoom) {
    zoom = std::clamp(zoom, 1.0, 16.0);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    update();
    emit zoomed(zoom_);
}

// The picture fitted below the title, then enlarged about its centre.
QRectF SliceView::pictureBox() const {
    const double line = fontMetrics().height() + 6;
    const double side = std::max(1.0, std::min<double>(width() - 4, height() - line - 4));
    const QPointF centre(width() / 2.0, line + (height() - line) / 2.0);
    const double shown = side * zoom_;
    return {centre.x() - shown / 2, centre.y() - shown / 2, shown, shown};
}

lab::PicturePoint SliceView::pixelAt(QPointF point) const {
    const QRectF box = pictureBox();
    return {(point.x() - box.left()) / box.width() * Side - 0.5, (point.y() - box.top()) / box.height() * Side - 0.5};
}

void SliceView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int line = fontMetrics().height() + 6;
    const QRectF box = pictureBox();
    painter.save();
    painter.setClipRect(QRect(0, line, width(), height() - line));
    if (!picture_.isNull()) painter.drawImage(box, picture_);
    auto at = [&](lab::PicturePoint p) {
        return QPointF(box.left() + (p.column + 0.5) / Side * box.width(), box.top() + (p.row + 0.5) / Side * box.height());
    };
    painter.setRenderHint(QPainter::Antialiasing);
    if (circle_.radius > 0.0) {
        painter.setPen(QPen(QColor(255, 200, 0), 1.5));
        const double r = circle_.radius / Side * box.width();
        painter.drawEllipse(at(circle_.centre), r, r);
    }
    if (hasLine_) {
        painter.setPen(QPen(QColor(0, 220, 120), 1.5));
        painter.drawLine(at(from_), at(to_));
    }
    painter.restore();
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(0, 2, width(), line), Qt::AlignHCenter, title_);
    if (hasFocus()) painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void SliceView::mousePressEvent(QMouseEvent* event) {
    pressed_ = last_ = event->position();
    if (event->button() == Qt::RightButton) drag_ = Drag::Window;
    else if (event->button() == Qt::LeftButton)
        drag_ = event->modifiers() & Qt::ShiftModifier ? Drag::Line : Drag::Circle;
}

void SliceView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF now = event->position();
    emit probed(pixelAt(now));
    const lab::PicturePoint start = pixelAt(pressed_), end = pixelAt(now);
    if (drag_ == Drag::Window) {
        emit windowDragged(TruncToInt32(now.x() - last_.x()), TruncToInt32(now.y() - last_.y()));
    } else if (drag_ == Drag::Circle) {
        circle_ = {start, std::hypot(end.column - start.column, end.row - start.row)};
        update();
    } else if (drag_ == Drag::Line) {
        setLine(start, end);
    }
    last_ = now;
}

void SliceView::mouseReleaseEvent(QMouseEvent* event) {
    mouseMoveEvent(event);
    // Whole pixels: the numbers the user can type again.
    const Drag ended = drag_;
    drag_ = Drag::None;
    if (ended == Drag::Circle && circle_.radius >= 1.0) {
        circle_ = {{std::round(circle_.centre.column), std::round(circle_.centre.row)}, std::round(circle_.radius)};
        emit circleDrawn(circle_);
    } else if (ended == Drag::Line) {
        emit lineDrawn(from_, to_);
    }
}

void SliceView::wheelEvent(QWheelEvent* event) {
    setZoom(zoom_ * (event->angleDelta().y() > 0 ? 1.25 : 0.8));
}

void SliceView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) setZoom(zoom_ * 1.25);
    else if (event->key() == Qt::Key_Minus) setZoom(zoom_ * 0.8);
    else if (!moveCircle(event->key())) QWidget::keyPressEvent(event);
}

// Without a mouse: the arrows move the circle a pixel, [ and ] shrink and
// grow it; a first key puts one of radius 8 in the middle.
bool SliceView::moveCircle(int key) {
    Circle c = circle_.radius > 0.0 ? circle_ : Circle{{128.0, 128.0}, 8.0};
    switch (key) {
        case Qt::Key_Left: c.centre.column -= 1; break;
        case Qt::Key_Right: c.centre.column += 1; break;
        case Qt::Key_Up: c.centre.row -= 1; break;
        case Qt::Key_Down: c.centre.row += 1; break;
        case Qt::Key_BracketLeft: c.radius = std::max(1.0, c.radius - 1); break;
        case Qt::Key_BracketRight: c.radius += 1; break;
        default: return false;
    }
    circle_ = c;
    update();
    emit circleDrawn(circle_);
    return true;
}

}  // namespace labwin
