#include "ui/LightLook.h"

#include <memory>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace lensdock {

namespace {
QPalette makeLightPalette() {
    // The built-in style's standard palette is light and fills the disabled and inactive groups too.
    const std::unique_ptr<QStyle> builtIn(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette light = builtIn ? builtIn->standardPalette() : QPalette(QColor(0xef, 0xef, 0xef));
    // Roles the standard palette leaves open still count as chosen, so the desktop's never shows.
    light.setResolveMask(~QPalette::ResolveMask(0));
    return light;
}
} // namespace

QPalette LightLook::palette() {
    static const QPalette light = makeLightPalette();
    return light;
}

void LightLook::apply(QWidget& widget) {
    widget.setPalette(palette());
    widget.setAutoFillBackground(true);
}

} // namespace lensdock
