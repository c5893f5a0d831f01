#include "ModalAnswerer.h"
#include "ui/AboutPanel.h"
#include "ui/AlertAsker.h"
#include "ui/AlertDialog.h"
#include "ui/ProgressPanel.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DialogId)
Q_DECLARE_METATYPE(lensdock::DownloadHostSource)

class TestAlerts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(Translations::install(*qApp, QLocale(QLocale::English)), QStringList{"en"});
    }

    void catalogueRow_data() {
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("titleKey");
        QTest::addColumn<QString>("messageKey");
        QTest::addColumn<QString>("reasonKey");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("icon");
        const QStringList cancelOk{"dialogBtnCancel", "dialogBtnOK"};
        const QStringList noYes{"dialogBtnNo", "dialogBtnYes"};
        const QStringList ok{"dialogBtnOK"};
        auto row = [](int raw, const char* name, const QString& title, const QString& message,
                      const QString& reason, const QStringList& buttons, QMessageBox::Icon icon) {
            QTest::newRow(name) << raw << title << message << reason << buttons << int(icon);
        };
        row(0, "customizeCaution", "dialogCustomizeCautionTitle", "dialogCustomizeCautionMessage", "",
            cancelOk, QMessageBox::Warning);
        row(1, "initializeCaution", "dialogInitializeCautionTitle", "dialogInitializeCautionMessage", "",
            cancelOk, QMessageBox::Warning);
        row(2, "setAdjustDataComplete", "dialogSetAdjustDataCompleteTitle",
            "dialogSetAdjustDataCompleteMessage", "", ok, QMessageBox::Information);
        row(3, "setDefaultDataComplete", "dialogSetDefaultDataCompleteTitle",
            "dialogSetDefaultDataCompleteMessage", "", ok, QMessageBox::Information);
        row(4, "updateAdapterConfirm", "dialogUpdateAdapterConfirmTitle", "dialogUpdateAdapterConfirmMessage",
            "", noYes, QMessageBox::Warning);
        row(5, "updateAdapterCaution", "dialogUpdateAdapterCautionTitle", "dialogUpdateAdapterCautionMessage",
            "", cancelOk, QMessageBox::Warning);
        row(6, "updateLensConfirm", "dialogUpdateLensConfirmTitle", "dialogUpdateLensConfirmMessage", "",
            noYes, QMessageBox::Warning);
        row(7, "updateLensCaution", "dialogUpdateLensCautionTitle", "dialogUpdateLensCautionMessage", "",
            cancelOk, QMessageBox::Warning);
        row(8, "updateLensLatest", "dialogUpdateLensLatestTitle", "dialogUpdateLensLatestMessage", "", ok,
            QMessageBox::Information);
        row(9, "updateComplete", "dialogUpdateCompleteTitle", "dialogUpdateCompleteMessage", "", ok,
            QMessageBox::Information);
        row(10, "infoUserInformation", "dialogUserInformationTitle", "dialogUserInformationMessage", "", ok,
            QMessageBox::Information);
        row(11, "adapterConnectError", "dialogAdapterConnectErrorTitle", "dialogAdapterConnectErrorMessage",
            "", ok, QMessageBox::Critical);
        row(12, "lensDisconnectedError", "dialogLensDisconnectedErrorTitle",
            "dialogLensDisconnectedErrorMessage", "", ok, QMessageBox::Critical);
        row(13, "networkConnectError", "dialogNetworkConnectErrorTitle", "dialogNetworkConnectErrorMessage",
            "", ok, QMessageBox::Critical);
        row(14, "overCurrentError", "dialogOverCurrentErrorTitle", "dialogOverCurrentErrorMessage", "", ok,
            QMessageBox::Critical);
        row(15, "lensConnectError", "dialogLensConnectErrorTitle", "dialogLensConnectErrorMessage", "", ok,
            QMessageBox::Critical);
        row(16, "getModelInfoError", "dialogGetModelInfoErrorTitle", "dialogGetModelInfoErrorMessage", "", ok,
            QMessageBox::Critical);
        row(17, "getAdjustError", "dialogGetAdjustDataErrorTitle", "dialogGetAdjustDataErrorMessage", "", ok,
            QMessageBox::Critical);
        row(18, "setAdjustError", "dialogSetAdjustDataErrorTitle", "dialogSetAdjustDataErrorMessage", "", ok,
            QMessageBox::Critical);
        row(19, "setDefaultError", "dialogSetDefaultDataErrorTitle", "dialogSetDefaultDataErrorMessage", "",
            ok, QMessageBox::Critical);
        row(20, "saveAdjustErrorOs", "dialogSaveAdjustDataErrorTitle", "dialogSaveAdjustDataErrorMessage", "",
            ok, QMessageBox::Critical);
        const QString load = "dialogLoadAdjustDataError";
        row(21, "loadAdjustErrorOs", load + "Title", load + "Message", "", ok, QMessageBox::Critical);
        row(22, "loadAdjustErrorFormat", load + "Title", load + "Message", load + "ReasonFormat", ok,
            QMessageBox::Critical);
        row(23, "loadAdjustErrorModel", load + "Title", load + "Message", load + "ReasonModel", ok,
            QMessageBox::Critical);
        row(24, "loadAdjustErrorValue", load + "Title", load + "Message", load + "ReasonValue", ok,
            QMessageBox::Critical);
        const QString update = "dialogUpdateError";
        row(25, "updateError", update + "Title", update + "Message", "", ok, QMessageBox::Critical);
        row(26, "updateErrorNetwork", update + "Title", update + "Message", update + "ReasonNetwork", ok,
            QMessageBox::Critical);
        row(27, "updateErrorDownload", update + "Title", update + "Message", update + "ReasonDownload", ok,
            QMessageBox::Critical);
        row(28, "updateErrorDecode", update + "Title", update + "Message", update + "ReasonDecode", ok,
            QMessageBox::Critical);
        row(29, "updateErrorSend", update + "Title", update + "Message", update + "ReasonSend", ok,
            QMessageBox::Critical);
        row(30, "openLicenseError", "dialogOpenLicenseErrorTitle", "dialogOpenLicenseErrorMessage", "", ok,
            QMessageBox::Critical);
        row(31, "openManualError", "dialogOpenManualErrorTitle", "dialogOpenManualErrorMessage", "", ok,
            QMessageBox::Critical);
        row(32, "adapterInUseError", "dialogAdapterInUseErrorTitle", "dialogAdapterInUseErrorMessage", "", ok,
            QMessageBox::Critical);
        row(33, "backupError", "dialogBackupErrorTitle", "dialogBackupErrorMessage", "", ok,
            QMessageBox::Critical);
        row(34, "restoreSettingsConfirm", "dialogRestoreSettingsConfirmTitle",
            "dialogRestoreSettingsConfirmMessage", "", noYes, QMessageBox::Warning);
        row(35, "profileSaveError", "dialogProfileSaveErrorTitle", "dialogProfileSaveErrorMessage", "", ok,
            QMessageBox::Critical);
        row(36, "updateErrorAdapterNotBack", update + "Title", "dialogUpdateAdapterNotBackMessage", "", ok,
            QMessageBox::Critical);
        row(37, "updateErrorLensNotBack", update + "Title", "dialogUpdateLensNotBackMessage", "", ok,
            QMessageBox::Critical);
        row(38, "loadAdjustErrorMissing", load + "Title", load + "Message", load + "ReasonMissing", ok,
            QMessageBox::Critical);
        row(39, "loadAdjustErrorDenied", load + "Title", load + "Message", load + "ReasonDenied", ok,
            QMessageBox::Critical);
        const QString save = "dialogSaveAdjustDataError";
        row(40, "saveAdjustErrorNoFolder", save + "Title", save + "Message", save + "ReasonNoFolder", ok,
            QMessageBox::Critical);
        row(41, "saveAdjustErrorDenied", save + "Title", save + "Message", save + "ReasonDenied", ok,
            QMessageBox::Critical);
        row(42, "saveAdjustErrorWrite", save + "Title", save + "Message", save + "ReasonWrite", ok,
            QMessageBox::Critical);
        row(43, "adapterNoAccessError", "dialogAdapterNoAccessErrorTitle",
            "dialogAdapterNoAccessErrorMessage", "", ok, QMessageBox::Critical);
        row(44, "discardChangesConfirm", "dialogDiscardChangesConfirmTitle",
            "dialogDiscardChangesConfirmMessage", "", {"dialogBtnCancel", "dialogBtnDiscard"},
            QMessageBox::Warning);
        row(45, "restoreEditsConfirm", "dialogRestoreEditsConfirmTitle", "dialogRestoreEditsConfirmMessage",
            "", noYes, QMessageBox::Warning);
    }
    void catalogueRow() {
        QFETCH(int, raw);
        QFETCH(QString, titleKey);
        QFETCH(QString, messageKey);
        QFETCH(QString, reasonKey);
        QFETCH(QStringList, buttons);
        QFETCH(int, icon);
        const auto box = AlertDialog::build(static_cast<DialogId>(raw));
        const QString title = qtTrId(qPrintable(titleKey));
        QVERIFY2(title != titleKey, "the title has an English text");
        QCOMPARE(box->text(), title);
        QString informative = qtTrId(qPrintable(messageKey));
        QVERIFY(informative != messageKey);
        if (!reasonKey.isEmpty())
            informative += "\n" + qtTrId(qPrintable(reasonKey));
        QCOMPARE(box->informativeText(), informative);
        QCOMPARE(int(box->icon()), icon);
        QCOMPARE(box->property("buttonIds").toStringList(), buttons);
        QCOMPARE(box->buttons().size(), buttons.size());
        for (const QString& id : buttons) {
            auto* button = box->findChild<QPushButton*>(id);
            QVERIFY(button);
            QCOMPARE(button->text(), qtTrId(qPrintable(id)));
        }
    }

    // Enter or a stray click never starts what cannot be undone; a plain question defaults to going on.
    void defaultButtons_data() {
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("defaultId");
        QTest::newRow("factory restore") << int(DialogId::initializeCaution) << "dialogBtnCancel";
        QTest::newRow("adapter update") << int(DialogId::updateAdapterCaution) << "dialogBtnCancel";
        QTest::newRow("lens update") << int(DialogId::updateLensCaution) << "dialogBtnCancel";
        QTest::newRow("apply") << int(DialogId::customizeCaution) << "dialogBtnOK";
        QTest::newRow("lens update offer") << int(DialogId::updateLensConfirm) << "dialogBtnYes";
    }
    void defaultButtons() {
        QFETCH(int, raw);
        QFETCH(QString, defaultId);
        const auto box = AlertDialog::build(static_cast<DialogId>(raw));
        QVERIFY(box->defaultButton());
        QCOMPARE(box->defaultButton()->objectName(), defaultId);
    }

    void extraTextGoesOnItsOwnLine() {
        const auto box = AlertDialog::build(DialogId::loadAdjustErrorModel, "settings.vlad");
        QCOMPARE(box->informativeText(), QStringLiteral("The settings file could not be opened.\n"
                                                        "The file belongs to another lens model.\n"
                                                        "settings.vlad"));
    }

    // Over a window away from the screen's corner, of either size: the box's centre is the window's.
    void alertsOpenCentredOnTheWindowAndWide_data() {
        QTest::addColumn<QRect>("windowGeometry");
        QTest::newRow("small window") << QRect(40, 30, 500, 380);
        QTest::newRow("large window") << QRect(100, 60, 1100, 760);
    }
    void alertsOpenCentredOnTheWindowAndWide() {
        QFETCH(QRect, windowGeometry);
        QWidget window;
        window.setGeometry(windowGeometry);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        AlertAsker asker(&window);
        asker.tell(DialogId::updateComplete);
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QTRY_VERIFY(box->isVisible());
        const QPoint offset = box->frameGeometry().center() - window.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1, %2").arg(offset.x()).arg(offset.y())));
        QVERIFY2(box->width() >= 420, qPrintable(QString::number(box->width())));
        // The window grows into another screen while the box is open: the box follows its centre.
        window.setGeometry(windowGeometry.adjusted(0, 0, 240, 120));
        QTRY_VERIFY2((box->frameGeometry().center() - window.frameGeometry().center()).manhattanLength() <= 2,
                     "after the window grew");
        box->close();
    }

    // Japanese has no spaces: the box keeps its lines long and breaks them where the language allows,
    // never at a width so narrow that every line holds a few characters.
    void aLongJapaneseSentenceWrapsInWholeLines() {
        const QString sentence = QStringLiteral("アップデートが終わるまでレンズやアダプターを取り外したり、プ"
                                                "ログラムを終了したりしないでください。"
                                                "設定はレンズに書き込まれ、次に変更するまで保持されます。");
        const auto box = AlertDialog::build(DialogId::updateLensCaution, sentence);
        box->show();
        auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        QVERIFY(label);
        QVERIFY(label->wordWrap());
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY2(label->width() >= 380, qPrintable(QString::number(label->width())));
        QVERIFY2(box->width() >= 420, qPrintable(QString::number(box->width())));
        // Wrapped, not widened to one line past the screen.
        const int oneLine = label->fontMetrics().height();
        QVERIFY(label->heightForWidth(label->width()) > 2 * oneLine);
        QVERIFY(box->width() <= 800);
    }

    // A path is shown as written, never read as markup.
    void extraTextIsPlainText() {
        const auto box = AlertDialog::build(DialogId::loadAdjustErrorMissing, "/tmp/<b>odd</b>.vlad");
        auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->text().endsWith("/tmp/<b>odd</b>.vlad"));
    }

    void answers_data() {
        QTest::addColumn<DialogId>("kind");
        QTest::addColumn<int>("buttonIndex");
        QTest::addColumn<bool>("yes");
        QTest::newRow("initializeCaution Cancel") << DialogId::initializeCaution << 0 << false;
        QTest::newRow("initializeCaution OK") << DialogId::initializeCaution << 1 << true;
        QTest::newRow("updateAdapterConfirm No") << DialogId::updateAdapterConfirm << 0 << false;
        QTest::newRow("updateAdapterConfirm Yes") << DialogId::updateAdapterConfirm << 1 << true;
        QTest::newRow("one button, critical") << DialogId::adapterConnectError << 0 << true;
        QTest::newRow("one button, warning") << DialogId::updateComplete << 0 << true;
    }
    void answers() {
        QFETCH(DialogId, kind);
        QFETCH(int, buttonIndex);
        QFETCH(bool, yes);
        ModalAnswerer answerer(
            [buttonIndex](const ModalAnswerer::Seen& seen) { return seen.buttonIds[buttonIndex]; });
        AlertAsker asker(nullptr);
        std::optional<DialogResponse> response;
        asker.ask(kind, QString(), [&](DialogResponse answer) { response = answer; });
        QTRY_VERIFY(response.has_value());
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(*response, yes ? DialogResponse::yes : DialogResponse::no);
    }

    // Quitting closes every window: a question closed that way must not count as agreed.
    void aQuestionClosedUnansweredIsDeclined() {
        AlertAsker asker(nullptr);
        std::optional<DialogResponse> response;
        asker.ask(DialogId::updateLensConfirm, QString(), [&](DialogResponse answer) { response = answer; });
        QTRY_VERIFY(QApplication::activeModalWidget());
        QApplication::closeAllWindows();
        QTRY_VERIFY(response.has_value());
        QCOMPARE(*response, DialogResponse::no);
    }

    void panelSize_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("size");
        QTest::newRow("14 characters") << QString(14, 'a') << QSize(260, 60);
        QTest::newRow("15 characters") << QString(15, 'a') << QSize(365, 60);
        QTest::newRow("24 characters") << QString(24, 'a') << QSize(365, 60);
        QTest::newRow("25 characters") << QString(25, 'a') << QSize(470, 60);
        QTest::newRow("two lines, longer 20") << QString(12, 'b') + "\n" + QString(20, 'c') << QSize(365, 80);
        QTest::newRow("two lines, longer 14") << QString(14, 'b') + "\n" + QString(3, 'c') << QSize(260, 80);
        QTest::newRow("Japanese, 9 characters") << QStringLiteral("処理をしています。") << QSize(260, 60);
    }
    void panelSize() {
        QFETCH(QString, message);
        QFETCH(QSize, size);
        QCOMPARE(ProgressPanel::sizeFor(message), size);
    }

    void panelWithoutIdUsesTheProcessingTexts() {
        ProgressPanel panel;
        panel.show();
        QCOMPARE(panel.windowTitle(), QStringLiteral("Processing"));
        QCOMPARE(panel.message(), QStringLiteral("Processing, please wait."));
        // 24 characters, one line.
        QCOMPARE(panel.size(), QSize(365, 60));
    }

    void panelWithIdUsesItsTexts() {
        ProgressPanel panel;
        panel.setDialogId(DialogViewId::setDefaultData);
        panel.show();
        QCOMPARE(panel.windowTitle(), QStringLiteral("Restoring factory settings"));
        QCOMPARE(panel.message(), QStringLiteral("Restoring the factory settings\nof the lens."));
        QCOMPARE(panel.size(), QSize(470, 80));
        panel.closeFromAnyThread();
        QTRY_VERIFY(!panel.isVisible());
    }

    void aboutShowsTheBuildVersion() {
        AlertAsker alerts(nullptr);
        AboutPanel panel(alerts, {});
        QCOMPARE(panel.findChild<QLabel*>("txtAppVersion")->text(), "Version " LENSDOCK_EXPECTED_VERSION);
    }

    void aboutNamesTheDownloadHostAndWhereItWasSet_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<DownloadHostSource>("source");
        QTest::addColumn<QString>("text");
        QTest::newRow("built in") << "https://mirror.test" << DownloadHostSource::builtIn
                                  << "Download host: https://mirror.test (built-in default)";
        QTest::newRow("option") << "file:///srv/kit" << DownloadHostSource::commandLine
                                << "Download host: file:///srv/kit (set with --download-url)";
        QTest::newRow("environment")
            << "http://127.0.0.1:8080" << DownloadHostSource::environment
            << "Download host: http://127.0.0.1:8080 (set by the environment variable LENSDOCK_DOWNLOAD_URL)";
    }
    void aboutNamesTheDownloadHostAndWhereItWasSet() {
        QFETCH(QString, url);
        QFETCH(DownloadHostSource, source);
        QFETCH(QString, text);
        AlertAsker alerts(nullptr);
        AboutPanel panel(alerts, {});
        panel.setDownloadHost(*DownloadHost::fromUrl(url), source);
        QCOMPARE(panel.findChild<QLabel*>("txtDownloadHost")->text(), text);
    }

    void missingLicenceGivesOpenLicenseError() {
        QTemporaryDir empty;
        AlertAsker alerts(nullptr);
        bool opened = false;
        AboutPanel panel(alerts, {empty.path()}, [&](const QUrl&) { return opened = true; });
        ModalAnswerer answerer(ModalAnswerer::confirm);
        QTest::mouseClick(panel.findChild<QPushButton*>("btnLicense"), Qt::LeftButton);
        QVERIFY(!opened);
        QTRY_COMPARE(answerer.titles(), QStringList{"Licence agreement unavailable"});
    }

    void licenceIsOpenedFromTheDocumentFolder() {
        QTemporaryDir folder;
        QFile file(folder.filePath("license.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("terms");
        file.close();
        AlertAsker alerts(nullptr);
        QUrl opened;
        AboutPanel panel(alerts, {folder.path() + "/missing", folder.path()}, [&](const QUrl& url) {
            opened = url;
            return true;
        });
        ModalAnswerer answerer(ModalAnswerer::confirm);
        QTest::mouseClick(panel.findChild<QPushButton*>("btnLicense"), Qt::LeftButton);
        QCOMPARE(opened, QUrl::fromLocalFile(folder.filePath("license.txt")));
        QVERIFY(answerer.seen().isEmpty());
    }
};

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
