#include "TabFixture.h"
#include "TextCatalogue.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

using namespace lensdock;

namespace {
// Every key the tabs look up, read from their sources.
QStringList keysInSources() {
    return TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_TABS_SOURCE_DIR));
}

QStringList idsIn(const QString& tsFile) {
    return TextCatalogue::idsIn(QStringLiteral(LENSDOCK_TABS_TS_DIR "/") + tsFile);
}
} // namespace

class TestTabTexts : public QObject {
    Q_OBJECT
private slots:
    void everyKeyHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }
    void everyKeyHasATextInEveryLanguage() {
        QFETCH(QString, language);
        const QStringList keys = keysInSources();
        QVERIFY(keys.size() >= 29);
        QVERIFY(keys.contains("focusLimitSwPos2TitleType1"));
        QTranslator translator;
        QVERIFY(translator.load("lensdock_tabs_" + language, ":/i18n/tabs"));
        const QStringList ids = idsIn("lensdock_tabs_" + language + ".ts");
        for (const QString& key : keys) {
            QVERIFY2(ids.contains(key), qPrintable(language + ": " + key));
            QVERIFY2(!translator.translate(nullptr, qPrintable(key)).isEmpty(),
                     qPrintable(language + ": " + key));
        }
    }

    void theTabsKeysDoNotShadowTheShellsOnes() {
        const QStringList shellIds = idsIn("lensdock_en.ts");
        QVERIFY(shellIds.size() > 90);
        for (const QString& key : keysInSources())
            QVERIFY2(!shellIds.contains(key), qPrintable(key));
    }

    // The limiter's modes and the VC modes are explained where the user points at them.
    void theModesAreExplainedInEveryLanguage_data() { everyKeyHasATextInEveryLanguage_data(); }
    void theModesAreExplainedInEveryLanguage() {
        QFETCH(QString, language);
        QTranslator translator;
        QVERIFY(translator.load("lensdock_tabs_" + language, ":/i18n/tabs"));
        QCoreApplication::installTranslator(&translator);
        TabFixture f(zoomLens());
        FocusLimiterTab limiter(*f.shell);
        MiscellaneousTab miscellaneous(*f.shell);
        QCoreApplication::removeTranslator(&translator);
        const QStringList tips = {
            limiter.position(1)->radioRange()->toolTip(), limiter.position(2)->radioSegment()->toolTip(),
            miscellaneous.vcModeRow(0)->toolTip(), miscellaneous.vcModeRow(1)->toolTip(),
            miscellaneous.vcModeRow(2)->toolTip()};
        QCOMPARE(QSet<QString>(tips.begin(), tips.end()).size(), tips.size());
        const QRegularExpression japanese(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));
        for (const QString& tip : tips) {
            QVERIFY2(!tip.isEmpty() && !tip.endsWith("ToolTip"), qPrintable(tip));
            QCOMPARE(tip.contains(japanese), language == "ja");
        }
    }

    // Runs last: installed translators stay.
    void zz_bothCataloguesOfTheLocaleAreInstalled() {
        QCOMPARE(Translations::install(*qApp, QLocale(QLocale::Japanese)), (QStringList{"en", "ja"}));
        QCOMPARE(qtTrId("focusUnit3"), QStringLiteral("無限遠"));
        QCOMPARE(qtTrId("dialogBtnYes"), QStringLiteral("はい"));
    }
};

QTEST_MAIN(TestTabTexts)
#include "tst_tabtexts.moc"
