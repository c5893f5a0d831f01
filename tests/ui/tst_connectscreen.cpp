// The program from its launch to the lens screen against the emulator and a local host; the connect
// course's reports played directly where the emulator cannot provoke them.
#include "DemoMenu.h"
#include "GuiFixture.h"
#include "IdentityEncoder.h"
#include "session/ConnectFlow.h"
#include "ui/AboutPanel.h"
#include "ui/BuiltInPictures.h"
#include "ui/ConnectScreen.h"
#include "ui/ConnectStep.h"
#include "ui/SleepInhibitor.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSignalSpy>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::ApplicationState)
Q_DECLARE_METATYPE(lensdock::ExchangeResult)

namespace {
constexpr int boundMs = 30000;
const QString modelInfoError = QStringLiteral("Lens information unavailable");

QRgb colourOf(const QImage& image) {
    return image.isNull() ? 0 : image.pixel(0, 0) | 0xff000000u;
}

// A dock whose device node this user may not open (root opens any, so the refusal is injected).
struct RefusingProvider : SerialPortProvider {
    static inline const QString path = QStringLiteral("/dev/ttyACM-lensdock-test");
    QString findPortPath() override { return path; }
    std::unique_ptr<SerialPort> openPort(const QString&, SerialPort::Callbacks) override { return nullptr; }
    PortRefusal lastRefusal() const override { return {PortRefusal::Reason::noAccess, path, {}}; }
};
} // namespace

class TestConnectScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // The menu bar, with the demo's menu in it, and each menu give every item a key of its own.
    void everyMenuItemHasItsOwnAccessKey_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("English") << QLocale(QLocale::English);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese);
    }
    void everyMenuItemHasItsOwnAccessKey() {
        QFETCH(QLocale, locale);
        Translations::install(*qApp, locale);
        const auto english = qScopeGuard([] { Translations::install(*qApp, QLocale(QLocale::English)); });
        GuiFixture f;
        QVERIFY(f.startDock());
        f.launch(GuiFixture::unreachableHost());
        DemoMenu::install(*f.window, *f.dock);
        const QList<QAction*> menus = f.window->menuBar()->actions();
        QList<QList<QAction*>> groups{menus};
        for (const QAction* menu : menus)
            groups << menu->menu()->actions();
        for (const QList<QAction*>& group : groups) {
            QStringList texts;
            QSet<QKeySequence> keys;
            for (const QAction* action : group) {
                if (action->isSeparator())
                    continue;
                texts << action->text();
                keys << QKeySequence::mnemonic(action->text());
            }
            QVERIFY2(keys.size() == texts.size() && !keys.contains(QKeySequence()),
                     qPrintable(texts.join(", ")));
        }
    }

    void aDockThatCannotBeUsedEndsTheProgramAfterOneAlert_data() {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("title");
        QTest::newRow("no dock") << false << "Dock not found";
        QTest::newRow("no access") << true << "No access to the lens dock";
    }
    void aDockThatCannotBeUsedEndsTheProgramAfterOneAlert() {
        QFETCH(bool, refused);
        QFETCH(QString, title);
        GuiFixture gui;
        if (refused)
            gui.portProvider = std::make_shared<RefusingProvider>();
        gui.launch(GuiFixture::unreachableHost(), ModalAnswerer::confirm, gui.dir.filePath("no-such-port"));
        QTRY_COMPARE_WITH_TIMEOUT(gui.endCount.load(), 1, boundMs);
        QCOMPARE(gui.answerer->titles(), QStringList{title});
        gui.shell->endProcess(3); // the process ends once
        QCoreApplication::processEvents();
        QVERIFY(gui.exitCode == 0 && gui.endCount == 1 && !gui.context->channel().isPortOpen());
        const QString text = gui.answerer->seen().first().informativeText;
        QCOMPARE(text.contains("Linux: device access") && text.contains(RefusingProvider::path), refused);
    }

    void fromLaunchToTheLensScreenAndBack() {
        DockProfile profile = DockProfile::zoomLens();
        profile.adapter.fwVersion = "0300";
        GuiFixture gui(profile);
        gui.dockOptions.lensMounted = false;
        gui.fade = std::chrono::milliseconds(60);
        QList<QUrl> opened;
        gui.openUrl = [&opened](const QUrl& url) {
            opened << url;
            return !url.path().contains("manual"); // the manual cannot be opened
        };
        QVERIFY(gui.startDock() && gui.startHost());
        gui.serveCatalogues("0100", profile.lens);
        QVERIFY(QFile::remove(gui.host.rootPath() + "/zolen/lens/focuslimit_A036.png"));
        // About is asked for while each alert is open: it never opens over one.
        gui.launch(gui.host.downloadHost(), [&gui](const ModalAnswerer::Seen& seen) {
            gui.action("menuHelpItemAbout")->trigger();
            return seen.buttonIds.last();
        });
        int abouts = 0;
        QString aboutFirmware;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&abouts, &aboutFirmware] {
            auto* panel = qobject_cast<AboutPanel*>(QApplication::activeModalWidget());
            if (!panel || !++abouts)
                return;
            aboutFirmware = panel->findChild<QLabel*>("txtFirmware")->text();
            QMetaObject::invokeMethod(panel->findChild<QObject*>("btnClose"), "click");
        });
        closer.start(5);
        // Nothing is done before the dock answers; then the dock step, while no lens is on.
        auto* screen = qobject_cast<ConnectScreen*>(gui.window->content());
        QCOMPARE(screen->adapterStep()->mark()->toolTip(), "Waiting");
        QTRY_COMPARE_WITH_TIMEOUT(gui.context->connectionThread().appState(),
                                  ApplicationState::waitingForLens, boundMs);
        QVERIFY(screen->adapterStep()->isDone() && !screen->lensStep()->isDone());
        QVERIFY(!gui.action("menuOpen")->isEnabled() && !gui.action("menuCustom")->isEnabled());
        gui.action("menuHelpItemDownloadSite")->trigger();
        gui.action("menuHelpItemManual")->trigger();
        QTRY_COMPARE(gui.answerer->titles(), QStringList{"Manual unavailable"});
        gui.action("menuHelpItemUserInformation")->trigger();
        QTRY_COMPARE(gui.answerer->titles(), (QStringList{"Manual unavailable", "User information"}));
        QCOMPARE(opened, (QList<QUrl>{QUrl("https://download.lensdock.example/"),
                                      QUrl("https://download.lensdock.example/manual/")}));
        // Where the manual is, so that it can be opened by hand.
        QVERIFY(gui.answerer->seen().first().informativeText.contains(opened.last().toString()));
        gui.action("menuHelpItemAbout")->trigger();
        QCOMPARE(abouts, 1);
        QCOMPARE(aboutFirmware, "Dock firmware 0300"); // every digit: a minor update shows

        const int top = gui.window->geometry().top();
        QPointer<QWidget> connectScreen = screen;
        gui.dock->mountLens();
        QTRY_VERIFY_WITH_TIMEOUT(connectScreen.isNull(), boundMs); // gone once the fade has finished
        QCOMPARE(gui.window->geometry().top(), top);
        const auto* dockFirmware = gui.window->content()->findChild<QLabel*>("txtAdapterFirmwareVersion");
        QVERIFY(dockFirmware->text() == "Version 3" && dockFirmware->toolTip() == "Firmware 0300");
        QCOMPARE(gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::downloadHost);
        QCOMPARE(colourOf(gui.shell->pictures().lensImage.get()), qRgb(255, 0, 0));
        // The picture the host lacks is the program's own; what came is kept as the local copy.
        QCOMPARE(gui.shell->pictures().focusLimitImage.get(), BuiltInPictures::focusLimit());
        QCOMPARE(QDir(gui.libraryFolder + "/Varnet/lens").entryList(QDir::Files).size(), 3);
        QCOMPARE(gui.answerer->seen().size(), 2);

        // Taking the lens off goes back to a new connect screen; closing the window ends the program.
        gui.dock->unmountLens();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<ConnectScreen*>(gui.window->content()), boundMs);
        gui.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(gui.endCount.load(), 1, boundMs);
        QVERIFY(gui.exitCode == 0 && gui.context->connectionThread().hasExited() &&
                !gui.context->channel().isPortOpen());
    }

    // An update cannot be closed while it runs, and a second showing does not start it again; it ends
    // with its result (here: no host), and then the window goes.
    void theUpdateWindowStaysUntilTheResult() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        UpdateJobTimings timings = GuiFixture::updateTimings();
        timings.connectDelay = std::chrono::milliseconds(200);
        QPointer<UpdateWindow> window = new UpdateWindow(*gui.context, timings, FileIO(gui.libraryFolder));
        window->setAdapterUpdateInfo("0200", QString(64, 'a'));
        QSignalSpy results(window.data(), &UpdateWindow::updateFinished);
        window->show();
        window->close();
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->hide();
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), boundMs);
        QCOMPARE(results.count(), 1);
        // Without a bus the sleep lock is not even asked for.
        SleepInhibitor inhibitor(QDBusConnection(QStringLiteral("no bus")));
        inhibitor.acquire("writing");
        QVERIFY(!inhibitor.isAsking() && !inhibitor.isHeld());
    }

    // The reports that refuse the lens, and the lens's downloads in every order (lower case: failed;
    // the catalogue is parsed once, a missing one reported once): the alert, where the thread goes,
    // and whether the lens must first be taken off.
    void courseReports_data() {
        QTest::addColumn<ApplicationState>("state");
        QTest::addColumn<ExchangeResult>("result");
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::addColumn<QString>("downloads");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<ApplicationState>("next");
        using S = ApplicationState;
        const auto row = [](const QString& name, S state, ExchangeResult result, const QByteArray& reply,
                            const QString& downloads, const QString& alert, S next) {
            QTest::newRow(qPrintable(name)) << state << result << reply << downloads << alert << next;
        };
        const auto ok = ExchangeResult::success, failed = ExchangeResult::failure;
        const QString refused = "Lens connection error";
        row("connect refused", S::connectingLens, ok, QByteArray(1, '\0'), {}, refused, S::waitingForLens);
        row("connect failed", S::connectingLens, failed, {}, {}, refused, S::waitingForLens);
        row("identity undecodable", S::lensConnected, ok, QByteArray(3, '\7'), {}, refused, S::releasingLens);
        row("identity failed", S::lensConnected, failed, {}, {}, refused, S::releasingLens);
        row("over-current", S::lensConnected, ExchangeResult::overcurrent, {}, {}, "Over-current",
            S::releasingLens);
        const QByteArray identity = *IdentityEncoder::lensPayload(DockProfile::zoomLens().lens);
        QString order = "ACFL"; // adjustment picture, catalogue, limit picture, lens picture
        do {
            row(order, S::lensConnected, ok, identity, order, {}, S::readingSettings);
            row(order.toLower(), S::lensConnected, ok, identity, order.toLower(), modelInfoError,
                S::waitingForLens);
        } while (std::next_permutation(order.begin(), order.end()));
    }
    void courseReports() {
        QFETCH(ApplicationState, state);
        QFETCH(ExchangeResult, result);
        QFETCH(QByteArray, reply);
        QFETCH(QString, downloads);
        QFETCH(QString, alert);
        QFETCH(ApplicationState, next);
        GuiFixture gui;
        gui.launchWithoutWindow();
        AlertAsker asker(nullptr);
        ConnectFlow flow(*gui.context, asker, ConnectScreen::policyOf(gui.connectOptions()),
                         FileIO(gui.libraryFolder));
        ConnectionThread& thread = gui.context->connectionThread();
        thread.requestState(state);
        flow.listen();
        std::optional<CommDataFormat> answer;
        if (!reply.isEmpty())
            answer.emplace().setPayload(reply);
        flow.exchange(state, result, answer);
        const QMap<QChar, std::pair<NetworkFileType, QByteArray>> files{
            {'a', {NetworkFileType::focusAdjustmentImage, GuiFixture::png(Qt::green)}},
            {'c', {NetworkFileType::lensModelsInfo, GuiFixture::lensCatalogue("A036")}},
            {'f', {NetworkFileType::focusLimitImage, GuiFixture::png(Qt::blue)}},
            {'l', {NetworkFileType::lensImage, GuiFixture::png(Qt::red)}}};
        const NetworkError offline{NetworkError::platformDomain, 1, "Connection refused", QUrl()};
        for (QChar which : downloads) {
            const auto& [type, data] = files[which.toLower()];
            if (which.isUpper())
                flow.downloadCompleted(type, data, std::nullopt);
            else
                flow.downloadCompleted(type, std::nullopt, offline);
        }
        QTRY_COMPARE_WITH_TIMEOUT(thread.appNewState(), next, boundMs);
        QTRY_COMPARE(gui.answerer->titles(), alert.isEmpty() ? QStringList() : QStringList{alert});
        QCOMPARE(thread.awaitLensRemoval(), !alert.isEmpty());
        QCOMPARE(flow.lensCatalogueParseCount(), downloads.contains('C') ? 1 : 0);
    }
};

QTEST_MAIN(TestConnectScreen)
#include "tst_connectscreen.moc"
