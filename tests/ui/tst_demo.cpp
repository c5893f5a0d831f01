// The demo as the user meets it: the program on the demo session's emulated dock and download host.
#include "DemoMenu.h"
#include "DemoSession.h"
#include "GuiFixture.h"
#include "TextCatalogue.h"
#include "ui/ConnectScreen.h"
#include "ui/lens/LensScreen.h"
#include "ui/Translations.h"

#include <QTest>
#include <QTranslator>
#include <QWindow>

using namespace lensdock;

namespace {
constexpr int boundMs = 20000;
const QString lensOffer = QStringLiteral("Lens update available");
const QString lensCaution = QStringLiteral("Update the lens");
const QString updated = QStringLiteral("Update complete");

QString decline(const ModalAnswerer::Seen& seen) {
    return seen.buttonIds.first();
}

// The demo with short emulator waits and an unpaced link; everything else as in the program.
DemoSession::Options quickDemo() {
    DemoSession::Options options;
    options.dock.baud = 0;
    options.dock.reenumerationDelay = std::chrono::milliseconds(20);
    options.dock.resetLinger = std::chrono::milliseconds(300);
    options.firmwareBytes = 4096;
    return options;
}

// The program in demo mode, as lensdock --demo puts it together.
struct DemoGui {
    DemoSession demo{quickDemo()}; // outlives the program's context
    GuiFixture gui;

    bool launch(ModalAnswerer::Chooser chooser) {
        QString error;
        if (!demo.start(&error)) {
            qWarning("demo: %s", qPrintable(error));
            return false;
        }
        gui.libraryFolder = demo.libraryFolder();
        const AppOptions options = demo.appOptions(AppOptions());
        gui.launch(options.downloadHost, std::move(chooser), options.portOverride);
        DemoMenu::install(*gui.window, demo.dock());
        return true;
    }

    LensScreen* lensScreen() const { return qobject_cast<LensScreen*>(gui.window->content()); }
    bool showsTheLens() const {
        return QTest::qWaitFor([this] { return gui.shell->connected() && lensScreen(); }, boundMs);
    }
    bool showsTheConnectScreen() const {
        return QTest::qWaitFor(
            [this] { return !gui.shell->connected() && qobject_cast<ConnectScreen*>(gui.window->content()); },
            boundMs);
    }
    void trigger(const char* action) const { gui.action(action)->trigger(); }
};
} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void everyDemoKeyHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }

    // The demo's texts are a catalogue of their own: complete, and not hiding the program's texts.
    void everyDemoKeyHasATextInEveryLanguage() {
        QFETCH(QString, language);
        const QStringList keys = TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_DEMO_SOURCE_DIR));
        QVERIFY(keys.contains(QStringLiteral("demoAppName")));
        QTranslator translator;
        QVERIFY(translator.load("lensdock_demo_" + language, ":/i18n/demo"));
        const QString folder = QStringLiteral(LENSDOCK_TS_DIR "/");
        const QStringList others = TextCatalogue::idsIn(folder + "lensdock_" + language + ".ts") +
                                   TextCatalogue::idsIn(folder + "lensdock_lens_" + language + ".ts") +
                                   TextCatalogue::idsIn(folder + "lensdock_tabs_" + language + ".ts");
        QVERIFY(others.size() > 100);
        for (const QString& key : keys) {
            QVERIFY2(!translator.translate(nullptr, qPrintable(key)).isEmpty(),
                     qPrintable(language + ": " + key));
            QVERIFY2(!others.contains(key), qPrintable(key));
        }
    }

    void reachesTheLensScreenWithTheDemoLens() {
        DemoGui d;
        QVERIFY(d.launch(decline));
        // As the title bar shows it: the marker of unapplied edits is not shown with nothing edited.
        QCOMPARE(d.gui.window->windowHandle()->title(), QStringLiteral("Lens Dock Utility (demo)"));
        QVERIFY(d.showsTheLens());
        QCOMPARE(d.gui.context->lensInfo().get().modelCode, d.demo.dock().snapshot().lens.modelCode);
        // The catalogue came from the demo host, and it offers the lens a newer firmware.
        QCOMPARE(d.gui.context->lensModelsInfoSource().load(), LensModelsInfoSource::downloadHost);
        QTRY_COMPARE_WITH_TIMEOUT(d.gui.answerer->titles(), QStringList{lensOffer}, boundMs);
    }

    void demoMenuTakesTheDeviceAwayAndBringsItBack_data() {
        QTest::addColumn<QString>("away");
        QTest::addColumn<QString>("back");
        QTest::newRow("lens") << "demoUnmountLens"
                              << "demoMountLens";
        QTest::newRow("adapter") << "demoUnplugAdapter"
                                 << "demoReplugAdapter";
    }

    void demoMenuTakesTheDeviceAwayAndBringsItBack() {
        QFETCH(QString, away);
        QFETCH(QString, back);
        DemoGui d;
        QVERIFY(d.launch(decline));
        QVERIFY(d.showsTheLens());
        QVERIFY(!d.gui.action(back.toLatin1())->isEnabled());
        d.trigger(away.toLatin1());
        QVERIFY(d.showsTheConnectScreen());
        QVERIFY(!d.gui.action(away.toLatin1())->isEnabled());
        d.trigger(back.toLatin1());
        QVERIFY(d.showsTheLens());
        QVERIFY(d.gui.action(away.toLatin1())->isEnabled());
    }

    void lensUpdateEndsWithTheNewerVersion() {
        DemoGui d;
        const QString before = quickDemo().dock.profile.lens.firmwareVersion;
        QVERIFY(d.launch(ModalAnswerer::confirm));
        QTRY_VERIFY_WITH_TIMEOUT(d.gui.countOf(updated) == 1, boundMs);
        QCOMPARE(d.gui.answerer->titles(), (QStringList{lensOffer, lensCaution, updated}));
        const QString offered = d.gui.context->lensModelInfo().get().latestVersion;
        QVERIFY(offered > before);
        QCOMPARE(d.demo.dock().snapshot().lens.firmwareVersion, offered);
        QVERIFY(d.showsTheLens());
        QCOMPARE(d.gui.leftInStore(), QStringList());
    }
};

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
