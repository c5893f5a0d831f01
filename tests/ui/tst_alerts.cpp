// The alerts, the progress panel, the texts and the local copies, each on its own.
#include "LogCapture.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterface.h"
#include "TextCatalogue.h"
#include "ui/AlertAsker.h"
#include "ui/AlertDialog.h"
#include "ui/BuiltInPictures.h"
#include "ui/LensFileStore.h"
#include "ui/ProgressPanel.h"
#include "ui/Translations.h"

#include <QBuffer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DialogId)

class TestAlerts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(Translations::install(*qApp, QLocale(QLocale::English)), QStringList{"en"});
    }

    // Enter or a stray click never starts what cannot be undone; a plain question defaults to going on.
    void defaultButtons_data() {
        QTest::addColumn<DialogId>("kind");
        QTest::addColumn<QString>("defaultId");
        QTest::newRow("factory restore") << DialogId::initializeCaution << "dialogBtnCancel";
        QTest::newRow("adapter update") << DialogId::updateAdapterCaution << "dialogBtnCancel";
        QTest::newRow("lens update") << DialogId::updateLensCaution << "dialogBtnCancel";
        QTest::newRow("discard edits") << DialogId::discardChangesConfirm << "dialogBtnCancel";
        QTest::newRow("apply") << DialogId::customizeCaution << "dialogBtnOK";
        QTest::newRow("lens update offer") << DialogId::updateLensConfirm << "dialogBtnYes";
    }
    void defaultButtons() {
        QFETCH(DialogId, kind);
        QFETCH(QString, defaultId);
        const auto box = AlertDialog::build(kind);
        QVERIFY(box->findChild<QObject*>(defaultId)->property("default").toBool());
    }

    // The box's centre is the window's, also once the window has grown while the box is open (it
    // once stayed where the window had been); the box is wide enough for whole sentences. Quitting
    // closes every window: a question closed that way is declined.
    void alertsOpenCentredOnTheWindow() {
        QWidget window;
        window.setGeometry(100, 60, 500, 380);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        AlertAsker asker(&window);
        std::optional<DialogResponse> response;
        asker.ask(DialogId::updateLensConfirm, QString(), [&](DialogResponse answer) { response = answer; });
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QTRY_VERIFY(box->isVisible());
        const auto offset = [&] { return (box->frameGeometry().center() - window.frameGeometry().center()); };
        QVERIFY2(offset().manhattanLength() <= 2,
                 qPrintable(QString("%1, %2").arg(offset().x()).arg(offset().y())));
        QVERIFY2(box->width() >= 420, qPrintable(QString::number(box->width())));
        window.setGeometry(100, 60, 1100, 760);
        QTRY_VERIFY2(offset().manhattanLength() <= 2, "after the window grew");
        QApplication::closeAllWindows();
        QTRY_VERIFY(response == DialogResponse::no);
    }

    // One line up to 14 characters is narrow, up to 24 middle, longer wide; two lines are taller.
    void panelSize_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("size");
        QTest::newRow("14 characters") << QString(14, 'a') << QSize(260, 60);
        QTest::newRow("15 characters") << QString(15, 'a') << QSize(365, 60);
        QTest::newRow("25 characters") << QString(25, 'a') << QSize(470, 60);
        QTest::newRow("two lines, longer 20") << QString(12, 'b') + "\n" + QString(20, 'c') << QSize(365, 80);
        QTest::newRow("Japanese, 9 characters") << QStringLiteral("処理をしています。") << QSize(260, 60);
    }
    void panelSize() {
        QFETCH(QString, message);
        QFETCH(QSize, size);
        QCOMPARE(ProgressPanel::sizeFor(message), size);
    }

    // Copies are named after the last downloads: before any, a picture is shown but not kept. The
    // catalogue's copy is read up to a bound (a device put in its place must not be read forever).
    void localCopies() {
        QVERIFY(NetworkInterface::focusLimitImagePath().isEmpty());
        QTemporaryDir library;
        const LensFileStore store{FileIO(library.path())};
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && BuiltInPictures::arrow().save(&buffer, "PNG"));
        {
            LogCapture log;
            QVERIFY(!store.picture(NetworkFileType::focusLimitImage, png).isNull());
            QCOMPARE(log.lines(), QStringList());
        }
        NetworkInterface network(*DownloadHost::fromUrl("http://127.0.0.1:1"));
        network.downloadLensModelsInfo("A036", "E0");
        QVERIFY(store.storeCatalogue(QByteArray(ModelInfoParser::maxCatalogueBytes, 'x')));
        QCOMPARE(store.storedCatalogue().value_or(QByteArray()).size(),
                 qsizetype(ModelInfoParser::maxCatalogueBytes));
        QVERIFY(store.storeCatalogue(QByteArray(ModelInfoParser::maxCatalogueBytes + 1, 'x')));
        QVERIFY(!store.storedCatalogue());
    }

    // Every text of the program and of the demo has a translation and calls the device the dock; the
    // demo's keys hide no other.
    void everyTextHasATranslation() {
        const QString folder = QStringLiteral(LENSDOCK_TS_DIR "/");
        const QStringList ids = TextCatalogue::idsIn(folder + "lensdock_en.ts");
        const QStringList others = ids + TextCatalogue::idsIn(folder + "lensdock_lens_en.ts") +
                                   TextCatalogue::idsIn(folder + "lensdock_tabs_en.ts");
        const QStringList demoKeys = TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_DEMO_SOURCE_DIR));
        QVERIFY(ids.size() > 90 && demoKeys.contains("demoAppName"));
        for (const QString language : {"en", "ja"}) {
            QTranslator program, demo;
            QVERIFY(program.load("lensdock_" + language, ":/i18n"));
            QVERIFY(demo.load("lensdock_demo_" + language, ":/i18n/demo"));
            // One name for the device in every text: the dock.
            const QString otherName = language == "en" ? "adapter" : QStringLiteral("アダプター");
            for (const QString& id : ids) {
                const QString text = program.translate(nullptr, qPrintable(id));
                QVERIFY2(!text.isEmpty() && !text.contains(otherName, Qt::CaseInsensitive),
                         qPrintable(language + ": " + id));
            }
            for (const QString& key : demoKeys) {
                const QString text = demo.translate(nullptr, qPrintable(key));
                QVERIFY2(!text.isEmpty() && !others.contains(key) &&
                             !text.contains(otherName, Qt::CaseInsensitive),
                         qPrintable(language + ": " + key));
            }
        }
    }

    // Runs last: installed translators stay for the rest of the program.
    void theLocaleChoosesTheLanguageOverEnglish_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QString>("yes");
        // Qt's own button text, from the system's Qt translations (qt6-translations-l10n).
        QTest::addColumn<QString>("cancel");
        QTest::newRow("German: English") << QLocale(QLocale::German) << QStringList{"en"} << "Yes"
                                         << "Cancel";
        QTest::newRow("Japanese on top") << QLocale(QLocale::Japanese) << QStringList{"en", "ja"}
                                         << QStringLiteral("はい") << QStringLiteral("キャンセル");
    }
    void theLocaleChoosesTheLanguageOverEnglish() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, loaded);
        QFETCH(QString, yes);
        QFETCH(QString, cancel);
        QCOMPARE(Translations::install(*qApp, locale), loaded);
        QCOMPARE(qtTrId("dialogBtnYes"), yes);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    }
};

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
