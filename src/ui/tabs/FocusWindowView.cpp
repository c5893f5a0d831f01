#include "ui/tabs/FocusWindowView.h"

#include <cmath>
#include <QPainter>
#include <QTransform>

namespace lensdock {

namespace {
const QColor rimColour = QColor::fromRgbF(0.8, 0.8, 0.8);
} // namespace

FocusWindowView::FocusWindowView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FocusWindowView::setFocusIndicatorImage(const QImage& image) {
    focusIndicatorImage_ = image;
    update();
}

qreal FocusWindowView::roundHalfAway(qreal value) {
    return std::round(value);
}

QSize FocusWindowView::sizeHint() const {
    return QSize(int(imageWidth), int(imageHeight) + 8);
}

QRectF FocusWindowView::stripRect(const QSizeF& size) const {
    return QRectF(0, size.height() - imageHeight, size.width(), imageHeight);
}

QRectF FocusWindowView::pictureRect(const QSizeF& size) const {
    return QRectF(roundHalfAway((size.width() - imageWidth) * 0.5), size.height() - imageHeight, imageWidth,
                  imageHeight);
}

QRectF FocusWindowView::scaleRect(const QSizeF& size) const {
    const qreal inset = (size.width() - imageWidth) * 0.5 + focusIndicatorImageInsets;
    return QRectF(inset, 0, size.width() - 2 * inset, size.height());
}

qreal FocusWindowView::scaleX(const QSizeF& size, qreal fraction) const {
    const QRectF scale = scaleRect(size);
    return scale.left() + roundHalfAway(fraction * scale.width());
}

QPainterPath FocusWindowView::windowPath(const QSizeF& size, qreal inset) const {
    const QRectF s = stripRect(size).adjusted(inset, inset, -inset, -inset);
    const qreal x0 = s.left(), y0 = s.top(), x1 = s.right(), y1 = s.bottom();
    const qreal rb = bottomRadius - inset, rt = topRadius - inset;
    // Angles grow anticlockwise in y-up terms: 180°..270° is the lower left corner.
    QPainterPath path;
    path.arcMoveTo(QRectF(x0, y0, 2 * rb, 2 * rb), -180);
    path.arcTo(QRectF(x0, y0, 2 * rb, 2 * rb), -180, -90);
    path.arcTo(QRectF(x1 - 2 * rb, y0, 2 * rb, 2 * rb), -270, -90);
    path.arcTo(QRectF(x1 - 2 * rt, y1 - 2 * rt, 2 * rt, 2 * rt), 0, -90);
    path.arcTo(QRectF(x0, y1 - 2 * rt, 2 * rt, 2 * rt), -90, -90);
    path.closeSubpath();
    return path;
}

QRectF FocusWindowView::toWidget(const QRectF& rect) const {
    return QRectF(rect.left(), height() - rect.top() - rect.height(), rect.width(), rect.height());
}

QPainterPath FocusWindowView::toWidget(const QPainterPath& path) const {
    return QTransform(1, 0, 0, -1, 0, height()).map(path);
}

void FocusWindowView::drawWindow(QPainter& painter) const {
    const QSizeF size = this->size();
    painter.setClipPath(toWidget(windowPath(size, 0)));
    painter.fillRect(rect(), rimColour);
    painter.fillPath(toWidget(windowPath(size, 1)), Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(toWidget(pictureRect(size)), focusIndicatorImage_);
}

void FocusWindowView::drawMark(QPainter& painter, qreal fraction, qreal opacity) const {
    const QRectF scale = scaleRect(size());
    const QRectF mark(scaleX(size(), fraction) - 1, scale.top(), 2, scale.height());
    painter.fillRect(toWidget(mark), QColor::fromRgbF(0, 0, 0, opacity));
}

void FocusWindowView::paintEvent(QPaintEvent*) {
    if (focusIndicatorImage_.isNull())
        return;
    QPainter painter(this);
    painter.save();
    drawWindow(painter);
    painter.restore();
}

} // namespace lensdock
