#include "TextCatalogue.h"
#include "ui/Translations.h"

#include <QTest>
#include <QTranslator>

using namespace lensdock;

namespace {
// Every key the lens screen looks up, read from its sources.
QStringList keysInSources() {
    return TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_LENS_SOURCE_DIR));
}

QStringList idsIn(const QString& tsFile) {
    return TextCatalogue::idsIn(QStringLiteral(LENSDOCK_TS_DIR "/") + tsFile);
}
} // namespace

class TestLensTexts : public QObject {
    Q_OBJECT
private slots:
    // Keys of the lens screen come from its own catalogue, or are the shell's captions it shares.
    void everyKeyHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }
    void everyKeyHasATextInEveryLanguage() {
        QFETCH(QString, language);
        const QStringList keys = keysInSources();
        QVERIFY(keys.contains("btnCustomSet"));
        QVERIFY(keys.contains("tabMiscellaneous"));
        QTranslator lens;
        QVERIFY(lens.load("lensdock_lens_" + language, ":/i18n/lens"));
        QTranslator shell;
        QVERIFY(shell.load("lensdock_" + language, ":/i18n"));
        const QStringList lensIds = idsIn("lensdock_lens_" + language + ".ts");
        const QStringList shellIds = idsIn("lensdock_" + language + ".ts");
        for (const QString& key : keys) {
            const bool own = lensIds.contains(key);
            QVERIFY2(own || shellIds.contains(key), qPrintable(language + ": " + key));
            const QTranslator& catalogue = own ? lens : shell;
            QVERIFY2(!catalogue.translate(nullptr, qPrintable(key)).isEmpty(),
                     qPrintable(language + ": " + key));
        }
        // Nothing in the catalogue that the screen does not use.
        for (const QString& id : lensIds)
            QVERIFY2(keys.contains(id), qPrintable(language + ": " + id));
    }

    void theLensKeysDoNotShadowOtherCatalogues() {
        const QStringList lensIds = idsIn("lensdock_lens_en.ts");
        QVERIFY(lensIds.size() >= 16);
        const QStringList others = idsIn("lensdock_en.ts") + idsIn("lensdock_tabs_en.ts");
        QVERIFY(others.size() > 110);
        for (const QString& id : lensIds)
            QVERIFY2(!others.contains(id), qPrintable(id));
    }

    // Runs last: installed translators stay.
    void zz_theLocaleInstallsTheLensCatalogue_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("apply");
        QTest::addColumn<QString>("version");
        QTest::newRow("English") << QLocale(QLocale::English) << "Apply"
                                 << "Version ";
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese) << QStringLiteral("適用")
                                  << QStringLiteral("バージョン ");
    }
    void zz_theLocaleInstallsTheLensCatalogue() {
        QFETCH(QLocale, locale);
        QFETCH(QString, apply);
        QFETCH(QString, version);
        QVERIFY(!Translations::install(*qApp, locale).isEmpty());
        QCOMPARE(qtTrId("btnCustomSet"), apply);
        QCOMPARE(qtTrId("infoVersion"), version);
    }
};

QTEST_MAIN(TestLensTexts)
#include "tst_lenstexts.moc"
