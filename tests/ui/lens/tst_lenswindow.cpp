#include "LensFixture.h"
#include "ScreenControls.h"
#include "ui/Translations.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsEffect>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

using namespace lensdock;
using namespace screen_controls;

Q_DECLARE_METATYPE(QKeySequence)

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;

// Answers every alert with its last button, except the discard question, answered with `discard`.
struct DiscardAnswer {
    QString discard = QStringLiteral("dialogBtnCancel");
    ModalAnswerer::Chooser chooser() {
        return [this](const ModalAnswerer::Seen& seen) {
            return seen.title == titleOf(DialogId::discardChangesConfirm) ? discard : seen.buttonIds.last();
        };
    }
};

bool activate(QWidget* window) {
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

bool sawAlert(LensFixture& f, DialogId kind) {
    return f.answerer->titles().contains(titleOf(kind));
}

// The lens taken off and put back: true once the lens screen of the lens back is idle.
bool remountLens(LensFixture& f) {
    f.dock->unmountLens();
    if (!QTest::qWaitFor([&] { return !f.screen(); }, boundMs))
        return false;
    f.dock->mountLens();
    return f.waitIdle();
}

QAction* actionOfKey(const QMainWindow& window, const QKeySequence& keys) {
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
        if (action->shortcuts().contains(keys))
            return action;
    return nullptr;
}
} // namespace

// The main window around the lens screen: its keys, its size from one showing to the next, and the
// values the user changed but has not written yet.
class TestLensWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void keysSwitchTabs_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("to");
        QTest::newRow("Ctrl+2") << 0 << QKeySequence(Qt::CTRL | Qt::Key_2) << 1;
        QTest::newRow("Ctrl+3") << 0 << QKeySequence(Qt::CTRL | Qt::Key_3) << 2;
        QTest::newRow("Ctrl+1") << 2 << QKeySequence(Qt::CTRL | Qt::Key_1) << 0;
        QTest::newRow("Ctrl+Tab") << 1 << QKeySequence(Qt::CTRL | Qt::Key_Tab) << 2;
        QTest::newRow("Ctrl+Tab wraps") << 2 << QKeySequence(Qt::CTRL | Qt::Key_Tab) << 0;
        QTest::newRow("Ctrl+Shift+Tab wraps")
            << 0 << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) << 2;
        QTest::newRow("Ctrl+PgUp") << 1 << QKeySequence(Qt::CTRL | Qt::Key_PageUp) << 0;
    }
    void keysSwitchTabs() {
        QFETCH(int, from);
        QFETCH(QKeySequence, keys);
        QFETCH(int, to);
        LensFixture f;
        QVERIFY(f.launchConnected());
        QVERIFY(activate(f.window.get()));
        f.screen()->showTab(from);
        // Typed while a focus field has the keyboard, as a user in the middle of an edit would.
        if (from == 0)
            QTest::mouseClick(focusTab(*f.screen()).textField(0, 0), Qt::LeftButton);
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : f.window.get(), keys);
        QCOMPARE(f.screen()->tabSwitch()->currentIndex(), to);
        QCOMPARE(f.screen()->tabView()->currentIndex(), to);
    }

    void keysRunFileAndApplyCommands_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("command");
        QTest::newRow("Ctrl+O opens") << QKeySequence(Qt::CTRL | Qt::Key_O) << "open";
        QTest::newRow("Ctrl+Shift+S saves as") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) << "save";
        QTest::newRow("Ctrl+Return applies") << QKeySequence(Qt::CTRL | Qt::Key_Return) << "apply";
    }
    void keysRunFileAndApplyCommands() {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, command);
        LensFixture f;
        // Every question declined: the commands start and change nothing.
        QVERIFY(f.launchConnected([](const ModalAnswerer::Seen& seen) { return seen.buttonIds.first(); }));
        QVERIFY(activate(f.window.get()));
        QTest::keySequence(f.window.get(), keys);
        if (command == "open")
            QTRY_COMPARE_WITH_TIMEOUT(f.openDialogs, 1, boundMs);
        else if (command == "save")
            QTRY_COMPARE_WITH_TIMEOUT(f.saveDialogs, 1, boundMs);
        else
            QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::customizeCaution), boundMs);
        // The menus show the keys next to the command.
        QAction* action = actionOfKey(*f.window, keys);
        QVERIFY(action);
        QVERIFY(!action->text().isEmpty());
        QVERIFY(qobject_cast<QMenu*>(action->parent()) || !action->associatedObjects().isEmpty());
    }

    void aTypedValueIsAppliedByTheKeys() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        QVERIFY(activate(f.window.get()));
        FocusAdjustmentTab& focus = focusTab(*f.screen());
        QLineEdit* field = focus.textField(1, 0);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("-9"));
        QTest::keySequence(field, QKeySequence(Qt::CTRL | Qt::Key_Return));
        QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::setAdjustDataComplete), boundMs);
        QCOMPARE(f.lensHolds().focusZoomClose[1], -9);
    }

    // Each showing of a screen gets the same window, however often the lens comes and goes.
    void theWindowHasOneSizePerScreen_data() {
        QTest::addColumn<int>("fadeMs");
        QTest::newRow("switched at once") << 0;
        QTest::newRow("switched with a fade") << 40;
    }
    void theWindowHasOneSizePerScreen() {
        QFETCH(int, fadeMs);
        LensFixture f;
        f.fade = std::chrono::milliseconds(fadeMs);
        QVERIFY(f.launchConnected());
        QTRY_COMPARE_WITH_TIMEOUT(f.window->findChildren<QGraphicsEffect*>().size(), 0, boundMs);
        QList<QSize> lensSizes{f.window->size()};
        QList<QSize> connectSizes;
        for (int round = 0; round < 3; ++round) {
            f.dock->unmountLens();
            QVERIFY(QTest::qWaitFor([&] { return !f.screen(); }, boundMs));
            QTRY_COMPARE_WITH_TIMEOUT(f.window->findChildren<QGraphicsEffect*>().size(), 0, boundMs);
            connectSizes << f.window->size();
            // The connect screen gets the room it asks for, not the lens screen's height.
            QWidget* connect = f.window->content();
            QCOMPARE(f.window->centralWidget()->height(), connect->sizeHint().height());
            f.dock->mountLens();
            QVERIFY(f.waitIdle());
            QTRY_COMPARE_WITH_TIMEOUT(f.window->findChildren<QGraphicsEffect*>().size(), 0, boundMs);
            lensSizes << f.window->size();
        }
        for (const QSize& size : lensSizes)
            QCOMPARE(size, lensSizes.first());
        for (const QSize& size : connectSizes)
            QCOMPARE(size, connectSizes.first());
        // The lens screen's controls all fit: the commands row is inside the window.
        QPushButton* apply = f.screen()->applyButton();
        const QRect applyRect(apply->mapTo(f.window.get(), QPoint(0, 0)), apply->size());
        QVERIFY(f.window->rect().contains(applyRect));

        // A size the user chose stays while the screen does.
        const QSize chosen = lensSizes.first() + QSize(60, 80);
        f.window->resize(chosen);
        f.screen()->showTab(2);
        f.screen()->showTab(0);
        QCOMPARE(f.window->size(), chosen);
    }

    void editsMarkTheWindowUntilWritten() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        QVERIFY(!f.window->isWindowModified());
        QVERIFY(!screen.applyButton()->font().bold());
        FocusAdjustmentTab& focus = focusTab(screen);
        typeFocusValue(focus, 0, 0, QStringLiteral("5"));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        QVERIFY(screen.applyButton()->font().bold());
        QVERIFY(!screen.applyButton()->toolTip().isEmpty());
        // Back to what the lens holds: nothing is unapplied any more.
        typeFocusValue(focus, 0, 0, QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->isWindowModified(), boundMs);
        // A change on another tab counts too, and a write that went well clears the mark.
        clickRadio(miscellaneousTab(screen).vcModeRow(2));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        f.click(screen.applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::setAdjustDataComplete), boundMs);
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->isWindowModified(), boundMs);
        QCOMPARE(f.lensHolds().vcMode, 3);
    }

    void closingWithUnappliedEditsAsksFirst_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("window closed") << false;
        QTest::newRow("Quit in the menu") << true;
    }
    void closingWithUnappliedEditsAsksFirst() {
        QFETCH(bool, byMenu);
        DiscardAnswer answer;
        LensFixture f;
        QVERIFY(f.launchConnected(answer.chooser()));
        typeFocusValue(focusTab(*f.screen()), 3, 1, QStringLiteral("-4"));
        const auto leave = [&] {
            if (byMenu)
                f.action("menuQuit")->trigger();
            else
                f.window->close();
        };
        leave();
        QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::discardChangesConfirm), boundMs);
        const ModalAnswerer::Seen& question = f.answerer->seen().last();
        QCOMPARE(question.buttonIds, (QStringList{"dialogBtnCancel", "dialogBtnDiscard"}));
        // Cancelled: the window, the program and the edit stay.
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), boundMs);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.endCount.load(), 0);
        QVERIFY(!f.shell->isQuitting());
        QCOMPARE(focusTab(*f.screen()).textField(3, 1)->text(), QStringLiteral("-4"));

        answer.discard = QStringLiteral("dialogBtnDiscard");
        leave();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QCOMPARE(f.answerer->titles().count(titleOf(DialogId::discardChangesConfirm)), 2);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
    }

    void closingWithNothingUnappliedAsksNothing() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        typeFocusValue(focusTab(*f.screen()), 3, 1, QStringLiteral("-4"));
        f.click(f.screen()->applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::setAdjustDataComplete), boundMs);
        QVERIFY(f.waitIdle());
        f.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QVERIFY(!sawAlert(f, DialogId::discardChangesConfirm));
    }

    void editsComeBackWithTheSameLens_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("sameSerial");
        QTest::newRow("same lens, shown again") << "dialogBtnYes" << true;
        QTest::newRow("same lens, declined") << "dialogBtnNo" << true;
        QTest::newRow("another lens of the model") << "dialogBtnYes" << false;
    }
    void editsComeBackWithTheSameLens() {
        QFETCH(QString, answer);
        QFETCH(bool, sameSerial);
        LensFixture f;
        QVERIFY(f.launchConnected([answer](const ModalAnswerer::Seen& seen) {
            return seen.title == titleOf(DialogId::restoreEditsConfirm) ? answer : seen.buttonIds.last();
        }));
        LensScreen* screen = f.screen();
        typeFocusValue(focusTab(*screen), 4, 2, QStringLiteral("12"));
        clickRadio(miscellaneousTab(*screen).vcModeRow(2));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        LensAdjustData edited = factoryOf(f.lens());
        edited.focusZoomInfinite[4] = 12;
        edited.vcMode = 3;

        f.dock->unmountLens();
        QVERIFY(QTest::qWaitFor([&] { return !f.screen(); }, boundMs));
        QVERIFY(!f.window->isWindowModified());
        if (!sameSerial)
            f.dock->setLensSerial(QStringLiteral("9999999999999999"));
        f.dock->mountLens();
        QVERIFY(f.waitIdle());
        QCOMPARE(sawAlert(f, DialogId::restoreEditsConfirm), sameSerial);
        const bool restored = sameSerial && answer == "dialogBtnYes";
        QTRY_COMPARE_WITH_TIMEOUT(f.window->isWindowModified(), restored, boundMs);
        QCOMPARE(shownSettings(*f.screen()), restored ? edited : factoryOf(f.lens()));
        // Nothing was written behind the user's back.
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        // Offered once: the next return of the lens asks nothing.
        const int asked = f.answerer->titles().count(titleOf(DialogId::restoreEditsConfirm));
        if (!restored) {
            QVERIFY(remountLens(f));
            QCOMPARE(f.answerer->titles().count(titleOf(DialogId::restoreEditsConfirm)), asked);
        }
    }

    // A dark desktop theme does not reach the window: its grounds stay light and its texts dark.
    void theWindowStaysLightUnderADarkTheme() {
        const QPalette before = QApplication::palette();
        QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::ButtonText, Qt::white);
        QApplication::setPalette(dark);
        LensFixture f;
        const bool launched = f.launchConnected();
        QList<std::pair<const char*, QWidget*>> parts;
        if (launched) {
            LensScreen& screen = *f.screen();
            parts = {{"window", f.window.get()},
                     {"Apply", screen.applyButton()},
                     {"focus field", focusTab(screen).textField(0, 0)},
                     {"limiter", &limiterTab(screen)},
                     {"miscellaneous", &miscellaneousTab(screen)}};
        }
        for (auto [name, widget] : parts) {
            const QPalette palette = widget->palette();
            QVERIFY2(palette.color(QPalette::Window).lightness() > 200, name);
            QVERIFY2(palette.color(QPalette::Base).lightness() > 200, name);
            QVERIFY2(palette.color(QPalette::WindowText).lightness() < 100, name);
            QVERIFY2(palette.color(QPalette::ButtonText).lightness() < 100, name);
        }
        f.stop();
        QApplication::setPalette(before);
        QVERIFY(launched);
    }

    void anOpenedFileIsSaidToBeUnwritten() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        FocusAdjustmentTab& focus = focusTab(screen);
        typeFocusValue(focus, 0, 2, QStringLiteral("7"));
        const QString path = f.dir.filePath(QStringLiteral("seven.vlad"));
        f.savePaths << path;
        f.click(screen.saveAsButton());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), boundMs);
        QVERIFY(f.waitIdle());
        typeFocusValue(focus, 0, 2, QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->isWindowModified(), boundMs);
        QVERIFY(screen.noteLabel()->isHidden());

        f.openPaths << path;
        f.click(screen.openButton());
        QTRY_VERIFY_WITH_TIMEOUT(screen.noteLabel()->isVisible(), boundMs);
        QVERIFY(screen.noteLabel()->text().contains(QStringLiteral("seven.vlad")));
        QVERIFY(screen.noteLabel()->text().contains(QStringLiteral("Apply")));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        QCOMPARE(focus.textField(0, 2)->text(), QStringLiteral("7"));
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));

        f.click(screen.applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(sawAlert(f, DialogId::setAdjustDataComplete), boundMs);
        QTRY_VERIFY_WITH_TIMEOUT(screen.noteLabel()->isHidden(), boundMs);
        QVERIFY(!f.window->isWindowModified());
    }
};

QTEST_MAIN(TestLensWindow)
#include "tst_lenswindow.moc"
