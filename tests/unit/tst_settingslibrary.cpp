#include "adjust/AdjustDataFile.h"
#include "session/SettingsLibrary.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
LensInfo lensNamed(const QString& model, const QString& serial) {
    LensInfo lens;
    lens.modelCode = model;
    lens.serialCode = serial;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    return lens;
}

LensAdjustData settingsWith(int first) {
    LensAdjustData data;
    data.focusZoomClose[0] = first;
    return data;
}

// The first focus value of a saved file, or 99 when it does not load.
int firstValueIn(const QString& path) {
    LensAdjustData data;
    const bool loaded = AdjustDataFile::loadFile(path, data).result == AdjustFileLoadResult::success;
    return loaded ? int(data.focusZoomClose[0]) : 99;
}
} // namespace

class TestSettingsLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QDateTime clock = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
    int step = 1; // seconds from one backup to the next
    SettingsLibrary library{FileIO(dir.path()), [this] { return clock = clock.addSecs(step); }};
    const LensInfo lens = lensNamed("A036", "SN0001");

private slots:
    void backupsAreKeptPerLensNewestFirst() {
        const auto first = library.backUp(settingsWith(1), lens, BackupReason::apply, nullptr);
        const auto second = library.backUp(settingsWith(2), lens, BackupReason::firmwareUpdate, nullptr);
        QVERIFY(first && second);
        auto entries = library.backups(lens);
        QVERIFY(entries.size() == 2 && entries[0].path == *second && entries[0].time > entries[1].time);
        QCOMPARE(entries[0].name + " " + entries[1].name, QString("firmware-update apply"));
        QCOMPARE(firstValueIn(*first) * 10 + firstValueIn(*second), 12);
        QVERIFY(library.backups(lensNamed("A036", "SN0002")).isEmpty()); // another lens has its own

        // Only the newest are kept.
        const LensInfo other = lensNamed("B011", "SN7");
        for (int i = 0; i < SettingsLibrary::backupsKept + 3; ++i)
            QVERIFY(library.backUp(settingsWith(i % 20), other, BackupReason::apply, nullptr));
        entries = library.backups(other);
        QCOMPARE(entries.size(), SettingsLibrary::backupsKept);
        QCOMPARE(firstValueIn(entries.first().path), (SettingsLibrary::backupsKept + 2) % 20);
        QCOMPARE(firstValueIn(entries.last().path), 3); // the three oldest went

        // A lens name from the device stays inside the library.
        const LensInfo hostile = lensNamed("../x", "../../../etc");
        QVERIFY(library.backUp(settingsWith(1), hostile, BackupReason::apply, nullptr));
        QCOMPARE(library.backups(hostile).size(), 1);
        for (QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            QVERIFY(QDir(dir.path()).relativeFilePath(it.next()).startsWith(QStringLiteral("Varnet/")));

        step = 0; // two in the same millisecond both stay
        QVERIFY(library.backUp(settingsWith(1), lens, BackupReason::apply, nullptr) !=
                library.backUp(settingsWith(2), lens, BackupReason::apply, nullptr));

        // A file where the library's folder should be: the backup fails and says why.
        QTemporaryDir blocked;
        QFile file(blocked.filePath("Varnet"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QString error;
        QVERIFY(!SettingsLibrary(FileIO(blocked.path()))
                     .backUp(settingsWith(1), lens, BackupReason::factory, &error));
        QVERIFY(!error.isEmpty());
    }

    // Names need not suit the file system: whatever the user types stays inside the library, and names
    // that differ only in case are one name.
    void profilesAreKeptByName() {
        QTemporaryDir own;
        SettingsLibrary profiles{FileIO(own.path())};
        const QStringList names{"../../x",  "a/b",      "cam: 1*?<>|\"\\", ".profile",
                                "50% body", "ボディ 📷", "Body A"};
        for (const QString& name : names) {
            const auto path = profiles.saveProfile(name, settingsWith(int(name.size())), lens, nullptr);
            QVERIFY2(path, qPrintable(name));
            QVERIFY(QFileInfo(*path).canonicalPath().startsWith(QDir(own.path()).canonicalPath()));
            QVERIFY(!QFileInfo(*path).fileName().startsWith(QLatin1Char('.')));
            QCOMPARE(firstValueIn(profiles.profile(lens, name)->path), int(name.size()));
        }
        QString error;
        for (const QString& refused : {QString(), QString("   "), QString(300, 'x'), QString("body a")}) {
            QVERIFY(!profiles.saveProfile(refused, settingsWith(1), lens, &error));
            QVERIFY(!error.isEmpty());
        }
        QVERIFY(error.contains("Body A"));
        QVERIFY(profiles.saveProfile("Body A", settingsWith(3), lens, nullptr)); // the same name replaces it
        QCOMPARE(profiles.profiles(lens).size(), names.size());
        QVERIFY(!profiles.renameProfile(lens, "Body A", "A/B", &error));
        QVERIFY(!profiles.renameProfile(lens, "Body A", "", &error));
        QVERIFY(!profiles.renameProfile(lens, "none", "three", &error));
        QVERIFY(profiles.renameProfile(lens, "Body A", "three/3", &error));
        QVERIFY(!profiles.profile(lens, "Body A"));
        QCOMPARE(firstValueIn(profiles.profile(lens, "three/3")->path), 3);
        QVERIFY(profiles.deleteProfile(lens, "a/b", &error));
        QVERIFY(!profiles.deleteProfile(lens, "a/b", &error));
        QCOMPARE(profiles.profiles(lens).size(), names.size() - 1);
    }
};

QTEST_GUILESS_MAIN(TestSettingsLibrary)
#include "tst_settingslibrary.moc"
