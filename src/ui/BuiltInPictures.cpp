#include "ui/BuiltInPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace lensdock {

namespace {
const QColor ink(0x33, 0x3a, 0x44);
const QColor barrel(0x4a, 0x50, 0x5a);
const QColor accent(0x2f, 0x80, 0xed);
const QColor soft(0xd7, 0xe6, 0xfb);

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
}

QColor mix(const QColor& from, const QColor& to, qreal share) {
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * share,
                            from.greenF() + (to.greenF() - from.greenF()) * share,
                            from.blueF() + (to.blueF() - from.blueF()) * share);
}

// Lens glass: rings from dark at the rim to a light highlight. Solid rings rather than a gradient
// brush, whose raster path hands work to Qt's thread pool.
void drawGlass(QPainter& painter, const QRectF& rect) {
    constexpr int rings = 32;
    painter.setPen(QPen(ink, 2));
    painter.setBrush(ink);
    painter.drawEllipse(rect);
    const QPointF highlight = rect.center() - QPointF(rect.width() * 0.12, rect.height() * 0.15);
    painter.setPen(Qt::NoPen);
    for (int ring = 1; ring <= rings; ++ring) {
        const qreal share = qreal(ring) / rings;
        const qreal scale = 1.0 - share * 0.85;
        const QPointF centre = rect.center() + (highlight - rect.center()) * share;
        painter.setBrush(share < 0.5 ? mix(ink, accent, share * 2) : mix(accent, soft, share * 2 - 1));
        painter.drawEllipse(centre, rect.width() / 2 * scale * 0.96, rect.height() / 2 * scale * 0.96);
    }
}

void drawArrowHead(QPainter& painter, QPointF tip, qreal direction) {
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + QPointF(-10 * direction, -6));
    head.lineTo(tip + QPointF(-10 * direction, 6));
    head.closeSubpath();
    painter.fillPath(head, accent);
}
} // namespace

QStringList BuiltInPictures::names() {
    return {lensImageName, focusAdjustmentName, focusLimitName, switchFirstName, switchSecondName};
}

QImage BuiltInPictures::named(const QString& name) {
    if (name == lensImageName)
        return lensImage();
    if (name == focusAdjustmentName)
        return focusAdjustment();
    if (name == focusLimitName)
        return focusLimit();
    if (name == switchFirstName)
        return switchIcon(1);
    if (name == switchSecondName)
        return switchIcon(2);
    return {};
}

QImage BuiltInPictures::lensImage() {
    QImage image = canvas(320, 200);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(barrel);
    painter.drawRoundedRect(QRectF(40, 45, 210, 110), 10, 10);
    painter.fillRect(QRectF(44, 52, 202, 18), barrel.lighter(140)); // light from above
    painter.fillRect(QRectF(44, 130, 202, 18), barrel.darker(140));
    painter.setBrush(ink);
    painter.drawRect(QRectF(20, 60, 24, 80)); // mount
    painter.setPen(QPen(barrel.lighter(170), 3));
    for (int x = 110; x <= 190; x += 8)
        painter.drawLine(QPointF(x, 50), QPointF(x, 150)); // focus ring grip
    painter.setPen(QPen(accent, 4));
    painter.drawLine(QPointF(230, 47), QPointF(230, 153));
    drawGlass(painter, QRectF(235, 40, 50, 120));
    return image;
}

QImage BuiltInPictures::focusAdjustment() {
    QImage image = canvas(320, 140);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(ink, 3));
    painter.drawLine(QPointF(20, 100), QPointF(300, 100));
    const qreal stations[] = {60, 160, 260};
    for (qreal x : stations) {
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::NoBrush);
        for (int r = 24; r > 0; r -= 8)
            painter.drawEllipse(QPointF(x, 50), r, r);
        painter.setBrush(accent);
        painter.drawEllipse(QPointF(x, 50), 4, 4);
        painter.drawLine(QPointF(x, 92), QPointF(x, 108));
    }
    painter.setPen(QPen(accent, 3));
    painter.drawLine(QPointF(30, 125), QPointF(290, 125));
    drawArrowHead(painter, QPointF(20, 125), -1);
    drawArrowHead(painter, QPointF(300, 125), 1);
    return image;
}

QImage BuiltInPictures::focusLimit() {
    QImage image = canvas(320, 140);
    QPainter painter(&image);
    prepare(painter);
    const QRectF scale(20, 55, 280, 30);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(QColor(0xee, 0xf0, 0xf3));
    painter.drawRoundedRect(scale, 6, 6);
    const QRectF range(110, 55, 120, 30);
    painter.setBrush(soft);
    painter.setPen(QPen(accent, 2));
    painter.drawRoundedRect(range, 6, 6);
    painter.setPen(QPen(ink, 1.5));
    for (int i = 0; i <= 9; ++i) {
        const qreal x = scale.left() + 14 + i * (scale.width() - 28) / 9;
        painter.drawLine(QPointF(x, 90), QPointF(x, 100));
    }
    painter.setPen(QPen(accent, 4, Qt::SolidLine, Qt::RoundCap));
    for (qreal x : {range.left(), range.right()}) {
        painter.drawLine(QPointF(x, 40), QPointF(x, 100));
        painter.drawLine(QPointF(x, 40), QPointF(x + (x == range.left() ? 10 : -10), 40));
    }
    return image;
}

QImage BuiltInPictures::switchIcon(int position) {
    QImage image = canvas(64, 64);
    QPainter painter(&image);
    prepare(painter);
    const QRectF track(6, 20, 52, 24);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(position == 1 ? QColor(0xee, 0xf0, 0xf3) : soft);
    painter.drawRoundedRect(track, 12, 12);
    const QPointF knob(position == 1 ? 18 : 46, 32);
    painter.setBrush(position == 1 ? ink : accent);
    painter.drawEllipse(knob, 9, 9);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(knob.x() - 9, knob.y() - 9, 18, 18), Qt::AlignCenter, QString::number(position));
    return image;
}

QImage BuiltInPictures::appIcon(int size) {
    QImage image = canvas(size, size);
    QPainter painter(&image);
    prepare(painter);
    painter.scale(size / 256.0, size / 256.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(16, 176, 224, 60), 18, 18); // the dock
    painter.setBrush(accent);
    painter.drawRoundedRect(QRectF(96, 212, 64, 10), 5, 5);
    painter.setBrush(barrel);
    painter.drawEllipse(QPointF(128, 104), 96, 96);
    drawGlass(painter, QRectF(60, 36, 136, 136));
    painter.setPen(QPen(QColor(255, 255, 255, 150), 3));
    painter.setBrush(Qt::NoBrush);
    for (int blade = 0; blade < 6; ++blade) {
        const qreal angle = qDegreesToRadians(blade * 60.0);
        const QPointF inner(128 + 22 * qCos(angle), 104 + 22 * qSin(angle));
        const QPointF outer(128 + 66 * qCos(angle + 0.9), 104 + 66 * qSin(angle + 0.9));
        painter.drawLine(inner, outer);
    }
    return image;
}

QImage BuiltInPictures::computer() {
    QImage image = canvas(200, 140);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(ink, 3));
    painter.setBrush(QColor(0xee, 0xf0, 0xf3));
    painter.drawRoundedRect(QRectF(35, 15, 130, 90), 8, 8);
    painter.setBrush(soft);
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(45, 25, 110, 70));
    painter.setBrush(ink);
    QPainterPath base;
    base.moveTo(20, 112);
    base.lineTo(180, 112);
    base.lineTo(192, 126);
    base.lineTo(8, 126);
    base.closeSubpath();
    painter.drawPath(base);
    return image;
}

QImage BuiltInPictures::arrow() {
    QImage image = canvas(72, 40);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8, 20), QPointF(50, 20));
    QPainterPath head;
    head.moveTo(66, 20);
    head.lineTo(46, 8);
    head.lineTo(46, 32);
    head.closeSubpath();
    painter.fillPath(head, ink);
    return image;
}

} // namespace lensdock
