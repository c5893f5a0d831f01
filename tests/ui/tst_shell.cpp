#include "GuiFixture.h"
#include "ui/AboutPanel.h"
#include "ui/AlertDialog.h"
#include "ui/ConnectScreen.h"
#include "ui/lens/LensScreen.h"
#include "ui/Translations.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int courseBoundMs = 20000;

// Closes the About panel as soon as it is the active modal window, and counts how often it came.
struct AboutCloser : QObject {
    int seen = 0;
    QString version;
    QString downloadHost;
    QTimer timer;
    AboutCloser() {
        connect(&timer, &QTimer::timeout, this, [this] {
            if (auto* panel = qobject_cast<AboutPanel*>(QApplication::activeModalWidget())) {
                ++seen;
                version = panel->versionText();
                if (auto* host = panel->findChild<QLabel*>(QStringLiteral("txtDownloadHost")))
                    downloadHost = host->text();
                // Closed the way a user closes it.
                auto* close = panel->findChild<QPushButton*>(QStringLiteral("btnClose"));
                if (close)
                    QTest::mouseClick(close, Qt::LeftButton);
                else
                    panel->reject();
            }
        });
        timer.start(5);
    }
};

// A window whose course waits for a lens: the dock has none mounted, the host has the catalogues.
bool launchWithoutLens(GuiFixture& gui, QList<QUrl>* opened, bool openSucceeds = true) {
    gui.dockOptions.lensMounted = false;
    if (!gui.startDock() || !gui.startHost())
        return false;
    gui.serveCatalogues("0100", gui.dockOptions.profile.lens);
    gui.launch(gui.host.downloadHost());
    gui.openUrl = [opened, openSucceeds](const QUrl& url) {
        *opened << url;
        return openSucceeds;
    };
    return QTest::qWaitFor(
        [&] { return gui.context->connectionThread().appState() == ApplicationState::waitingForLens; },
        courseBoundMs);
}
} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void helpOpensTheManualAndTheDownloadPage() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened));
        gui.action("menuHelpItemManual")->trigger();
        gui.action("menuHelpItemDownloadSite")->trigger();
        QCOMPARE(opened, (QList<QUrl>{QUrl("https://download.lensdock.example/manual/"),
                                      QUrl("https://download.lensdock.example/")}));
        QVERIFY(gui.answerer->seen().isEmpty());
    }

    void aManualThatCannotBeOpenedIsReported() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened, false));
        gui.action("menuHelpItemManual")->trigger();
        QTRY_COMPARE(gui.answerer->titles(), QStringList{"Manual unavailable"});
        // Where the manual is, so that it can be opened by hand.
        QVERIFY(gui.answerer->seen().first().informativeText.contains(
            "https://download.lensdock.example/manual/"));
    }

    void userInformationIsAnAlert() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened));
        gui.action("menuHelpItemUserInformation")->trigger();
        QTRY_COMPARE(gui.answerer->titles(), QStringList{"User information"});
        QCOMPARE(gui.answerer->seen().first().buttonIds, QStringList{"dialogBtnOK"});
    }

    void aboutOpensOnlyWithoutAnotherModalWindow() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened));
        AboutCloser closer;
        gui.action("menuHelpItemAbout")->trigger();
        QCOMPARE(closer.seen, 1);
        QCOMPARE(closer.version, "Version " LENSDOCK_EXPECTED_VERSION);
        QVERIFY2(closer.downloadHost.startsWith("Download host: " + gui.host.url()),
                 qPrintable(closer.downloadHost));
        QVERIFY(!QApplication::activeModalWidget()); // its Close button closed it
        // With an alert open, About does nothing: the alert is answered only after the About command.
        gui.answerer = std::make_unique<ModalAnswerer>([&](const ModalAnswerer::Seen& seen) {
            gui.action("menuHelpItemAbout")->trigger();
            QTest::qWait(50);
            return seen.buttonIds.last();
        });
        gui.shell->alerts().tell(DialogId::updateComplete);
        QTRY_COMPARE(gui.answerer->seen().size(), 1);
        QTest::qWait(100);
        QCOMPARE(closer.seen, 1);
    }

    void lensCommandsNeedAConnectedLens() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened));
        for (const char* name :
             {"menuOpen", "menuSaveAs", "menuFactory", "menuFocusAdjustment", "menuFocusLimit", "menuCustom"})
            QVERIFY2(!gui.action(name)->isEnabled(), name);
        gui.dock->mountLens();
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), courseBoundMs);
        QVERIFY(gui.action("menuFactory")->isEnabled());
        gui.shell->setWrite(true);
        QVERIFY(!gui.action("menuFactory")->isEnabled());
        gui.shell->setWrite(false);
        // The lens screen takes commands once it has settled on the lens.
        QTRY_VERIFY_WITH_TIMEOUT(
            gui.context->connectionThread().appState() == ApplicationState::lensConnected &&
                gui.context->connectionThread().appNewState() == ApplicationState::lensConnected,
            courseBoundMs);
        gui.action("menuFactory")->trigger();
        // Confirmed: the lens screen restores the factory settings.
        QTRY_COMPARE_WITH_TIMEOUT(gui.answerer->titles(),
                                  (QStringList{"Restore factory settings", "Factory settings restored"}),
                                  courseBoundMs);
    }

    void raisedFlagsNotifyOnceEachWay() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        QSignalSpy writes(gui.shell.get(), &AppShell::writeChanged);
        QSignalSpy controls(gui.shell.get(), &AppShell::controlChanged);
        gui.shell->raiseWrite();
        gui.shell->raiseControl();
        QCOMPARE(writes.count(), 2);
        QCOMPARE(writes.at(0).at(0).toBool(), true);
        QCOMPARE(writes.at(1).at(0).toBool(), false);
        QCOMPARE(controls.count(), 2);
        QVERIFY(!gui.shell->write());
        QVERIFY(!gui.shell->control());
    }

    void terminationWithoutAConnectionThreadEndsAtOnce() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        gui.shell->requestTermination();
        QTRY_COMPARE(gui.endCount.load(), 1);
        QCOMPARE(gui.exitCode.load(), 0);
        gui.shell->endProcess(3); // the process ends once
        QTest::qWait(20);
        QCOMPARE(gui.endCount.load(), 1);
        QCOMPARE(gui.context->connectionThread().appNewState(), ApplicationState::terminating);
    }

    void switchingFadesAndKeepsTheTopEdge() {
        GuiFixture gui;
        QList<QUrl> opened;
        gui.fade = std::chrono::milliseconds(60);
        QVERIFY(launchWithoutLens(gui, &opened));
        QPointer<QWidget> connectScreen = gui.window->content();
        QVERIFY(qobject_cast<ConnectScreen*>(connectScreen));
        const int top = gui.window->geometry().top();
        gui.dock->mountLens();
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), courseBoundMs);
        QVERIFY(qobject_cast<LensScreen*>(gui.window->content()));
        QTRY_VERIFY(connectScreen.isNull()); // removed once the fade has finished
        QCOMPARE(gui.window->geometry().top(), top);
        // Taking the lens off goes back to a new connect screen.
        gui.dock->unmountLens();
        QTRY_VERIFY_WITH_TIMEOUT(!gui.shell->connected(), courseBoundMs);
        QTRY_VERIFY(qobject_cast<ConnectScreen*>(gui.window->content()));
        QCOMPARE(gui.window->geometry().top(), top);
    }

    void closingTheWindowEndsThroughTermination() {
        GuiFixture gui;
        QList<QUrl> opened;
        QVERIFY(launchWithoutLens(gui, &opened));
        gui.window->close();
        QTRY_VERIFY_WITH_TIMEOUT(gui.endCount == 1, courseBoundMs);
        QCOMPARE(gui.exitCode.load(), 0);
        QVERIFY(gui.context->connectionThread().hasExited());
        QVERIFY(!gui.context->channel().isPortOpen());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
