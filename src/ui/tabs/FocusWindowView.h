#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

namespace lensdock {

// The lens picture inside a rounded window strip along the top edge. The geometry is worked out with
// y growing upwards from the bottom edge and mapped to the widget when drawing, so that the strip's
// upper corners take `topRadius` and its lower corners `bottomRadius`. Draws nothing without a picture.
class FocusWindowView : public QWidget {
    Q_OBJECT
public:
    explicit FocusWindowView(QWidget* parent = nullptr);

    QImage focusIndicatorImage() const { return focusIndicatorImage_; }
    void setFocusIndicatorImage(const QImage& image);

    qreal focusIndicatorImageInsets = 40;
    qreal imageWidth = 392;
    qreal imageHeight = 45;
    qreal topRadius = 7;
    qreal bottomRadius = 14;

    // Geometry in y-up coordinates of a view of `size`.
    QRectF stripRect(const QSizeF& size) const;
    QRectF pictureRect(const QSizeF& size) const;
    QRectF scaleRect(const QSizeF& size) const;
    QPainterPath windowPath(const QSizeF& size, qreal inset) const;
    // The x position of a fraction of the focus scale.
    qreal scaleX(const QSizeF& size, qreal fraction) const;

    QSize sizeHint() const override;

    // Rounds to the nearest integer, halves away from zero.
    static qreal roundHalfAway(qreal value);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Clipped to the window: the light rim and the picture.
    void drawWindow(QPainter& painter) const;
    // A 2-point wide mark over the whole scale height at `fraction` of the scale.
    void drawMark(QPainter& painter, qreal fraction, qreal opacity) const;
    // Maps a y-up rectangle of this view to widget coordinates.
    QRectF toWidget(const QRectF& rect) const;
    QPainterPath toWidget(const QPainterPath& path) const;

private:
    QImage focusIndicatorImage_;
};

} // namespace lensdock
