// image_view.cpp
#include "lab/window/widgets/image_view.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

#include "lab/plot/plot_axes.h"

namespace labwin {

namespace {

QString TickText(double v) { return QString::number(v, 'g', 4); }

}  // namespace

ImageView::ImageView(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ImageView::setImage(const QImage& image) {
    image_ = image;
    update();
}

void ImageView::setAxes(const Axis& across, const Axis& down) {
    across_ = across;
    down_ = down;
    hasAxes_ = true;
    update();
}

void ImageView::setGreyScale(const GreyScale& scale) {
    scale_ = scale;
    hasScale_ = true;
    update();
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    painter.drawText(QRect(0, 2, width(), line), Qt::AlignHCenter, title_);
    if (image_.isNull()) return;

    // Room for the tick labels and axis titles, and for the scale bar.
    const int left = hasAxes_ ? metrics.horizontalAdvance("-0000") + line + 8 : 4;
    const int bottom = hasAxes_ ? 2 * line + 10 : 4;
    const int right = hasScale_ ? metrics.horizontalAdvance("-0000.0") + 40 : 8;
    const QRect room(left, line + 8, std::max(1, width() - left - right), std::max(1, height() - line - 8 - bottom));
    QSize size = image_.size().scaled(room.size(), Qt::KeepAspectRatio);
    const QRect box(room.left() + (room.width() - size.width()) / 2, room.top(), size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, plain_);
    painter.drawImage(box, image_);
    if (plain_) return;

    painter.setPen(palette().windowText().color());
    if (hasAxes_) {
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        const double lo = std::min(across_.first, across_.last), hi = std::max(across_.first, across_.last);
        for (double v : lab::NiceTicks(lo, hi)) {
            const int x =
                box.left() + static_cast<int>((v - across_.first) / (across_.last - across_.first) * box.width());
            painter.drawLine(x, box.bottom(), x, box.bottom() + 4);
            painter.drawText(QRect(x - 40, box.bottom() + 5, 80, line), Qt::AlignHCenter, TickText(v));
        }
        painter.drawText(QRect(box.left(), box.bottom() + 5 + line, box.width(), line), Qt::AlignHCenter,
                         across_.label);
        const double dlo = std::min(down_.first, down_.last), dhi = std::max(down_.first, down_.last);
        for (double v : lab::NiceTicks(dlo, dhi)) {
            const int y = box.top() + static_cast<int>((v - down_.first) / (down_.last - down_.first) * box.height());
            painter.drawLine(box.left() - 4, y, box.left(), y);
            painter.drawText(QRect(0, y - line / 2, box.left() - 6, line), Qt::AlignRight | Qt::AlignVCenter,
                             TickText(v));
        }
        painter.save();
        painter.translate(2, box.center().y());
        painter.rotate(-90);
        painter.drawText(QRect(-box.height() / 2, 0, box.height(), line), Qt::AlignHCenter, down_.label);
        painter.restore();
    }
    if (hasScale_) {
        const QRect bar(box.right() + 12, box.top(), 14, box.height());
        QLinearGradient ramp(bar.bottomLeft(), bar.topLeft());
        ramp.setColorAt(0.0, Qt::black);
        ramp.setColorAt(1.0, Qt::white);
        painter.fillRect(bar, ramp);
        painter.drawRect(bar.adjusted(0, 0, -1, -1));
        if (scale_.white > scale_.black) {
            for (double v : lab::NiceTicks(scale_.black, scale_.white)) {
                const int y =
                    bar.bottom() - static_cast<int>((v - scale_.black) / (scale_.white - scale_.black) * bar.height());
                painter.drawLine(bar.right(), y, bar.right() + 4, y);
                painter.drawText(QRect(bar.right() + 6, y - line / 2, right, line), Qt::AlignLeft | Qt::AlignVCenter,
                                 TickText(v));
            }
        }
        painter.drawText(QRect(bar.left(), bar.bottom() + 5 + line, right, line), Qt::AlignLeft, scale_.label);
    }
}

}  // namespace labwin
