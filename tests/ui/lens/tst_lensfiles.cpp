#include "LensFixture.h"
#include "ui/lens/AdjustFileFolder.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <unistd.h>

using namespace lensdock;

namespace {
const QString openFailed = QStringLiteral("Opening failed");
const QString saveFailed = QStringLiteral("Saving failed");

// A settings file of the emulated zoom lens: close 5 … -4, infinity … 7, full-time manual on at level
// 3, limiter 1 from 1 to 8 in segment mode, limiter 2 from 2 to 7, VC mode 1.
QStringList goodElements(const QString& model = QStringLiteral("A036")) {
    QStringList elements{"ZOLAD", "20260102030405", model, "0100"};
    elements << "5"
             << "0"
             << "0"
             << "0"
             << "0"
             << "0"
             << "0"
             << "-4";
    for (int i = 0; i < 8; ++i)
        elements << "0";
    elements << "0"
             << "0"
             << "0"
             << "0"
             << "0"
             << "0"
             << "0"
             << "7";
    elements << "1"
             << "3"
             << "1"
             << "8"
             << "2"
             << "2"
             << "7"
             << "1"
             << "1";
    return elements;
}

QString writeFile(const QString& path, const QString& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content.toUtf8());
    return path;
}

FocusAdjustmentTab* focusTab(LensFixture& f) {
    return qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
}
} // namespace

class TestLensFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void openingAGoodFileChangesTheTabsButNotTheLens() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        const QByteArray lensBefore = f.dock->snapshot().adjustBytes;
        f.openPaths << writeFile(f.dir.filePath("good.vlad"), goodElements().join(','));
        f.click(f.screen()->openButton());
        QCOMPARE(f.openDialogs, 1);
        QVERIFY(f.answerer->seen().isEmpty());
        const LensAdjustData opened = f.editing();
        QCOMPARE(opened.focusZoomClose[0], 5);
        QCOMPARE(opened.focusZoomClose[7], -4);
        QCOMPARE(opened.focusZoomInfinite[7], 7);
        QCOMPARE(opened.fullTimeManual, 3);
        QCOMPARE(opened.focusLimitFirstNear, 1);
        QCOMPARE(opened.focusLimitFirstFar, 8);
        QCOMPARE(opened.focusLimitFirstMode, 2);
        QCOMPARE(opened.vcMode, 1);
        QCOMPARE(focusTab(f)->textField(0, 0)->text(), QStringLiteral("5"));
        QVERIFY(f.waitIdle());
        QTest::qWait(100);
        QCOMPARE(f.dock->snapshot().adjustBytes, lensBefore);
    }

    void aFileThatCannotBeOpenedChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("reason");
        const QString good = goodElements().join(',');
        QTest::newRow("another model")
            << "other.vlad" << goodElements("B999").join(',') << "The file belongs to another lens model.";
        QTest::newRow("wrong extension")
            << "good.txt" << good << "The file is not a settings file of this program.";
        QStringList notInteger = goodElements();
        notInteger[10] = "5.0";
        QTest::newRow("not an integer")
            << "value.vlad" << notInteger.join(',') << "The file contains values outside the lens's range.";
        QTest::newRow("36 elements") << "short.vlad" << goodElements().mid(1).join(',')
                                     << "The file is not a settings file of this program.";
        QTest::newRow("no file chosen")
            << "" << QString() << "The file is not a settings file of this program.";
        QTest::newRow("missing file") << "missing.vlad" << QString() << QString();
    }
    void aFileThatCannotBeOpenedChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QString, content);
        QFETCH(QString, reason);
        LensFixture f;
        QVERIFY(f.launchConnected());
        QTest::keyClick(focusTab(f)->slider(1, 0), Qt::Key_Right);
        const QString path = name.isEmpty() ? QString() : f.dir.filePath(name);
        if (!content.isEmpty())
            QVERIFY(!writeFile(path, content).isEmpty());
        f.openPaths << path; // then the dialog is cancelled
        f.click(f.screen()->openButton());
        QTRY_COMPARE(f.openDialogs, 2);
        QCOMPARE(f.answerer->titles(), QStringList{openFailed});
        if (!reason.isEmpty())
            QVERIFY2(f.answerer->seen().first().informativeText.contains(reason),
                     qPrintable(f.answerer->seen().first().informativeText));
        QCOMPARE(f.answerer->seen().first().icon, QMessageBox::Critical);
        // Only the edit made before (stored when the command started) is there.
        LensAdjustData expected = LensAdjustData();
        expected.focusZoomClose[1] = 1;
        QCOMPARE(f.editing().focusZoomClose, expected.focusZoomClose);
        QCOMPARE(f.editing().vcMode, f.lensHolds().vcMode);
        QCOMPARE(focusTab(f)->textField(1, 0)->text(), QStringLiteral("1"));
        QVERIFY(f.waitIdle());
    }

    // Every file alert names the file with its folder and says what is wrong in the user's words.
    void fileErrorsNameTheFileAndTheProblem_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("setup"); // "", "file", "damaged", "folder", "read-only folder"
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("problem");
        QTest::newRow("open: missing") << false << ""
                                       << "gone.vlad"
                                       << "gone.vlad"
                                       << "does not exist";
        QTest::newRow("open: damaged") << false << "damaged"
                                       << "damaged.vlad"
                                       << "damaged.vlad"
                                       << "not a settings file";
        QTest::newRow("open: another model") << false << "other model"
                                             << "other.vlad"
                                             << "other.vlad"
                                             << "another lens model";
        QTest::newRow("save: folder missing") << true << ""
                                              << "no-such-folder/mine"
                                              << "mine.vlad"
                                              << "folder to save in does not exist";
        QTest::newRow("save: a folder in the way") << true << "folder"
                                                   << "mine"
                                                   << "mine.vlad"
                                                   << "could not be written";
        QTest::newRow("save: read-only folder") << true << "read-only folder"
                                                << "locked/mine"
                                                << "mine.vlad"
                                                << "permission";
    }
    void fileErrorsNameTheFileAndTheProblem() {
        QFETCH(bool, save);
        QFETCH(QString, setup);
        QFETCH(QString, chosen);
        QFETCH(QString, named);
        QFETCH(QString, problem);
        LensFixture f;
        const QString path = f.dir.filePath(chosen);
        if (setup == "damaged")
            QVERIFY(!writeFile(path, "not,a,settings,file").isEmpty());
        if (setup == "other model")
            QVERIFY(!writeFile(path, goodElements("B999").join(',')).isEmpty());
        if (setup == "folder")
            QVERIFY(QDir().mkpath(path + ".vlad"));
        if (setup == "read-only folder") {
            if (geteuid() == 0)
                QSKIP("root writes into any folder");
            QVERIFY(QDir().mkpath(f.dir.filePath("locked")));
            QVERIFY(QFile::setPermissions(f.dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
        }
        QVERIFY(f.launchConnected());
        (save ? f.savePaths : f.openPaths) << path; // then the dialog is cancelled
        f.click(save ? f.screen()->saveAsButton() : f.screen()->openButton());
        QTRY_COMPARE(save ? f.saveDialogs : f.openDialogs, 2);
        QCOMPARE(f.answerer->titles(), QStringList{save ? saveFailed : openFailed});
        const QString text = f.answerer->seen().first().informativeText;
        const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
        QVERIFY2(text.contains(named), qPrintable(text));
        QVERIFY2(text.contains(folder), qPrintable(text));
        QVERIFY2(text.contains(problem), qPrintable(text));
        QVERIFY(f.waitIdle());
    }

    void savingAppendsTheExtension_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "mine"
                                      << "mine.vlad";
        QTest::newRow("with the extension") << "mine.vlad"
                                            << "mine.vlad";
        QTest::newRow("another extension") << "mine.txt"
                                           << "mine.txt.vlad";
    }
    void savingAppendsTheExtension() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        LensFixture f;
        QVERIFY(f.launchConnected());
        QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
        f.savePaths << f.dir.filePath(typed);
        f.click(f.screen()->saveAsButton());
        QCOMPARE(f.saveDialogs, 1);
        QVERIFY(f.answerer->seen().isEmpty());
        QFile file(f.dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList elements = QString::fromUtf8(file.readAll()).split(',');
        QCOMPARE(elements.size(), 37);
        QCOMPARE(elements.at(0), QStringLiteral("ZOLAD"));
        QCOMPARE(elements.at(2), QStringLiteral("A036"));
        QCOMPARE(elements.at(3), QStringLiteral("0100"));
        QCOMPARE(elements.at(4), QStringLiteral("1")); // the edit, stored by the command
        QCOMPARE(elements.at(36), QStringLiteral("2"));
        if (typed != written)
            QVERIFY(!QFile::exists(f.dir.filePath(typed)));
        QVERIFY(f.waitIdle());
    }

    void aFailedSaveIsReportedAndAskedAgain() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        f.savePaths << f.dir.filePath("no-such-folder/mine") << "";
        f.click(f.screen()->saveAsButton());
        QTRY_COMPARE(f.saveDialogs, 3);
        QCOMPARE(f.answerer->titles(), (QStringList{saveFailed, saveFailed}));
        // The system's reason is added for the failed write only.
        QVERIFY(f.answerer->seen().at(0).informativeText.count('\n') >
                f.answerer->seen().at(1).informativeText.count('\n'));
        QVERIFY(!QFile::exists(f.dir.filePath("no-such-folder/mine.vlad")));
        QVERIFY(f.waitIdle());
    }

    // Quitting closes the alert; the dialog it would bring back stays closed, and the program ends.
    void quittingAtASaveErrorOpensNoDialog() {
        LensFixture f;
        QVERIFY(f.launchConnected([](const ModalAnswerer::Seen&) { return QStringLiteral("left open"); }));
        f.savePaths << f.dir.filePath("no-such-folder/mine") << f.dir.filePath("mine");
        f.click(f.screen()->saveAsButton());
        QTRY_COMPARE(f.answerer->titles(), QStringList{saveFailed});
        QVERIFY(f.quit());
        QCOMPARE(f.saveDialogs, 1);
        QVERIFY(!QFile::exists(f.dir.filePath("mine.vlad")));
    }

    // The first dialog of a run starts in the documents folder; the next ones, and those of later
    // runs, where the user last chose a file. Saving proposes the lens and the day as the name.
    void fileDialogsStartInTheDocumentsThenWhereTheLastFileWent() {
        QTemporaryDir home;
        const QString documents = home.filePath("Papers");
        QVERIFY(QDir().mkpath(documents) && QDir().mkpath(home.filePath("config")));
        QVERIFY(
            !writeFile(home.filePath("config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"" + documents + "\"\n")
                 .isEmpty());
        const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        LensFixture f;
        QVERIFY(f.launchConnected());
        const QString kept = f.dir.filePath("kept");
        QVERIFY(QDir().mkpath(kept));
        f.savePaths << kept + "/mine";
        const QDate before = QDate::currentDate();
        f.click(f.screen()->saveAsButton());
        const QDate after = QDate::currentDate();
        f.click(f.screen()->openButton()); // cancelled
        qputenv("XDG_CONFIG_HOME", configBefore);
        QCOMPARE(f.saveStarts.size(), 1);
        QCOMPARE(f.saveStarts[0].folder, documents);
        const QStringList names{"A036 " + before.toString("yyyy-MM-dd") + ".vlad",
                                "A036 " + after.toString("yyyy-MM-dd") + ".vlad"};
        QVERIFY2(names.contains(f.saveStarts[0].fileName), qPrintable(f.saveStarts[0].fileName));
        QCOMPARE(f.openStarts.size(), 1);
        QCOMPARE(f.openStarts[0].folder, kept);
        QCOMPARE(f.openStarts[0].fileName, QString());
        // Kept in the settings file for the next run.
        QFile settings(f.settingsFile());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(settings.readAll()).contains(kept));
        QVERIFY(f.waitIdle());
    }

    // A documents folder that does not exist is no start: the dialog would fall back to the working
    // directory. Then the home folder is used.
    void withoutADocumentsFolderTheDialogsStartAtHome() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath("config")));
        QVERIFY(!writeFile(home.filePath("config/user-dirs.dirs"),
                           "XDG_DOCUMENTS_DIR=\"" + home.filePath("never-made") + "\"\n")
                     .isEmpty());
        const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        const QString start = AdjustFileFolder(home.filePath("lensdock.conf")).start();
        qputenv("XDG_CONFIG_HOME", configBefore);
        QCOMPARE(start, QDir::homePath());
    }

    void proposedNamesAreSafeFileNames_data() {
        QTest::addColumn<QString>("modelCode");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "A036"
                               << "A036 2026-12-08.vlad";
        QTest::newRow("separators") << "A/03\\6:*?"
                                    << "A_03_6___ 2026-12-08.vlad";
        QTest::newRow("leading dot") << ".A036"
                                     << "A036 2026-12-08.vlad";
        QTest::newRow("no code") << ""
                                 << "2026-12-08.vlad";
    }
    void proposedNamesAreSafeFileNames() {
        QFETCH(QString, modelCode);
        QFETCH(QString, name);
        QCOMPARE(AdjustFileFolder::proposedName(modelCode, QDate(2026, 12, 8)), name);
    }

    void theFileMenuOpensAndSaves() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        f.openPaths << writeFile(f.dir.filePath("good.vlad"), goodElements().join(','));
        f.action("menuOpen")->trigger();
        QCOMPARE(f.openDialogs, 1);
        QCOMPARE(f.editing().focusZoomClose[0], 5);
        QVERIFY(f.waitIdle());
        f.savePaths << f.dir.filePath("copy");
        f.action("menuSaveAs")->trigger();
        QCOMPARE(f.saveDialogs, 1);
        QFile file(f.dir.filePath("copy.vlad"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split(',').mid(4), goodElements().mid(4));
        QVERIFY(f.answerer->seen().isEmpty());
    }
};

QTEST_MAIN(TestLensFiles)
#include "tst_lensfiles.moc"
