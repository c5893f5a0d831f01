#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "LogCapture.h"
#include "ui/ConnectScreen.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/ProgressPanel.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QDir>
#include <QLabel>
#include <QPointer>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString applyCaution = QStringLiteral("Apply the settings");
const QString lensRemoved = QStringLiteral("Lens removed");
const QString adapterLost = QStringLiteral("Adapter not found");
const QString overCurrent = QStringLiteral("Over-current");
const QString lensOffer = QStringLiteral("Lens update available");
const QString lensCaution = QStringLiteral("Update the lens");
const QString lensCurrent = QStringLiteral("Lens firmware is current");
const QString noCatalogue = QStringLiteral("Lens information unavailable");
const QString updated = QStringLiteral("Update complete");

QString decline(const ModalAnswerer::Seen& seen) {
    return seen.buttonIds.first();
}

bool backAtTheConnectScreen(LensFixture& f) {
    return QTest::qWaitFor(
        [&f] { return !f.shell->connected() && qobject_cast<ConnectScreen*>(f.window->content()); }, boundMs);
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 5 + 1) & 0xFF);
    return data;
}
} // namespace

class TestLensConnection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void showsWhoTheLensIs() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensInfoPanel* panel = f.screen()->infoPanel();
        QCOMPARE(panel->txtLensName()->text(), QStringLiteral("Test Zoom 28-300"));
        QCOMPARE(panel->txtModelName()->text(), QStringLiteral("A036"));
        QCOMPARE(panel->txtMountName()->text(), QStringLiteral("Canon"));
        QTRY_COMPARE(f.screen()->firmwareVersionLabel()->text(), QStringLiteral("Version 1"));
        QCOMPARE(f.screen()->applyButton()->text(), QStringLiteral("Apply"));
        QVERIFY(f.answerer->seen().isEmpty());
    }

    void aLostDeviceReturnsToTheConnectScreen_data() {
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<int>("waitsIn");
        QTest::newRow("adapter unplugged") << true << int(ApplicationState::searchingAdapter);
        QTest::newRow("lens taken off") << false << int(ApplicationState::waitingForLens);
    }
    void aLostDeviceReturnsToTheConnectScreen() {
        QFETCH(bool, unplug);
        QFETCH(int, waitsIn);
        LensFixture f;
        QVERIFY(f.launchConnected());
        if (unplug)
            f.dock->unplug();
        else
            f.dock->unmountLens();
        QVERIFY(backAtTheConnectScreen(f));
        QTRY_COMPARE_WITH_TIMEOUT(int(f.thread().appState()), waitsIn, boundMs);
        QVERIFY(f.answerer->seen().isEmpty());
    }

    // The device goes while the user reads the caution: the answer finds the loss and reports it.
    void aLossDuringACommandIsReportedWhenAnswered_data() {
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<QString>("report");
        QTest::newRow("adapter") << true << adapterLost;
        QTest::newRow("lens") << false << lensRemoved;
    }
    void aLossDuringACommandIsReportedWhenAnswered() {
        QFETCH(bool, unplug);
        QFETCH(QString, report);
        LensFixture f;
        bool lossNoticed = false;
        QVERIFY(f.launchConnected([&f, unplug, &lossNoticed](const ModalAnswerer::Seen& seen) {
            if (seen.title == applyCaution) {
                if (unplug)
                    f.dock->unplug();
                else
                    f.dock->unmountLens();
                lossNoticed =
                    QTest::qWaitFor([&f] { return f.thread().deviceLoss() != DeviceLoss::none; }, boundMs);
            }
            return seen.buttonIds.last();
        }));
        const QByteArray before = f.dock->snapshot().adjustBytes;
        QPointer<LensScreen> screen = f.screen();
        f.click(screen->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, report}), boundMs);
        QVERIFY(lossNoticed);
        QVERIFY(backAtTheConnectScreen(f));
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(f.dock->snapshot().adjustBytes, before);
    }

    void overCurrentRefusesTheLensUntilItIsTakenOff() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        f.dock->setOverCurrent(true);
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), QStringList{overCurrent}, boundMs);
        QVERIFY(backAtTheConnectScreen(f));
        QVERIFY(f.thread().awaitLensRemoval());
        QTest::qWait(200);
        QCOMPARE(f.countOf(overCurrent), 1);
    }

    void theUpdateIsOfferedAtFirstAppearanceOnlyFromTheHost() {
        LensFixture f;
        QVERIFY(f.launchConnected(decline, QStringLiteral("0200")));
        QCOMPARE(f.answerer->titles(), QStringList{lensOffer});
        QCOMPARE(f.answerer->seen().first().buttonIds, (QStringList{"dialogBtnNo", "dialogBtnYes"}));
        QVERIFY(!f.screen()->updateWindow());
        // Offline, the same catalogue comes from the local copy: no offer.
        f.stop();
        QVERIFY(f.startDock());
        f.launch(GuiFixture::unreachableHost(), decline);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.context->lensModelsInfoSource().load(), LensModelsInfoSource::localCopy);
        QCOMPARE(f.countOf(lensOffer), 0);
    }

    void theFirmwareCheck_data() {
        QTest::addColumn<QString>("served"); // the lens catalogue's version at the check, or what is wrong
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("current") << "0100" << QStringList{lensCurrent};
        QTest::newRow("newer, declined") << "0200" << QStringList{lensCaution};
        QTest::newRow("catalogue unreadable") << "garbage" << QStringList{noCatalogue};
        QTest::newRow("catalogue missing") << "missing" << QStringList{noCatalogue};
    }
    void theFirmwareCheck() {
        QFETCH(QString, served);
        QFETCH(QStringList, titles);
        LensFixture f;
        QVERIFY(f.launchConnected(decline));
        if (served == "garbage")
            f.host.put(f.lensCataloguePath(), "<lensinfo>not a catalogue</lensinfo>");
        else if (served == "missing")
            QVERIFY(QFile::remove(f.host.rootPath() + '/' + f.lensCataloguePath()));
        else
            f.serveLensCatalogue(served);
        f.click(f.screen()->updateButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), titles, boundMs);
        QVERIFY(f.waitIdle());
        QVERIFY(f.screen()->flow().isConnectView());
        QVERIFY(!f.screen()->updateWindow());
        QVERIFY(!f.screen()->progressPanel()->isVisible());
        // What the host served is kept as the local copy.
        QFile copy(f.libraryFolder + "/Varnet/lens/lensinfo_A036E0.xml");
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll().contains("not a catalogue"), served == "garbage");
    }

    // The end of a lens update as the update window reports it: its alert, and where the thread goes
    // once the alert is closed.
    void updateResultsAreReported_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("adapterLost");
        QTest::addColumn<QString>("logged");
        QTest::newRow("done") << rawValue(FwErrorCode::resultOk) << "The firmware has been updated." << false
                              << "";
        QTest::newRow("network")
            << rawValue(FwErrorCode::errorNetwork)
            << "The firmware could not be updated.\nThe download server could not be reached." << false << "";
        QTest::newRow("version") << rawValue(FwErrorCode::errorVersion)
                                 << "The firmware could not be updated." << false
                                 << "[Main] Update Error Code : 7";
        QTest::newRow("adapter removed")
            << rawValue(FwErrorCode::errorUsbSerialRemoved)
            << "The firmware could not be updated.\nThe firmware could not be sent to the device." << true
            << "";
    }
    void updateResultsAreReported() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(bool, adapterLost);
        QFETCH(QString, logged);
        LensFixture f;
        QVERIFY(f.launchConnected());
        LogCapture log;
        f.thread().requestState(ApplicationState::firmwareUpdate);
        QTRY_COMPARE(f.thread().appState(), ApplicationState::firmwareUpdate);
        f.screen()->flow().updateFinished(*fwErrorCodeFromRawValue(code));
        QCOMPARE(f.thread().appNewState(), ApplicationState::holdingLens);
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 1, boundMs);
        QCOMPARE(f.answerer->seen().first().informativeText, text);
        if (!logged.isEmpty())
            QVERIFY(log.contains(logged));
        if (adapterLost) {
            QVERIFY(backAtTheConnectScreen(f));
        } else {
            QVERIFY(f.waitIdle());
            QVERIFY(f.screen()->flow().isConnectView());
        }
    }

    void theLensIsUpdatedThroughTheUpdateWindow() {
        LensFixture f;
        QVERIFY(f.startDock());
        QVERIFY(f.startHost());
        f.serveCatalogues(QStringLiteral("0100"), f.lens());
        f.serveLensCatalogue(QStringLiteral("0200"), decodeKey);
        const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", firmwareData(2000)}}, decodeKey);
        QVERIFY(packed.ok());
        f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed.bytes);
        f.launch(f.host.downloadHost());
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(updated) == 1, boundMs);
        QCOMPARE(f.answerer->titles(), (QStringList{lensOffer, lensCaution, updated}));
        // The questions say from which version to which.
        QVERIFY(f.answerer->seen().at(0).informativeText.endsWith(QStringLiteral("0100 \u2192 0200")));
        QVERIFY(f.answerer->seen().at(1).informativeText.endsWith(QStringLiteral("0100 \u2192 0200")));
        QCOMPARE(f.dock->snapshot().lens.firmwareVersion, QStringLiteral("0200"));
        QVERIFY(f.waitIdle());
        QTRY_COMPARE(f.screen()->firmwareVersionLabel()->text(), QStringLiteral("Version 2"));
        QCOMPARE(f.leftInStore(), QStringList());
    }

    // The dock goes away once the device has acknowledged the last block: the firmware is all there,
    // but nothing confirms it, and the user must hear both.
    void aDeviceGoneAfterTheLastBlockIsReportedAsSentButNotBack_data() {
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QString>("caution");
        QTest::addColumn<QString>("sentTo");
        QTest::newRow("adapter") << true << QStringLiteral("Update the adapter")
                                 << QStringLiteral("sent to the adapter completely");
        QTest::newRow("lens") << false << lensCaution << QStringLiteral("sent to the lens completely");
    }
    void aDeviceGoneAfterTheLastBlockIsReportedAsSentButNotBack() {
        QFETCH(bool, adapter);
        QFETCH(QString, caution);
        QFETCH(QString, sentTo);
        LensFixture f;
        QVERIFY(f.startDock());
        QVERIFY(f.startHost());
        f.serveCatalogues(adapter ? QStringLiteral("0200") : QStringLiteral("0100"), f.lens(),
                          QStringLiteral("E0"), decodeKey);
        f.serveLensCatalogue(adapter ? QStringLiteral("0100") : QStringLiteral("0200"), decodeKey);
        // 3000 bytes: a header block and three data blocks, so block 4 is the last.
        const auto packed =
            FirmwarePacker::pack({{std::uint8_t(adapter ? 0x01 : 0x00), std::uint8_t(adapter ? 0x00 : 0x01),
                                   "0200", firmwareData(3000)}},
                                 decodeKey);
        QVERIFY(packed.ok());
        f.host.put(adapter ? QStringLiteral("zolen/adapter/QB117_0200.vfwf")
                           : QStringLiteral("zolen/lens/A036E0_0200.vfwf"),
                   packed.bytes);
        f.launch(f.host.downloadHost(), [&f, caution](const ModalAnswerer::Seen& seen) {
            if (seen.title == caution)
                f.dock->armFault(FaultKind::unplugAfterBlock, 4);
            return seen.buttonIds.last();
        });
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(QStringLiteral("Update failed")) == 1, boundMs);
        const ModalAnswerer::Seen& report = f.answerer->seen().last();
        QVERIFY2(report.informativeText.contains(sentTo), qPrintable(report.informativeText));
        QVERIFY(report.informativeText.contains(QStringLiteral("did not come back with the new version")));
        QCOMPARE(report.icon, QMessageBox::Critical);
        QVERIFY(f.dock->snapshot().faults.empty()); // the unplug did happen
        QVERIFY(backAtTheConnectScreen(f));
        QCOMPARE(f.countOf(updated), 0);
    }
};

QTEST_MAIN(TestLensConnection)
#include "tst_lensconnection.moc"
