#include "ui/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace lensdock {

namespace {
const QString folder = QStringLiteral(":/i18n");
const QString baseName = QStringLiteral("lensdock_");
const QString fallbackLanguage = QStringLiteral("en");

bool load(QCoreApplication& app, const QString& language) {
    auto* translator = new QTranslator(&app);
    if (translator->load(baseName + language, folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
} // namespace

QStringList Translations::available() {
    QStringList languages;
    for (const QString& file : QDir(folder).entryList({baseName + QStringLiteral("*.qm")}))
        languages << file.mid(baseName.size()).chopped(3);
    return languages;
}

QStringList Translations::install(QCoreApplication& app, const QLocale& locale) {
    QStringList loaded;
    if (load(app, fallbackLanguage))
        loaded << fallbackLanguage;
    const QString language = locale.name().section(QLatin1Char('_'), 0, 0);
    if (language != fallbackLanguage && available().contains(language) && load(app, language))
        loaded << language;
    return loaded;
}

} // namespace lensdock
