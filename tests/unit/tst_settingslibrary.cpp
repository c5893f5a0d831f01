#include "adjust/AdjustDataFile.h"
#include "session/SettingsLibrary.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
LensInfo lensNamed(const QString& model, const QString& serial) {
    LensInfo lens;
    lens.modelCode = model;
    lens.serialCode = serial;
    lens.firmwareVersion = QStringLiteral("0100");
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    return lens;
}

LensAdjustData settingsWith(int first) {
    LensAdjustData data;
    data.focusZoomClose[0] = first;
    data.vcMode = 2;
    return data;
}

LensAdjustData loaded(const QString& path) {
    LensAdjustData data;
    const auto outcome = AdjustDataFile::loadFile(path, data);
    if (outcome.result != AdjustFileLoadResult::success)
        qWarning("cannot load %s", qPrintable(path));
    return data;
}

// Every file under `root`, relative to it.
QStringList filesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    return files;
}
} // namespace

class TestSettingsLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QDateTime clock = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
    SettingsLibrary library{FileIO(dir.path()), [this] { return clock = clock.addSecs(1); }};
    const LensInfo lens = lensNamed(QStringLiteral("A036"), QStringLiteral("SN0001"));

private slots:
    void backupsHoldWhatTheLensHeldNewestFirst() {
        QString error;
        const auto first = library.backUp(settingsWith(1), lens, BackupReason::apply, &error);
        const auto second = library.backUp(settingsWith(2), lens, BackupReason::firmwareUpdate, &error);
        QVERIFY2(first && second, qPrintable(error));
        const auto entries = library.backups(lens);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).path, *second);
        QCOMPARE(entries.at(0).name, QStringLiteral("firmware-update"));
        QCOMPARE(entries.at(1).name, QStringLiteral("apply"));
        QVERIFY(entries.at(0).time > entries.at(1).time);
        QCOMPARE(loaded(*first).focusZoomClose[0], 1);
        QCOMPARE(loaded(*second).focusZoomClose[0], 2);
        // Another lens has its own folder.
        QVERIFY(library.backups(lensNamed(QStringLiteral("A036"), QStringLiteral("SN0002"))).isEmpty());
    }

    void onlyTheNewestAreKept() {
        const LensInfo other = lensNamed(QStringLiteral("B011"), QStringLiteral("SN7"));
        const int made = SettingsLibrary::backupsKept + 3;
        for (int i = 0; i < made; ++i)
            QVERIFY(library.backUp(settingsWith(i % 20), other, BackupReason::apply, nullptr));
        const auto entries = library.backups(other);
        QCOMPARE(entries.size(), SettingsLibrary::backupsKept);
        QCOMPARE(loaded(entries.first().path).focusZoomClose[0], (made - 1) % 20);
        QCOMPARE(loaded(entries.last().path).focusZoomClose[0], 3 % 20); // the three oldest went
    }

    void twoBackupsInTheSameMillisecondBothStay() {
        const LensInfo other = lensNamed(QStringLiteral("C022"), QStringLiteral("SN9"));
        SettingsLibrary frozen(FileIO(dir.path()), [] { return QDateTime(QDate(2026, 1, 1), QTime(1, 2)); });
        QVERIFY(frozen.backUp(settingsWith(1), other, BackupReason::apply, nullptr));
        QVERIFY(frozen.backUp(settingsWith(2), other, BackupReason::apply, nullptr));
        QCOMPARE(frozen.backups(other).size(), 2);
    }

    void aLensNameFromTheDeviceStaysInsideTheLibrary() {
        const LensInfo hostile = lensNamed(QStringLiteral("../x"), QStringLiteral("../../../etc"));
        QVERIFY(library.backUp(settingsWith(1), hostile, BackupReason::apply, nullptr));
        for (const QString& file : filesUnder(dir.path()))
            QVERIFY2(!file.startsWith(QStringLiteral("..")), qPrintable(file));
        QCOMPARE(library.backups(hostile).size(), 1);
    }

    void aBackupThatCannotBeWrittenSaysWhy() {
        QTemporaryDir blocked;
        QFile file(blocked.filePath(QStringLiteral("Varnet")));
        QVERIFY(file.open(QIODevice::WriteOnly)); // a file where the folder should be
        file.close();
        SettingsLibrary broken{FileIO(blocked.path())};
        QString error;
        QVERIFY(!broken.backUp(settingsWith(1), lens, BackupReason::factory, &error));
        QVERIFY(!error.isEmpty());
    }

    // Killed while it makes backups, the program leaves only whole settings files behind.
    void aKillDuringABackupLeavesWholeFiles() {
        QTemporaryDir library;
        QProcess saver;
        saver.start(QStringLiteral(LENSDOCK_SAVE_LOOP_EXE), {QStringLiteral("--backups"), library.path()});
        QVERIFY(saver.waitForStarted());
        QByteArray output;
        while (!output.contains("saving 70\n")) {
            QVERIFY2(saver.waitForReadyRead(10000), qPrintable(saver.readAllStandardError()));
            output += saver.readAllStandardOutput();
        }
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        const LensInfo looped = lensNamed(QStringLiteral("A036"), QStringLiteral("LOOP"));
        SettingsLibrary after{FileIO(library.path())};
        const auto entries = after.backups(looped);
        QVERIFY(!entries.isEmpty());
        QVERIFY(entries.size() <= SettingsLibrary::backupsKept + 1); // killed between a save and its pruning
        for (const auto& entry : entries) {
            LensAdjustData data;
            QCOMPARE(AdjustDataFile::loadFile(entry.path, data).result, AdjustFileLoadResult::success);
        }
        QVERIFY(after.backUp(settingsWith(9), looped, BackupReason::apply, nullptr));
        QCOMPARE(loaded(after.backups(looped).first().path).focusZoomClose[0], 9);
    }

    void profileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << QStringLiteral("Body A") << true;
        QTest::newRow("traversal") << QStringLiteral("../../x") << true;
        QTest::newRow("separator") << QStringLiteral("a/b") << true;
        QTest::newRow("refused by other systems") << QStringLiteral("cam: 1*?<>|\"\\") << true;
        QTest::newRow("hidden") << QStringLiteral(".profile") << true;
        QTest::newRow("percent") << QStringLiteral("50% body") << true;
        QTest::newRow("not Latin") << QStringLiteral("ボディ 📷") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank") << QStringLiteral("   ") << false;
        QTest::newRow("300 characters") << QString(300, QLatin1Char('x')) << false;
    }
    void profileNames() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QTemporaryDir own;
        SettingsLibrary profiles{FileIO(own.path())};
        QString error;
        const auto path = profiles.saveProfile(name, settingsWith(7), lens, &error);
        QCOMPARE(path.has_value(), accepted);
        if (!accepted) {
            QVERIFY(!error.isEmpty());
            QVERIFY(profiles.profiles(lens).isEmpty());
            return;
        }
        QVERIFY(QFileInfo(*path).canonicalPath().startsWith(QDir(own.path()).canonicalPath()));
        QVERIFY(!QFileInfo(*path).fileName().startsWith(QLatin1Char('.')));
        const auto listed = profiles.profiles(lens);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().name, name);
        QCOMPARE(loaded(listed.first().path).focusZoomClose[0], 7);
    }

    void namesThatDifferOnlyInCaseAreRefused() {
        QTemporaryDir own;
        SettingsLibrary profiles{FileIO(own.path())};
        QVERIFY(profiles.saveProfile(QStringLiteral("Body A"), settingsWith(1), lens, nullptr));
        QString error;
        QVERIFY(!profiles.saveProfile(QStringLiteral("body a"), settingsWith(2), lens, &error));
        QVERIFY(error.contains(QStringLiteral("Body A")));
        // The same name replaces the profile.
        QVERIFY(profiles.saveProfile(QStringLiteral("Body A"), settingsWith(3), lens, nullptr));
        QCOMPARE(profiles.profiles(lens).size(), 1);
        QCOMPARE(loaded(profiles.profile(lens, QStringLiteral("Body A"))->path).focusZoomClose[0], 3);
    }

    void renameAndDelete() {
        QTemporaryDir own;
        SettingsLibrary profiles{FileIO(own.path())};
        QVERIFY(profiles.saveProfile(QStringLiteral("one"), settingsWith(1), lens, nullptr));
        QVERIFY(profiles.saveProfile(QStringLiteral("two"), settingsWith(2), lens, nullptr));
        QString error;
        QVERIFY(!profiles.renameProfile(lens, QStringLiteral("one"), QStringLiteral("TWO"), &error));
        QVERIFY(profiles.renameProfile(lens, QStringLiteral("one"), QStringLiteral("three/3"), &error));
        QVERIFY(!profiles.profile(lens, QStringLiteral("one")));
        QCOMPARE(loaded(profiles.profile(lens, QStringLiteral("three/3"))->path).focusZoomClose[0], 1);
        QVERIFY(profiles.deleteProfile(lens, QStringLiteral("two"), &error));
        QVERIFY(!profiles.deleteProfile(lens, QStringLiteral("two"), &error));
        QCOMPARE(profiles.profiles(lens).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSettingsLibrary)
#include "tst_settingslibrary.moc"
