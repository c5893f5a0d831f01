#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace lensdock {

// The application's own pictures, drawn in code so that they scale and need no files: the stand-ins
// for a lens picture and the two feature pictures when neither the host nor the local store has
// them, the two limiter switch icons and the application icon. Safe on any thread (QImage only).
class BuiltInPictures {
public:
    static inline const QString lensImageName = QStringLiteral("LensImage");
    static inline const QString focusAdjustmentName = QStringLiteral("FocusAdjustment");
    static inline const QString focusLimitName = QStringLiteral("FocusLimit");
    static inline const QString switchFirstName = QStringLiteral("SwitchPosition1");
    static inline const QString switchSecondName = QStringLiteral("SwitchPosition2");

    static QStringList names();
    // The picture called `name`; a null image for an unknown name.
    static QImage named(const QString& name);

    static QImage lensImage();
    static QImage focusAdjustment();
    static QImage focusLimit();
    static QImage switchIcon(int position);
    static QImage appIcon(int size);
    // A laptop and an arrow, for the connection diagram.
    static QImage computer();
    static QImage arrow();
};

} // namespace lensdock
