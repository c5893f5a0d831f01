#include "GuiFixture.h"
#include "IdentityEncoder.h"
#include "link/PortHolder.h"
#include "LogCapture.h"
#include "online/FirmwareVersionCheck.h"
#include "session/ConnectFlow.h"
#include "ui/AlertAsker.h"
#include "ui/BuiltInPictures.h"
#include "ui/ConnectScreen.h"
#include "ui/ConnectStep.h"
#include "ui/lens/LensScreen.h"
#include "ui/Translations.h"

#include <algorithm>
#include <QDir>
#include <QLabel>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::FwErrorCode)
Q_DECLARE_METATYPE(lensdock::ApplicationState)

namespace {
constexpr int connectBoundMs = 20000;
const QString adapterNotFound = QStringLiteral("Adapter not found");
const QString networkError = QStringLiteral("Network error");
const QString modelInfoError = QStringLiteral("Lens information unavailable");
const QString updateOfferTitle = QStringLiteral("Adapter update available");

// Brings the course to the lens's downloads: it takes the identity the lens reports.
void identifyTheLens(GuiFixture& gui, ConnectFlow& flow) {
    gui.context->connectionThread().requestState(ApplicationState::lensConnected);
    flow.listen();
    CommDataFormat identity;
    identity.setPayload(*IdentityEncoder::lensPayload(DockProfile::zoomLens().lens));
    flow.exchange(ApplicationState::lensConnected, ExchangeResult::success, identity);
}

QRgb colourOf(const QImage& image) {
    return image.isNull() ? 0 : image.pixel(0, 0) | 0xff000000u;
}

// The connect course without a window, its alerts answered by the fixture.
struct FlowUnderTest {
    AlertAsker asker{nullptr};
    ConnectFlow flow;
    explicit FlowUnderTest(GuiFixture& gui)
        : flow(*gui.context, asker, ConnectScreen::policyOf(gui.connectOptions()),
               FileIO(gui.libraryFolder)) {}
};

// A dock whose device node this user may not open.
struct RefusingProvider : SerialPortProvider {
    static inline const QString path = QStringLiteral("/dev/ttyACM-lensdock-test");
    QString findPortPath() override { return path; }
    std::unique_ptr<SerialPort> openPort(const QString&, SerialPort::Callbacks) override { return nullptr; }
    PortRefusal lastRefusal() const override { return {PortRefusal::Reason::noAccess, path, {}}; }
};

bool sameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}
} // namespace

class TestConnectScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void launchWithoutAdapterEndsAfterOneAlert() {
        GuiFixture gui;
        gui.launch(GuiFixture::unreachableHost(), ModalAnswerer::confirm, gui.dir.filePath("no-such-port"));
        QVERIFY(QTest::qWaitFor([&] { return gui.endCount > 0; }, connectBoundMs));
        QCOMPARE(gui.answerer->titles(), QStringList{adapterNotFound});
        QCOMPARE(gui.exitCode.load(), 0);
        QTest::qWait(50);
        QCOMPARE(gui.endCount.load(), 1);
        QVERIFY(!gui.context->channel().isPortOpen());
    }

    // A folder laid out like the host (an update kit) serves the same, with no server running.
    void connectsWithTheCatalogueFromTheHost_data() {
        QTest::addColumn<bool>("fromFolder");
        QTest::newRow("host") << false;
        QTest::newRow("kit folder") << true;
    }
    void connectsWithTheCatalogueFromTheHost() {
        QFETCH(bool, fromFolder);
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QVERIFY(fromFolder || gui.startHost());
        gui.serveCatalogues("0100", gui.dockOptions.profile.lens);
        gui.launch(fromFolder ? *DownloadHost::fromUrl(QUrl::fromLocalFile(gui.host.rootPath()).toString())
                              : gui.host.downloadHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        QVERIFY(gui.answerer->seen().isEmpty());
        QCOMPARE(gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::downloadHost);
        QCOMPARE(gui.context->lensModelInfo().get().lensName, QStringLiteral("Test Zoom 28-300"));
        QCOMPARE(gui.context->adapterModelInfo().get().latestVersion, QStringLiteral("0100"));
        QCOMPARE(gui.context->lensInfo().get(), gui.dockOptions.profile.lens);
        QCOMPARE(colourOf(gui.shell->pictures().lensImage.get()), qRgb(255, 0, 0));
        QCOMPARE(colourOf(gui.shell->pictures().focusAdjustmentImage.get()), qRgb(0, 255, 0));
        QCOMPARE(colourOf(gui.shell->pictures().focusLimitImage.get()), qRgb(0, 0, 255));
        QTRY_VERIFY(qobject_cast<LensScreen*>(gui.window->content()));
        const QDir lensFolder(gui.libraryFolder + "/Varnet/lens");
        for (const char* name : {"lensinfo_A036E0.xml", "lensimage_A036E0.png", "focusadjustment_A036.png",
                                 "focuslimit_A036.png"})
            QVERIFY2(lensFolder.exists(name), name);
        QVERIFY(gui.action("menuFocusLimit")->isEnabled());
    }

    void quitReleasesTheLensBeforeTheEnd() {
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0100", gui.dockOptions.profile.lens);
        gui.launch(gui.host.downloadHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        QTRY_VERIFY(gui.dock->snapshot().lensConnected);
        QVERIFY(gui.quit());
        QCOMPARE(gui.exitCode.load(), 0);
        QVERIFY(!gui.dock->snapshot().lensConnected);
        QVERIFY(!gui.context->channel().isPortOpen());
    }

    void menusFollowConnected() {
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0100", gui.dockOptions.profile.lens);
        gui.launch(gui.host.downloadHost());
        for (const char* name : {"menuOpen", "menuSaveAs", "menuFactory", "menuFocusAdjustment"})
            QVERIFY2(!gui.action(name)->isEnabled(), name);
        QVERIFY(gui.action("menuHelpItemAbout")->isEnabled());
        QVERIFY(gui.action("menuQuit")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        for (const char* name : {"menuOpen", "menuSaveAs", "menuFactory", "menuFocusAdjustment"})
            QVERIFY2(gui.action(name)->isEnabled(), name);
    }

    void offlineWithLocalCopiesConnectsFromThem() {
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0100", gui.dockOptions.profile.lens);
        gui.launch(gui.host.downloadHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        gui.stop();
        QVERIFY(gui.startDock());
        gui.launch(GuiFixture::unreachableHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        QCOMPARE(gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::localCopy);
        QCOMPARE(gui.answerer->titles(), QStringList{networkError});
        QCOMPARE(gui.context->lensModelInfo().get().lensName, QStringLiteral("Test Zoom 28-300"));
        QCOMPARE(colourOf(gui.shell->pictures().lensImage.get()), qRgb(255, 0, 0));
        QCOMPARE(colourOf(gui.shell->pictures().focusLimitImage.get()), qRgb(0, 0, 255));
    }

    void offlineWithoutCopiesRefusesTheLens() {
        GuiFixture gui;
        QVERIFY(gui.startDock());
        gui.launch(GuiFixture::unreachableHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.countOf(modelInfoError) == 1, connectBoundMs);
        QCOMPARE(gui.answerer->titles(), (QStringList{networkError, modelInfoError}));
        QVERIFY(!gui.shell->connected());
        QVERIFY(gui.context->connectionThread().awaitLensRemoval());
        QCOMPARE(gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::unavailable);
        QVERIFY(sameImage(gui.shell->pictures().lensImage.get(), BuiltInPictures::lensImage()));
        QVERIFY(
            sameImage(gui.shell->pictures().focusAdjustmentImage.get(), BuiltInPictures::focusAdjustment()));
        QVERIFY(sameImage(gui.shell->pictures().focusLimitImage.get(), BuiltInPictures::focusLimit()));
        QTest::qWait(200);
        QCOMPARE(gui.countOf(modelInfoError), 1);
    }

    void adapterUpdateOffer_data() {
        QTest::addColumn<QString>("adapterVersion");
        QTest::addColumn<QString>("catalogueVersion");
        QTest::addColumn<int>("offersAtLaunch");
        QTest::addColumn<int>("offersAfterReconnection");
        QTest::newRow("older: at launch only") << "0102"
                                               << "0200" << 1 << 1;
        QTest::newRow("no valid firmware: every time") << "ffff"
                                                       << "0200" << 1 << 2;
        QTest::newRow("current: never") << "0200"
                                        << "0200" << 0 << 0;
    }
    void adapterUpdateOffer() {
        QFETCH(QString, adapterVersion);
        QFETCH(QString, catalogueVersion);
        QFETCH(int, offersAtLaunch);
        QFETCH(int, offersAfterReconnection);
        DockProfile profile = DockProfile::zoomLens();
        profile.adapter.fwVersion = adapterVersion;
        GuiFixture gui(profile);
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues(catalogueVersion, profile.lens);
        // Declines every offered update.
        gui.launch(gui.host.downloadHost(),
                   [](const ModalAnswerer::Seen& seen) { return seen.buttonIds.first(); });
        QSignalSpy connections(gui.shell.get(), &AppShell::connectedChanged);
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        QCOMPARE(gui.countOf(updateOfferTitle), offersAtLaunch);
        gui.dock->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!gui.shell->connected(), connectBoundMs);
        gui.dock->replug();
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), connectBoundMs);
        QCOMPARE(connections.count(), 3);
        QCOMPARE(gui.countOf(updateOfferTitle), offersAfterReconnection);
        QCOMPARE(gui.answerer->seen().size(), offersAfterReconnection);
    }

    void adapterRule_data() {
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("atLaunch");
        QTest::addColumn<bool>("offered");
        QTest::newRow("older at launch") << "0102"
                                         << "0200" << true << true;
        QTest::newRow("older after reconnection") << "0102"
                                                  << "0200" << false << false;
        QTest::newRow("only two digits count") << "0109"
                                               << "0150" << true << false;
        QTest::newRow("ff at launch") << "ffff"
                                      << "0200" << true << true;
        QTest::newRow("ff after reconnection") << "ff00"
                                               << "0200" << false << true;
        QTest::newRow("ff but short catalogue") << "ffff"
                                                << "020" << false << false;
        QTest::newRow("short adapter") << "012"
                                       << "0200" << true << false;
        QTest::newRow("not a number") << "x102"
                                      << "0200" << true << false;
        QTest::newRow("newer adapter") << "0300"
                                       << "0200" << true << false;
        QTest::newRow("multi-byte character") << QString::fromUtf8("0\xc3\xa9") + "1"
                                              << "0200" << true << false;
    }
    void adapterRule() {
        QFETCH(QString, adapter);
        QFETCH(QString, latest);
        QFETCH(bool, atLaunch);
        QFETCH(bool, offered);
        QCOMPARE(isAdapterUpdateOffered(adapter, latest, atLaunch), offered);
    }

    void updateResultAlertAndFollowUp_data() {
        QTest::addColumn<FwErrorCode>("code");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("reason"); // last line of the informative text
        QTest::addColumn<bool>("logsCode");
        QTest::addColumn<ApplicationState>("next");
        const QString failed = "Update failed";
        const auto waiting = ApplicationState::waitingForLens;
        QTest::newRow("ok") << FwErrorCode::resultOk << "Update complete"
                            << "The firmware has been updated." << false << waiting;
        QTest::newRow("network") << FwErrorCode::errorNetwork << failed
                                 << "The download server could not be reached." << false << waiting;
        QTest::newRow("download") << FwErrorCode::errorDownload << failed
                                  << "The firmware file could not be downloaded." << false << waiting;
        QTest::newRow("send") << FwErrorCode::errorUsbSerialFailed << failed
                              << "The firmware could not be sent to the device." << false << waiting;
        QTest::newRow("removed") << FwErrorCode::errorUsbSerialRemoved << failed
                                 << "The firmware could not be sent to the device." << false
                                 << ApplicationState::searchingAdapter;
        for (auto code : {FwErrorCode::errorInvalidKey, FwErrorCode::errorInvalidFile, FwErrorCode::errorCrc})
            QTest::newRow(qPrintable(QString("decode %1").arg(rawValue(code))))
                << code << failed << "The firmware file is damaged." << false << waiting;
        for (auto code :
             {FwErrorCode::errorInput, FwErrorCode::errorWaitResetFailed, FwErrorCode::errorVersion})
            QTest::newRow(qPrintable(QString("other %1").arg(rawValue(code))))
                << code << failed << "The firmware could not be updated." << true << waiting;
    }
    void updateResultAlertAndFollowUp() {
        QFETCH(FwErrorCode, code);
        QFETCH(QString, title);
        QFETCH(QString, reason);
        QFETCH(bool, logsCode);
        QFETCH(ApplicationState, next);
        GuiFixture gui;
        gui.launchWithoutWindow();
        FlowUnderTest course(gui);
        course.flow.listen();
        LogCapture log;
        course.flow.updateFinished(code);
        // The thread is held at once; the alert comes later, without blocking the caller.
        QCOMPARE(gui.context->connectionThread().appNewState(), ApplicationState::holdingAdapter);
        QVERIFY(gui.answerer->seen().isEmpty());
        QTRY_COMPARE(gui.answerer->titles(), QStringList{title});
        QCOMPARE(gui.answerer->seen().first().informativeText.split('\n').last(), reason);
        QTRY_COMPARE(gui.context->connectionThread().appNewState(), next);
        QCOMPARE(log.contains(QString("[Init] Update Error Code : %1").arg(rawValue(code))), logsCode);
    }

    void downloadsInAnyOrderParseOnce_data() {
        QTest::addColumn<QString>("order");
        QString order = "CLAF"; // catalogue, lens picture, adjustment picture, limit picture
        std::sort(order.begin(), order.end());
        do {
            QTest::newRow(qPrintable(order)) << order;
        } while (std::next_permutation(order.begin(), order.end()));
    }
    void downloadsInAnyOrderParseOnce() {
        QFETCH(QString, order);
        GuiFixture gui;
        gui.launchWithoutWindow();
        FlowUnderTest course(gui);
        identifyTheLens(gui, course.flow);
        ConnectFlow& controller = course.flow;
        auto deliver = [&](QChar which) {
            if (which == 'C')
                controller.downloadCompleted(NetworkFileType::lensModelsInfo,
                                             GuiFixture::lensCatalogue("A036"), std::nullopt);
            else if (which == 'L')
                controller.downloadCompleted(NetworkFileType::lensImage, GuiFixture::png(Qt::red),
                                             std::nullopt);
            else if (which == 'A')
                controller.downloadCompleted(NetworkFileType::focusAdjustmentImage,
                                             GuiFixture::png(Qt::green), std::nullopt);
            else
                controller.downloadCompleted(NetworkFileType::focusLimitImage, GuiFixture::png(Qt::blue),
                                             std::nullopt);
        };
        for (QChar which : order)
            deliver(which);
        QCOMPARE(controller.lensCatalogueParseCount(), 1);
        QCOMPARE(gui.context->connectionThread().appNewState(), ApplicationState::readingSettings);
        QCOMPARE(gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::downloadHost);
        QVERIFY(gui.answerer->seen().isEmpty());
    }

    void missingCatalogueIsReportedOnceWhateverTheOrder_data() {
        QTest::addColumn<bool>("catalogueFirst");
        QTest::newRow("catalogue first") << true;
        QTest::newRow("catalogue last") << false;
    }
    void missingCatalogueIsReportedOnceWhateverTheOrder() {
        QFETCH(bool, catalogueFirst);
        GuiFixture gui;
        gui.launchWithoutWindow();
        FlowUnderTest course(gui);
        identifyTheLens(gui, course.flow);
        ConnectFlow& controller = course.flow;
        const NetworkError offline{NetworkError::platformDomain, 1, "Connection refused", QUrl()};
        {
            if (catalogueFirst)
                controller.downloadCompleted(NetworkFileType::lensModelsInfo, std::nullopt, offline);
            for (auto type : {NetworkFileType::lensImage, NetworkFileType::focusAdjustmentImage,
                              NetworkFileType::focusLimitImage})
                controller.downloadCompleted(type, std::nullopt, offline);
            if (!catalogueFirst)
                controller.downloadCompleted(NetworkFileType::lensModelsInfo, std::nullopt, offline);
        }
        QTRY_VERIFY_WITH_TIMEOUT(gui.countOf(modelInfoError) == 1, connectBoundMs);
        QTRY_COMPARE(gui.context->connectionThread().appNewState(), ApplicationState::waitingForLens);
        QCOMPARE(controller.lensCatalogueParseCount(), 0);
        QCOMPARE(gui.answerer->titles(), QStringList{modelInfoError});
        QCOMPARE(gui.context->connectionThread().appNewState(), ApplicationState::waitingForLens);
    }

    // Nothing is done before the dock answers; the dock step once it has, while no lens is on; the
    // lens step once one is mounted, and then the lens screen names the dock's firmware too.
    void theStepsFollowTheDevicesAndTheDockVersionIsShown() {
        DockProfile profile = DockProfile::zoomLens();
        profile.adapter.fwVersion = "0300";
        GuiFixture gui(profile);
        gui.dockOptions.lensMounted = false;
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0100", profile.lens);
        gui.launch(gui.host.downloadHost());
        auto* screen = qobject_cast<ConnectScreen*>(gui.window->content());
        QVERIFY(screen);
        QVERIFY(!screen->adapterStep()->isDone());
        QVERIFY(!screen->lensStep()->isDone());
        QCOMPARE(screen->adapterStep()->mark()->toolTip(), QStringLiteral("Waiting"));
        QTRY_VERIFY_WITH_TIMEOUT(screen->adapterStep()->isDone(), connectBoundMs);
        QTRY_COMPARE_WITH_TIMEOUT(gui.context->connectionThread().appState(),
                                  ApplicationState::waitingForLens, connectBoundMs);
        QVERIFY(!screen->lensStep()->isDone());
        QCOMPARE(screen->adapterStep()->mark()->toolTip(), QStringLiteral("Done"));
        QCOMPARE(screen->lensStep()->mark()->toolTip(), QStringLiteral("Waiting"));
        gui.dock->mountLens();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<LensScreen*>(gui.window->content()), connectBoundMs);
        auto* version = gui.window->content()->findChild<QLabel*>("txtAdapterFirmwareVersion");
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("Version 3"));
        QVERIFY(gui.answerer->seen().isEmpty());
    }

    // Why a device that is there could not be opened, told from the device itself.
    void aRefusedOpenIsToldApart_data() {
        QTest::addColumn<bool>("permissionRefused");
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("reason");
        QTest::newRow("permission, nobody holds it") << true << false << int(PortRefusal::Reason::noAccess);
        QTest::newRow("permission, another program holds it")
            << true << true << int(PortRefusal::Reason::inUse);
        QTest::newRow("another error") << false << false << int(PortRefusal::Reason::other);
    }
    void aRefusedOpenIsToldApart() {
        QFETCH(bool, permissionRefused);
        QFETCH(bool, held);
        QFETCH(int, reason);
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QSerialPort holder(gui.dockOptions.linkPath);
        if (held)
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        const PortRefusal refusal = PortHolder::refusalOf(gui.dockOptions.linkPath, permissionRefused);
        QCOMPARE(int(refusal.reason), reason);
        QCOMPARE(refusal.path, gui.dockOptions.linkPath);
    }

    // The dock's port exists but this user may not open it: the alert says so and where the README
    // explains device access, not that the dock is missing. Root opens any device node, so the
    // refusal is injected where the port is opened.
    void aDockWithoutAccessIsNamedAsSuch() {
        GuiFixture gui;
        gui.portProvider = std::make_shared<RefusingProvider>();
        gui.launch(GuiFixture::unreachableHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.endCount == 1, connectBoundMs);
        QCOMPARE(gui.answerer->titles(), QStringList{QStringLiteral("No access to the lens dock")});
        QCOMPARE(gui.countOf(adapterNotFound), 0);
        const QString text = gui.answerer->seen().first().informativeText;
        QVERIFY2(text.contains(QStringLiteral("Linux: device access")), qPrintable(text));
        QVERIFY2(text.contains(RefusingProvider::path), qPrintable(text));
    }
};

QTEST_MAIN(TestConnectScreen)
#include "tst_connectscreen.moc"
