// Settings files from the lens screen, and the library of profiles and backups.
#include "adjust/AdjustDataFile.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "session/SettingsLibrary.h"
#include "ui/lens/SettingsLibraryDialog.h"
#include "ui/Translations.h"

#include <QAction>
#include <QLabel>
#include <QTableWidget>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
} // namespace

class TestLensFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // A file saved and opened again is shown and said to be unwritten until Apply; a file that cannot
    // be opened or saved is named with its folder and its problem, the dialog comes back, and the
    // edits stay. The dialogs start where the last file went. Quitting at an error opens no dialog.
    void filesKeepTheEditsUntilApplied() {
        bool leaveAlertsOpen = false;
        LensFixture f;
        QVERIFY(f.launchConnected([&leaveAlertsOpen](const ModalAnswerer::Seen& seen) {
            return leaveAlertsOpen ? QString() : seen.buttonIds.last();
        }));
        LensScreen& screen = *f.screen();
        f.type(0, 2, QStringLiteral("7"));
        const QString kept = f.dir.filePath(QStringLiteral("kept"));
        QVERIFY(QDir().mkpath(kept));
        f.savePaths << kept + QStringLiteral("/seven.txt"); // the settings file's extension is added
        f.press("Ctrl+Shift+S");
        const QString saved = kept + QStringLiteral("/seven.txt.vlad");
        QVERIFY(QFile::exists(saved) && !QFile::exists(kept + QStringLiteral("/seven.txt")));
        QVERIFY2(f.starts.first().fileName.startsWith(QStringLiteral("A036 2")),
                 qPrintable(f.starts.first().fileName));
        f.click(screen.restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultDataComplete), boundMs);
        QVERIFY(f.waitIdle());
        const LensAdjustData factory = f.lensHolds();
        QCOMPARE(f.tab().textField(0, 2)->text(), QStringLiteral("0"));
        QVERIFY(!f.window->isWindowModified() && screen.noteLabel()->isHidden());
        f.openPaths << saved;
        f.press("Ctrl+O");
        QCOMPARE(f.starts.last().folder, kept);
        QVERIFY(screen.noteLabel()->isVisible());
        QVERIFY(screen.noteLabel()->text().contains(QStringLiteral("seven.txt.vlad")));
        QTRY_VERIFY(f.window->isWindowModified());
        QCOMPARE(f.tab().textField(0, 2)->text(), QStringLiteral("7"));

        QFile good(saved);
        QVERIFY(good.open(QIODevice::ReadOnly));
        const QByteArray content = good.readAll();
        QList<QByteArray> notInteger = content.split(',');
        notInteger[10] = "5.0";
        struct Case {
            bool save;
            const char* chosen;
            QByteArray content; // "dir": a folder in the way
            const char* problem;
        };
        const Case cases[] = {
            {false, "gone.vlad", {}, "does not exist"},
            {false, "damaged.vlad", "not,a,settings,file", "not a settings file"},
            {false, "other.vlad", QByteArray(content).replace(",A036,", ",B999,"), "another lens model"},
            {false, "value.vlad", notInteger.join(','), "outside the lens's range"},
            {false, "good.txt", content, "not a settings file of this program"},
            {false, "", {}, ""},
            {true, "no-such-folder/mine", {}, "folder to save in does not exist"},
            {true, "mine", "dir", "could not be written"},
            {true, "", {}, ""},
        };
        for (const Case& c : cases) {
            const QString path = *c.chosen ? f.dir.filePath(QString::fromUtf8(c.chosen)) : QString();
            if (c.content == "dir")
                QVERIFY(QDir().mkpath(path + QStringLiteral(".vlad")));
            else if (!c.content.isEmpty())
                QVERIFY(writeFile(path, c.content));
            const qsizetype alerts = f.answerer->seen().size();
            const int asked = f.openDialogs + f.saveDialogs;
            (c.save ? f.savePaths : f.openPaths) << path; // then the dialog, shown again, is cancelled
            f.click(c.save ? screen.saveAsButton() : screen.openButton());
            QTRY_COMPARE(f.openDialogs + f.saveDialogs, asked + 2);
            QCOMPARE(f.answerer->titles().mid(alerts),
                     QStringList{c.save ? "Saving failed" : "Opening failed"});
            const ModalAnswerer::Seen& alert = f.answerer->seen().last();
            QCOMPARE(alert.icon, QMessageBox::Critical);
            const QFileInfo named(c.save ? AdjustDataFile::withExtension(path) : path);
            for (const QString& part : {QString::fromUtf8(c.problem), named.fileName(),
                                        QDir::toNativeSeparators(named.absolutePath())})
                QVERIFY2(path.isEmpty() || alert.informativeText.contains(part),
                         qPrintable(alert.informativeText));
            QVERIFY(f.waitIdle());
        }
        QCOMPARE(f.tab().textField(0, 2)->text(), QStringLiteral("7"));
        QCOMPARE(f.lensHolds(), factory);
        f.click(screen.applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setAdjustDataComplete), boundMs);
        QTRY_VERIFY(!f.window->isWindowModified() && screen.noteLabel()->isHidden());
        QCOMPARE(f.lensHolds().focusZoomInfinite[0], 7);

        QVERIFY(f.waitIdle());
        leaveAlertsOpen = true;
        const int asked = f.saveDialogs;
        f.savePaths << f.dir.filePath(QStringLiteral("no-such-folder/mine"))
                    << f.dir.filePath(QStringLiteral("late"));
        f.click(screen.saveAsButton());
        QTRY_COMPARE(f.answerer->titles().last(), QStringLiteral("Saving failed"));
        QVERIFY(f.quit());
        QCOMPARE(f.saveDialogs, asked + 1);
        QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("late.vlad"))));
    }

    // No backup, no write. A profile saved from the window goes back on the lens from the library,
    // which lists the backups too, follows every change, renames, exports and deletes.
    void aProfileGoesBackOnTheLens() {
        LensFixture f;
        QStringList names{QStringLiteral("Body ../A")};
        f.askProfileName = [&names](QWidget*, const QString&, const QString&) -> std::optional<QString> {
            return names.isEmpty() ? std::nullopt : std::optional<QString>(names.takeFirst());
        };
        LensAdjustData calibrated;
        calibrated.focusZoomClose[0] = 4;
        calibrated.vcMode = 2;
        f.heldAtStart = calibrated;
        QVERIFY(f.launchConnected());
        const QString blocker = f.libraryFolder + QStringLiteral("/Varnet/settings"); // where backups go
        QVERIFY(writeFile(blocker, {}));
        f.click(f.screen()->restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::backupError), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::setAdjData], 0);
        QVERIFY(f.editing().isSameSettings(calibrated, f.lens()));
        QVERIFY(QFile::remove(blocker));

        f.action("menuSaveProfile")->trigger();
        const SettingsLibrary library{FileIO(f.libraryFolder)};
        QVERIFY(library.profile(f.lens(), QStringLiteral("Body ../A")));
        f.click(f.screen()->restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultDataComplete), boundMs);
        QVERIFY(f.waitIdle());
        QVERIFY(!f.lensHolds().isSameSettings(calibrated, f.lens()));

        f.action("menuLibrary")->trigger();
        SettingsLibraryDialog* dialog = f.screen()->libraryDialog();
        QVERIFY(dialog && dialog->isVisible());
        QTableWidget* table = dialog->table();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("Body ../A"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("Before factory restore"));
        table->selectRow(0);
        const qsizetype alerts = f.answerer->seen().size();
        f.click(dialog->applyButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.answerer->titles().count(titleOf(DialogId::setAdjustDataComplete)) == 1,
                                 boundMs);
        QCOMPARE(f.answerer->seen().at(alerts).title, titleOf(DialogId::customizeCaution));
        QVERIFY2(f.answerer->seen().at(alerts).informativeText.contains(QStringLiteral("->")),
                 qPrintable(f.answerer->seen().at(alerts).informativeText)); // what changes on the lens
        QVERIFY(f.waitIdle());
        QVERIFY(f.lensHolds().isSameSettings(calibrated, f.lens()));
        QTRY_COMPARE(table->rowCount(), 3); // and the factory settings it replaced are kept

        names << QStringLiteral("Body B") << QStringLiteral("Body C");
        table->selectRow(0);
        f.click(dialog->renameButton());
        QVERIFY(library.profile(f.lens(), QStringLiteral("Body B")));
        f.action("menuSaveProfile")->trigger(); // with the library open
        QCOMPARE(table->rowCount(), 4);
        table->selectRow(0);
        f.savePaths << f.dir.filePath(QStringLiteral("exported"));
        f.click(dialog->exportButton());
        QVERIFY(QFile::exists(f.dir.filePath(QStringLiteral("exported.vlad"))));
        f.click(dialog->deleteButton());
        QCOMPARE(library.profiles(f.lens()).size(), 1);
        QCOMPARE(table->rowCount(), 3);
    }
};

QTEST_MAIN(TestLensFiles)
#include "tst_lensfiles.moc"
