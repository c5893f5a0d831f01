#pragma once

#include <QImage>
#include <QString>

namespace lensdock {

// Pictures of the lens's three-position limiter switch with its knob in the middle or at the bottom,
// drawn in code. Safe on any thread (QImage only).
class FocusLimitSwitchIcon {
public:
    static inline const QString middleName = QStringLiteral("MiddleFocusLimitSwitch");
    static inline const QString bottomName = QStringLiteral("BottomFocusLimitSwitch");

    // The picture called `name`; a null image for an unknown name.
    static QImage named(const QString& name);
};

} // namespace lensdock
