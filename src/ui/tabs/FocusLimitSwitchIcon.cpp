#include "ui/tabs/FocusLimitSwitchIcon.h"

#include <QPainter>

namespace lensdock {

namespace {
constexpr int side = 48;
const QColor ink(0x33, 0x3a, 0x44);
const QColor track(0xe4, 0xe7, 0xeb);
const QColor knob(0xe0, 0x6c, 0x1f);

// The knob sits at stop 0 (top), 1 (middle) or 2 (bottom).
QImage drawSwitch(int stop) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(track);
    painter.drawRoundedRect(QRectF(16, 3, 16, 42), 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    for (int i = 0; i < 3; ++i)
        painter.drawRect(QRectF(36, 9.5 + 14 * i, 8, 2));
    painter.setBrush(knob);
    painter.drawEllipse(QPointF(24, 10.5 + 14 * stop), 6, 6);
    return image;
}
} // namespace

QImage FocusLimitSwitchIcon::named(const QString& name) {
    if (name == middleName)
        return drawSwitch(1);
    if (name == bottomName)
        return drawSwitch(2);
    return {};
}

} // namespace lensdock
