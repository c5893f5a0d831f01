#include "DemoPictures.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace lensdock::DemoPictures {

namespace {
const QColor ink(0x2b, 0x2f, 0x36);
const QColor metal(0x4a, 0x50, 0x5a);
const QColor accent(0xd0, 0x7a, 0x1c);
const QColor glass(0x7f, 0xa8, 0xd8);

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void drawBarrel(QPainter& painter, const QRectF& body) {
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, metal.lighter(150));
    shade.setColorAt(0.5, metal);
    shade.setColorAt(1, metal.darker(160));
    painter.setPen(QPen(ink, 2));
    painter.setBrush(shade);
    painter.drawRoundedRect(body, 8, 8);
}

void drawGrip(QPainter& painter, qreal from, qreal to, qreal top, qreal bottom) {
    painter.setPen(QPen(ink.lighter(130), 3));
    for (qreal x = from; x <= to; x += 7)
        painter.drawLine(QPointF(x, top), QPointF(x, bottom));
}
} // namespace

QByteArray lens() {
    QImage image = canvas(360, 200);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(14, 62, 22, 76), ink); // mount
    drawBarrel(painter, QRectF(34, 50, 150, 100));
    drawBarrel(painter, QRectF(180, 40, 130, 120)); // front barrel, wider at the zoom end
    drawGrip(painter, 60, 150, 56, 144);            // zoom ring
    drawGrip(painter, 200, 280, 46, 154);           // focus ring
    painter.setPen(QPen(accent, 4));
    painter.drawLine(QPointF(170, 52), QPointF(170, 148));
    painter.setPen(QPen(ink, 2));
    painter.setBrush(glass);
    painter.drawEllipse(QRectF(300, 48, 36, 104));
    return png(image);
}

QByteArray focusAdjustment() {
    QImage image = canvas(320, 140);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Three targets at three distances, the camera's point of focus on the middle one.
    const qreal centres[] = {60, 160, 260};
    const qreal radii[] = {14, 22, 30};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::NoBrush);
        for (qreal r = radii[i]; r > 0; r -= 7)
            painter.drawEllipse(QPointF(centres[i], 60), r, r);
    }
    painter.setPen(QPen(accent, 3));
    painter.drawLine(QPointF(160, 20), QPointF(160, 100));
    painter.drawLine(QPointF(120, 60), QPointF(200, 60));
    painter.setPen(QPen(ink, 3));
    painter.drawLine(QPointF(20, 120), QPointF(300, 120));
    return png(image);
}

QByteArray focusLimit() {
    QImage image = canvas(320, 140);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF scale(20, 50, 280, 36);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(QColor(0xe8, 0xeb, 0xef));
    painter.drawRoundedRect(scale, 8, 8);
    painter.setBrush(accent.lighter(160));
    painter.setPen(QPen(accent, 2));
    painter.drawRoundedRect(QRectF(90, 50, 140, 36), 8, 8); // the range the limiter keeps
    painter.setPen(QPen(ink, 1.5));
    for (int i = 0; i < 10; ++i) {
        const qreal x = scale.left() + 14 + i * (scale.width() - 28) / 9;
        painter.drawLine(QPointF(x, 92), QPointF(x, 104));
    }
    return png(image);
}

} // namespace lensdock::DemoPictures
