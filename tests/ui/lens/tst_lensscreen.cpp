// The lens screen in the window: the user's edits carried to the lens, the marks and questions about
// values not yet written, the window's keys, size and look, settings files and the library.
#include "adjust/AdjustDataFile.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "session/SettingsLibrary.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/lens/SettingsLibraryDialog.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <QAction>
#include <QGraphicsEffect>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTableWidget>

using namespace lensdock;
constexpr int boundMs = LensFixture::courseBoundMs;

static bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

class TestLensScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Under a dark desktop theme the window stays light. Edits on every tab, the tabs switched by
    // their keys and a value being typed taken by Ctrl+Return, reach the lens; the marks of unapplied
    // edits are gone by the time success is reported. A refused factory restore shows the edits again.
    // A value still being typed is taken by Quit, which then asks before it is lost.
    void editsTravelFromTheTabsToTheLens() {
        const QPalette before = QApplication::palette();
        const auto restorePalette = qScopeGuard([&before] { QApplication::setPalette(before); });
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35), QColor(0x20, 0x20, 0x20)));
        LensFixture f;
        bool markedAtSuccess = false;
        QVERIFY(f.launchConnected([&f, &markedAtSuccess](const ModalAnswerer::Seen& seen) {
            if (seen.title == titleOf(DialogId::setAdjustDataComplete))
                markedAtSuccess = f.window->isWindowModified() || f.screen()->applyButton()->font().bold();
            return seen.buttonIds.last();
        }));
        LensScreen& screen = *f.screen();
        const QPalette palette = f.window->palette();
        QVERIFY(palette.color(QPalette::Window).lightness() > 200 &&
                palette.color(QPalette::ButtonText).lightness() < 100);
        QCOMPARE(screen.infoPanel()->txtLensName()->text(), "Test Zoom 28-300");
        QCOMPARE(screen.infoPanel()->txtMountName()->text(), "Canon");
        f.press("Ctrl+2");
        FocusLimitPosition* first = f.shown<FocusLimiterTab>()->position(1);
        QTest::keyClick(first->sliderFar(), Qt::Key_Left);
        LensFixture::tick(first->radioSegment());
        f.press("Ctrl+Tab");
        LensFixture::tick(f.shown<MiscellaneousTab>()->vcModeRow(2));
        QTRY_VERIFY(f.window->isWindowModified() && screen.applyButton()->font().bold());
        f.press("Ctrl+Tab"); // wraps
        QLineEdit* field = f.shown()->textField(2, 0);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, "-17");

        f.press("Ctrl+Return");
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setAdjustDataComplete), boundMs);
        // The caution lists each change in the window's words, the limiter on its sliders' scale.
        const QStringList changes = f.answerer->seen().first().informativeText.split('\n');
        const int far = f.lens().focusLimitDefaultFirstFar + 1;
        for (const QString& line : {QString("Close, %1 mm: 0 \u2192 -17").arg(f.lens().zoomFocalLengths[2]),
                                    QString("Limiter 1, Far: %1 \u2192 %2").arg(far).arg(far - 1),
                                    QString("Limiter 1: Range \u2192 Segment"),
                                    QString("VC mode: Mode 2 (standard) \u2192 Mode 3")})
            QVERIFY2(changes.contains(line), qPrintable(changes.join(" | ")));
        const LensAdjustData held = f.lensHolds();
        QCOMPARE(held.focusZoomClose[2], -17);
        QCOMPARE(held.focusLimitFirstFar, f.lens().focusLimitDefaultFirstFar - 1);
        QCOMPARE(held.focusLimitFirstMode, 2); // segment
        QCOMPARE(held.vcMode, 3);
        QVERIFY(!f.window->isWindowModified() && !screen.applyButton()->font().bold());
        const std::pair<const char*, int> tabKeys[] = {
            {"Ctrl+Shift+Backtab", 2}, {"Ctrl+PgUp", 1}, {"Ctrl+1", 0}};
        for (const auto& [keys, index] : tabKeys) {
            f.press(keys);
            QVERIFY2(screen.tabView()->currentIndex() == index, keys);
        }
        QVERIFY(f.waitIdle());
        f.dock->armFault(FaultKind::refuseAdjustWrite, 4); // the request and its three resends
        f.click(screen.restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultError), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lensHolds(), held);
        QCOMPARE(field->text(), "-17");
        QVERIFY(!markedAtSuccess);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, "4");
        f.action("menuQuit")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QVERIFY(f.window->isWindowModified());
        QCOMPARE(f.answerer->seen().size(), 5); // the two commands' caution and result, then discard
        QCOMPARE(f.answerer->titles().last(), titleOf(DialogId::discardChangesConfirm));
    }

    // Unapplied edits leave with their lens and are offered back once when the same lens (by its
    // serial number) returns, not for another lens of the model; the question says whether the lens
    // or the whole dock went. Each screen has one window size however often it comes back through
    // the fades. Closing asks before the edits are lost.
    void editsComeBackWithTheSameLens() {
        QString restore = "dialogBtnNo";
        QString discard = "dialogBtnCancel";
        LensFixture f;
        f.fade = std::chrono::milliseconds(40);
        QVERIFY(f.launchConnected([&](const ModalAnswerer::Seen& seen) {
            if (seen.title == titleOf(DialogId::restoreEditsConfirm))
                return restore;
            return seen.title == titleOf(DialogId::discardChangesConfirm) ? discard : seen.buttonIds.last();
        }));
        const auto faded = [&f] {
            return QTest::qWaitFor([&f] { return f.window->findChildren<QGraphicsEffect*>().isEmpty(); },
                                   boundMs);
        };
        QVERIFY(faded());
        const QSize lensSize = f.window->size();
        std::optional<QSize> connectSize;
        const auto remount = [&](const QString& serial, bool unplug = false) {
            if (unplug)
                f.dock->unplug();
            else
                f.dock->unmountLens();
            QVERIFY(QTest::qWaitFor([&] { return !f.screen(); }, boundMs) && faded());
            QVERIFY(!f.window->isWindowModified());
            // The connect screen gets the room it asks for, not the lens screen's height.
            QCOMPARE(f.window->centralWidget()->height(), f.window->content()->sizeHint().height());
            QCOMPARE(f.window->size(), connectSize.value_or(f.window->size()));
            connectSize = f.window->size();
            f.dock->setLensSerial(serial);
            if (unplug)
                f.dock->replug();
            else
                f.dock->mountLens();
            QVERIFY(f.waitIdle() && faded());
            QCOMPARE(f.window->size(), lensSize);
        };
        const auto offers = [&f] {
            return int(f.answerer->titles().count(titleOf(DialogId::restoreEditsConfirm)));
        };
        const QString serial = f.lens().serialCode;
        f.type(4, 2, "12");
        for (const QString& lens : {QString("9999999999999999"), serial, serial}) {
            remount(lens);
            QVERIFY(!QTest::currentTestFailed());
            QCOMPARE(offers(), lens == serial ? 1 : 0); // declined, and not asked again
            QCOMPARE(f.tab().textField(4, 2)->text(), "0");
        }
        f.type(4, 2, "12");
        restore = "dialogBtnYes";
        remount(serial, true);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(offers(), 2);
        const auto asked = [&f](const char* words) {
            return std::count_if(f.answerer->seen().cbegin(), f.answerer->seen().cend(),
                                 [words](const auto& seen) {
                                     return seen.informativeText.startsWith(QString::fromLatin1(words));
                                 });
        };
        QCOMPARE(asked("This lens was removed"), 1);
        QCOMPARE(asked("The lens dock was unplugged"), 1);
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        QCOMPARE(f.tab().textField(4, 2)->text(), "12");

        f.window->close(); // cancelled: all stays
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::discardChangesConfirm), boundMs);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), boundMs);
        QVERIFY(f.window->isVisible() && f.endCount == 0 && f.window->isWindowModified());
        discard = "dialogBtnDiscard";
        f.action("menuQuit")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::setAdjData], 0);
    }

    // A file saved and opened again is shown and said to be unwritten until Apply; a file that cannot
    // be opened or saved is named with its folder and its problem, the dialog comes back, and the
    // edits stay. A file equal to what the lens holds is said to be so. The dialogs start where the
    // last file went. Quitting at an error opens no dialog.
    void filesKeepTheEditsUntilApplied() {
        bool leaveAlertsOpen = false;
        LensFixture f;
        QVERIFY(f.launchConnected([&leaveAlertsOpen](const ModalAnswerer::Seen& seen) {
            return leaveAlertsOpen ? QString() : seen.buttonIds.last();
        }));
        LensScreen& screen = *f.screen();
        f.type(0, 2, "7");
        const QString kept = f.dir.filePath("kept");
        QVERIFY(QDir().mkpath(kept));
        f.savePaths << kept + "/seven.txt"; // the settings file's extension is added
        f.press("Ctrl+Shift+S");
        const QString saved = kept + "/seven.txt.vlad";
        QVERIFY(QFile::exists(saved) && !QFile::exists(kept + "/seven.txt"));
        QVERIFY(f.starts.first().fileName.startsWith("A036 2"));
        f.click(screen.restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultDataComplete), boundMs);
        QVERIFY(f.waitIdle());
        const LensAdjustData factory = f.lensHolds();
        QCOMPARE(f.tab().textField(0, 2)->text(), "0");
        QVERIFY(!f.window->isWindowModified() && screen.noteLabel()->isHidden());
        f.openPaths << saved;
        f.press("Ctrl+O");
        QCOMPARE(f.starts.last().folder, kept);
        QVERIFY(screen.noteLabel()->isVisible() && screen.noteLabel()->text().contains("seven.txt.vlad"));
        QTRY_VERIFY(f.window->isWindowModified());
        QCOMPARE(f.tab().textField(0, 2)->text(), "7");

        QFile good(saved);
        QVERIFY(good.open(QIODevice::ReadOnly));
        const QByteArray content = good.readAll();
        // Saved or opened, the name chosen, what is there first ("dir": a folder in the way), the problem.
        const std::tuple<bool, const char*, QByteArray, const char*> cases[] = {
            {false, "gone.vlad", {}, "does not exist"},
            {false, "other.vlad", QByteArray(content).replace(",A036,", ",B999,"), "another lens model"},
            {false, "value.vlad", QByteArray(content).replace(",7,", ",5.0,"), "outside the lens's range"},
            {false, "good.txt", content, "not a settings file of this program"},
            {false, "", {}, ""},
            {true, "no-such-folder/mine", {}, "folder to save in does not exist"},
            {true, "mine", "dir", "could not be written"},
            {true, "", {}, ""},
        };
        for (const auto& [save, chosen, there, problem] : cases) {
            const QString path = *chosen ? f.dir.filePath(QString::fromUtf8(chosen)) : QString();
            if (there == "dir")
                QVERIFY(QDir().mkpath(path + ".vlad"));
            else if (!there.isEmpty())
                QVERIFY(writeFile(path, there));
            const qsizetype alerts = f.answerer->seen().size();
            const int asked = f.openDialogs + f.saveDialogs;
            (save ? f.savePaths : f.openPaths) << path; // then the dialog, shown again, is cancelled
            f.click(save ? screen.saveAsButton() : screen.openButton());
            QTRY_COMPARE(f.openDialogs + f.saveDialogs, asked + 2);
            // Opening over the unapplied values asks first, once.
            const QStringList expected =
                save ? QStringList{"Saving failed"} : QStringList{"Discard changes?", "Opening failed"};
            QCOMPARE(f.answerer->titles().mid(alerts), expected);
            const ModalAnswerer::Seen& alert = f.answerer->seen().last();
            const QFileInfo named(save ? AdjustDataFile::withExtension(path) : path);
            for (const QString& part : {QString::fromUtf8(problem), named.fileName(),
                                        QDir::toNativeSeparators(named.absolutePath())})
                QVERIFY2(path.isEmpty() || alert.informativeText.contains(part),
                         qPrintable(alert.informativeText));
            QVERIFY(f.waitIdle());
        }
        QCOMPARE(f.tab().textField(0, 2)->text(), "7");
        QCOMPARE(f.lensHolds(), factory);
        f.click(screen.applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setAdjustDataComplete), boundMs);
        QTRY_VERIFY(!f.window->isWindowModified() && screen.noteLabel()->isHidden());
        QCOMPARE(f.lensHolds().focusZoomInfinite[0], 7);
        QVERIFY(f.waitIdle());
        const QSize size = f.window->size();
        f.openPaths << saved; // what the lens now holds
        f.press("Ctrl+O");
        QTRY_COMPARE(f.answerer->titles().last(), "Nothing to apply");
        QVERIFY(f.answerer->seen().last().informativeText.endsWith("seven.txt.vlad"));
        QVERIFY(screen.noteLabel()->isHidden() && !f.window->isWindowModified());
        QCOMPARE(f.window->size(), size);

        QVERIFY(f.waitIdle());
        leaveAlertsOpen = true;
        f.savePaths << f.dir.filePath("no-such-folder/mine") << f.dir.filePath("late");
        f.click(screen.saveAsButton());
        QTRY_COMPARE(f.answerer->titles().last(), "Saving failed");
        QVERIFY(f.quit());
        QVERIFY(!QFile::exists(f.dir.filePath("late.vlad")));
    }

    // No backup, no write. A profile saved from the window goes back on the lens from the library
    // (declined, the window is as before), which lists the backups too, follows every change, renames,
    // deletes and exports.
    void aProfileGoesBackOnTheLens() {
        LensFixture f;
        bool decline = false;
        QStringList names{"Body ../A"};
        f.askProfileName = [&names](QWidget*, const QString&, const QString&) -> std::optional<QString> {
            return names.isEmpty() ? std::nullopt : std::optional<QString>(names.takeFirst());
        };
        LensAdjustData calibrated;
        calibrated.vcMode = 2;
        f.heldAtStart = calibrated;
        f.temporaryLibrary = true;
        QVERIFY(f.launchConnected([&decline](const ModalAnswerer::Seen& seen) {
            return decline ? seen.buttonIds.first() : seen.buttonIds.last();
        }));
        const QString blocker = f.libraryFolder + "/Varnet/settings"; // where backups go
        QVERIFY(writeFile(blocker, {}));
        f.click(f.screen()->restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::backupError), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::setAdjData], 0);
        QVERIFY(QFile::remove(blocker));

        f.action("menuSaveProfile")->trigger();
        const SettingsLibrary library{FileIO(f.libraryFolder)};
        QVERIFY(library.profile(f.lens(), "Body ../A"));
        f.action("menuFactory")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultDataComplete), boundMs);
        QVERIFY(f.waitIdle());

        f.action("menuLibrary")->trigger();
        SettingsLibraryDialog* dialog = f.screen()->libraryDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->note()->isVisible() && dialog->note()->text().contains("until the demo ends"));
        QTableWidget* table = dialog->table();
        const auto shownNames = [table] {
            QStringList shown;
            for (int row = 0; row < table->rowCount(); ++row)
                shown << table->item(row, 2)->text();
            return shown;
        };
        QCOMPARE(table->rowCount(), 2);
        // One order for profiles and backups: the newest first; times to the second.
        QCOMPARE(shownNames(), (QStringList{"Before factory restore", "Body ../A"}));
        QCOMPARE(table->item(0, 0)->text().count(':'), 2);
        table->selectRow(shownNames().indexOf("Body ../A"));
        const LensAdjustData shown = f.editing();
        decline = true;
        f.click(dialog->applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::customizeCaution), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.editing(), shown);
        QTRY_VERIFY(!f.window->isWindowModified() && f.screen()->noteLabel()->isHidden());
        decline = false;
        const qsizetype alerts = f.answerer->seen().size();
        f.click(dialog->applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.answerer->titles().count(titleOf(DialogId::setAdjustDataComplete)) == 1,
                                 boundMs);
        const QString caution = f.answerer->seen().at(alerts).informativeText; // what changes on the lens
        QVERIFY2(caution.endsWith("\nLimiter 2: Segment \u2192 Range"), qPrintable(caution));
        QVERIFY(f.waitIdle());
        QVERIFY(f.lensHolds().isSameSettings(calibrated, f.lens()));
        QTRY_COMPARE(table->rowCount(), 3); // and the factory settings it replaced are kept

        names << "Studio/Body B"
              << "Body C";
        table->selectRow(shownNames().indexOf("Body ../A"));
        f.click(dialog->renameButton());
        QVERIFY(library.profile(f.lens(), "Studio/Body B"));
        f.action("menuSaveProfile")->trigger(); // with the library open
        QCOMPARE(table->rowCount(), 4);
        table->selectRow(shownNames().indexOf("Body C"));
        f.click(dialog->deleteButton());
        QCOMPARE(library.profiles(f.lens()).size(), 1);
        QCOMPARE(table->rowCount(), 3);

        // Exported under the library's own safe name; a failed copy brings the dialog back.
        f.savePaths << f.dir.filePath("no-such-folder/x") << QString();
        const int saveDialogs = f.saveDialogs;
        table->selectRow(shownNames().indexOf("Studio/Body B"));
        f.click(dialog->exportButton());
        QTRY_COMPARE(f.saveDialogs, saveDialogs + 2);
        QCOMPARE(f.starts.last().fileName, "Studio%2FBody B.vlad");
        QCOMPARE(f.answerer->titles().last(), "Saving failed");
    }
};

QTEST_MAIN(TestLensScreen)
#include "tst_lensscreen.moc"
