#include "ui/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace lensdock {

namespace {
const QString folder = QStringLiteral(":/i18n");
const QString baseName = QStringLiteral("lensdock_");
const QString fallbackLanguage = QStringLiteral("en");
// The settings tabs keep their texts in a catalogue of their own.
const QString tabsFolder = QStringLiteral(":/i18n/tabs");
const QString tabsBaseName = QStringLiteral("lensdock_tabs_");
// ... and so does the lens screen.
const QString lensFolder = QStringLiteral(":/i18n/lens");
const QString lensBaseName = QStringLiteral("lensdock_lens_");
// ... and the demo's menu, present only in programs that link the demo.
const QString demoFolder = QStringLiteral(":/i18n/demo");
const QString demoBaseName = QStringLiteral("lensdock_demo_");
// Qt's own texts (file dialog, standard buttons) come from where the system's Qt keeps them.
const QString qtBaseName = QStringLiteral("qtbase_");

bool loadCatalogue(QCoreApplication& app, const QString& name, const QString& from) {
    auto* translator = new QTranslator(&app);
    if (translator->load(name, from) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

bool load(QCoreApplication& app, const QString& language) {
    if (!loadCatalogue(app, baseName + language, folder))
        return false;
    loadCatalogue(app, tabsBaseName + language, tabsFolder);
    loadCatalogue(app, lensBaseName + language, lensFolder);
    loadCatalogue(app, demoBaseName + language, demoFolder);
    return true;
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
    if (language != fallbackLanguage && available().contains(language) && load(app, language)) {
        loaded << language;
        loadCatalogue(app, qtBaseName + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    return loaded;
}

} // namespace lensdock
