#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;

namespace lensdock {

// The compiled texts embedded in the program: English always (so that every key has a text), the
// locale's language on top when there is one, with Qt's own texts in that language where installed.
class Translations {
public:
    // Installs the translators into the application; returns the languages loaded ("en", "ja").
    static QStringList install(QCoreApplication& app, const QLocale& locale = QLocale());
    // Languages that have embedded texts.
    static QStringList available();
};

} // namespace lensdock
