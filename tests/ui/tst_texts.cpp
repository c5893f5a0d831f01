#include "ui/Translations.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

using namespace lensdock;

namespace {
// Every text id used by the screens, read from the English translation source.
QStringList allIds() {
    QFile file(LENSDOCK_TS_EN);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList ids;
    const QRegularExpression id(QStringLiteral("<message id=\"([^\"]+)\""));
    for (auto it = id.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();)
        ids << it.next().captured(1);
    return ids;
}

QString translate(const QTranslator& translator, const QString& id) {
    return translator.translate(nullptr, qPrintable(id));
}
} // namespace

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    void bothLanguagesAreEmbedded() {
        QStringList languages = Translations::available();
        languages.sort();
        QCOMPARE(languages, (QStringList{"en", "ja"}));
    }

    void everyIdHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }
    void everyIdHasATextInEveryLanguage() {
        QFETCH(QString, language);
        QTranslator translator;
        QVERIFY(translator.load("lensdock_" + language, ":/i18n"));
        const QStringList ids = allIds();
        QVERIFY(ids.size() > 90);
        for (const QString& id : ids)
            QVERIFY2(!translate(translator, id).isEmpty(), qPrintable(language + ": " + id));
    }

    void samples_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("en button") << "en"
                                   << "dialogBtnCancel"
                                   << "Cancel";
        QTest::newRow("ja button") << "ja"
                                   << "dialogBtnCancel" << QStringLiteral("キャンセル");
        QTest::newRow("en no-id panel") << "en"
                                        << "dialogProcessingTitle"
                                        << "Processing";
        QTest::newRow("ja no-id panel") << "ja"
                                        << "dialogProcessingTitle" << QStringLiteral("処理中");
        QTest::newRow("ja no-id message")
            << "ja"
            << "dialogProcessingMessage" << QStringLiteral("処理をしています。");
    }
    void samples() {
        QFETCH(QString, language);
        QFETCH(QString, id);
        QFETCH(QString, text);
        QTranslator translator;
        QVERIFY(translator.load("lensdock_" + language, ":/i18n"));
        QCOMPARE(translate(translator, id), text);
    }

    // Runs last: installed translators stay for the rest of the program.
    void zz_theLocaleChoosesTheLanguageOverEnglish_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QString>("yes");
        // Qt's own button text, from the system's Qt translations (qt6-translations-l10n).
        QTest::addColumn<QString>("cancel");
        QTest::newRow("German falls back to English")
            << QLocale(QLocale::German) << QStringList{"en"} << "Yes"
            << "Cancel";
        QTest::newRow("Japanese on top") << QLocale(QLocale::Japanese) << QStringList{"en", "ja"}
                                         << QStringLiteral("はい") << QStringLiteral("キャンセル");
    }
    void zz_theLocaleChoosesTheLanguageOverEnglish() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, loaded);
        QFETCH(QString, yes);
        QFETCH(QString, cancel);
        QCOMPARE(Translations::install(*qApp, locale), loaded);
        QCOMPARE(qtTrId("dialogBtnYes"), yes);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
