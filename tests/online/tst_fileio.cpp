#include "LogCapture.h"
#include "online/FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

class TestFileIO : public QObject {
    Q_OBJECT

    static void writeFile(const QString& path, const QByteArray& content = "x") {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    static int fileLines(const LogCapture& log) {
        int count = 0;
        for (const QString& line : log.untimed())
            count += line.startsWith("[File] ") ? 1 : 0;
        return count;
    }

private slots:
    void foldersLieUnderVarnetInTheLibraryFolder() {
        QTemporaryDir library;
        const FileIO fileIO(library.path());
        QCOMPARE(fileIO.baseDirectory(), library.path() + "/Varnet");
        QCOMPARE(fileIO.adapterDirectory(), library.path() + "/Varnet/adapter");
        QCOMPARE(fileIO.lensDirectory(), library.path() + "/Varnet/lens");
        QVERIFY(QFileInfo(library.path() + "/Varnet/adapter").isDir());
    }

    void lensFolderIsCreatedWithItsParents() {
        QTemporaryDir temporary;
        const QString library = temporary.filePath("not/yet/there");
        const std::optional<QString> lens = FileIO(library).lensDirectory();
        QCOMPARE(lens, library + "/Varnet/lens");
        QVERIFY(QFileInfo(library + "/Varnet").isDir());
        QVERIFY(QFileInfo(*lens).isDir());
    }

    void askingTwiceGivesTheSamePath() {
        QTemporaryDir library;
        LogCapture log;
        const FileIO fileIO(library.path());
        const std::optional<QString> first = fileIO.lensDirectory();
        const std::optional<QString> second = fileIO.lensDirectory();
        QVERIFY(first);
        QCOMPARE(second, first);
        QCOMPARE(fileLines(log), 0);
    }

    void defaultLibraryIsTheUsersDataFolder() {
        QStandardPaths::setTestModeEnabled(true);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(FileIO().baseDirectory(), data + "/Varnet");
        QDir(data + "/Varnet").removeRecursively();
        QStandardPaths::setTestModeEnabled(false);
    }

    // Tests run as root, so "cannot be written" is a library path that runs through a regular file.
    void unusableLibraryFolderGivesNoPathAndLogsEachAttempt_data() {
        QTest::addColumn<QString>("blocker"); // the regular file in the way, relative to a fresh folder
        QTest::addColumn<QString>("library");
        QTest::newRow("library is a file") << "library"
                                           << "library";
        QTest::newRow("parent is a file") << "parent"
                                          << "parent/library";
        QTest::newRow("Varnet is a file") << "library/Varnet"
                                          << "library";
    }
    void unusableLibraryFolderGivesNoPathAndLogsEachAttempt() {
        QFETCH(QString, blocker);
        QFETCH(QString, library);
        QTemporaryDir temporary;
        QDir(temporary.path()).mkpath(QFileInfo(temporary.filePath(blocker)).path());
        writeFile(temporary.filePath(blocker));
        LogCapture log;
        const FileIO fileIO(temporary.filePath(library));
        QCOMPARE(fileIO.baseDirectory(), std::nullopt);
        QCOMPARE(fileLines(log), 1);
        QCOMPARE(fileIO.adapterDirectory(), std::nullopt);
        QCOMPARE(fileLines(log), 2);
        QCOMPARE(fileIO.lensDirectory(), std::nullopt);
        QCOMPARE(fileLines(log), 3);
        QVERIFY(QFileInfo(temporary.filePath(blocker)).isFile());
    }

    void subFolderThatIsAFileGivesNoPath() {
        QTemporaryDir library;
        QDir(library.path()).mkpath("Varnet");
        writeFile(library.filePath("Varnet/lens"));
        LogCapture log;
        QCOMPARE(FileIO(library.path()).lensDirectory(), std::nullopt);
        QCOMPARE(fileLines(log), 1);
        QVERIFY2(log.untimed().first().endsWith("/Varnet/lens"), qPrintable(log.untimed().first()));
    }

    void removingAFileDeletesIt() {
        QTemporaryDir folder;
        const QString path = folder.filePath("lensinfo_A000N0.xml");
        writeFile(path);
        QCOMPARE(FileIO(folder.path()).removeFile(path), std::nullopt);
        QVERIFY(!QFileInfo::exists(path));
    }

    void removingNothingIsNoError() {
        QTemporaryDir folder;
        writeFile(folder.filePath("other.xml"));
        LogCapture log;
        QCOMPARE(FileIO(folder.path()).removeFile(folder.filePath("missing.xml")), std::nullopt);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"other.xml"});
        QCOMPARE(log.lines(), QStringList());
    }

    void removingAFolderReportsTheErrorWithoutLogging() {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath("sub/inner");
        LogCapture log;
        const std::optional<QString> error = FileIO(folder.path()).removeFile(folder.filePath("sub"));
        QVERIFY(error);
        QVERIFY(!error->isEmpty());
        QVERIFY(QFileInfo(folder.filePath("sub/inner")).isDir());
        QCOMPARE(log.lines(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFileIO)
#include "tst_fileio.moc"
