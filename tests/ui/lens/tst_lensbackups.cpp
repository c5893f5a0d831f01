// The lens's settings are backed up before anything changes them, and offered back after a lens
// firmware update.
#include "adjust/AdjustDataFile.h"
#include "adjust/AdjustPayload.h"
#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "LogCapture.h"
#include "session/SettingsLibrary.h"
#include "ui/lens/SettingsLibraryDialog.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QAction>
#include <QStackedWidget>
#include <QTableWidget>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString putBack = QStringLiteral("Put back your settings?");

// Settings unlike the factory ones, as a calibrated lens holds them.
LensAdjustData calibrated() {
    LensAdjustData data;
    data.focusZoomClose[0] = 4;
    data.focusZoomInfinite[3] = -6;
    data.vcMode = 2;
    return data;
}

QList<SettingsLibrary::Entry> backupsOf(const LensFixture& f) {
    return SettingsLibrary(FileIO(f.libraryFolder)).backups(f.lens());
}

LensAdjustData load(const QString& path) {
    LensAdjustData data;
    AdjustDataFile::loadFile(path, data);
    return data;
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 3 + 7) & 0xFF);
    return data;
}

QString decline(const ModalAnswerer::Seen& seen) {
    return seen.buttonIds.first();
}

// Launched with the lens holding calibrated settings; true once the lens screen is idle.
bool launchCalibrated(LensFixture& f) {
    if (!f.startDock() || !f.startHost())
        return false;
    f.dock->setLensSettings(AdjustPayload::encode(calibrated(), f.lens()));
    f.serveCatalogues(QStringLiteral("0100"), f.lens());
    f.serveLensCatalogue(QStringLiteral("0100"));
    f.launch(f.host.downloadHost());
    return f.waitIdle();
}

std::optional<SettingsLibrary::Entry> backupFor(const LensFixture& f, const QString& reason) {
    for (const auto& entry : backupsOf(f))
        if (entry.name == reason)
            return entry;
    return std::nullopt;
}
} // namespace

class TestLensBackups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void everyWriteBacksUpWhatTheLensHeldFirst_data() {
        QTest::addColumn<bool>("factory");
        QTest::addColumn<QString>("reason");
        QTest::newRow("apply") << false << "apply";
        QTest::newRow("factory restore") << true << "factory";
    }
    void everyWriteBacksUpWhatTheLensHeldFirst() {
        QFETCH(bool, factory);
        QFETCH(QString, reason);
        LensFixture f;
        QVERIFY(launchCalibrated(f));
        LogCapture capture;
        if (!factory)
            QTest::keyClick(qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0))->slider(0, 0),
                            Qt::Key_Right);
        f.click(factory ? f.screen()->restoreFactoryButton() : f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 2, boundMs);
        QVERIFY(f.waitIdle());
        const auto backups = backupsOf(f);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(backups.first().name, reason);
        QVERIFY(load(backups.first().path).isSameSettings(calibrated(), f.lens()));
        // Made before the write went out.
        const QStringList lines = capture.untimed();
        const auto backupLine = std::find_if(lines.begin(), lines.end(),
                                             [](const QString& l) { return l.startsWith("[File] Backup "); });
        const auto writeLine = std::find_if(lines.begin(), lines.end(), [](const QString& l) {
            return l.startsWith("[USB] Send Command") && l.endsWith("Set Adj Data");
        });
        QVERIFY2(backupLine != lines.end() && writeLine != lines.end(), qPrintable(lines.join('\n')));
        QVERIFY(backupLine < writeLine);
        QVERIFY(!f.lensHolds().isSameSettings(calibrated(), f.lens())); // the write itself went ahead
    }

    void noBackupNoWrite() {
        LensFixture f;
        QVERIFY(launchCalibrated(f));
        // A file where the settings folder belongs.
        QFile blocker(f.libraryFolder + QStringLiteral("/Varnet/settings"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        f.click(f.screen()->restoreFactoryButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().size(), 2, boundMs);
        QCOMPARE(f.answerer->titles().last(), QStringLiteral("Backup failed"));
        QVERIFY(f.waitIdle());
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::setAdjData], 0);
        QVERIFY(f.lensHolds().isSameSettings(calibrated(), f.lens()));
        QVERIFY(f.editing().isSameSettings(calibrated(), f.lens()));
    }

    // A profile saved from the window, the lens changed, the profile written back from the library.
    void aProfileGoesBackOnTheLens() {
        LensFixture f;
        QStringList names{QStringLiteral("Body ../A")};
        f.askProfileName = [&names](QWidget*, const QString&, const QString&) -> std::optional<QString> {
            return names.isEmpty() ? std::nullopt : std::optional<QString>(names.takeFirst());
        };
        QVERIFY(launchCalibrated(f));
        f.action("menuSaveProfile")->trigger();
        QVERIFY(names.isEmpty());
        const SettingsLibrary library{FileIO(f.libraryFolder)};
        const auto profile = library.profile(f.lens(), QStringLiteral("Body ../A"));
        QVERIFY(profile);
        QVERIFY(load(profile->path).isSameSettings(calibrated(), f.lens()));

        f.click(f.screen()->restoreFactoryButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 2, boundMs);
        QVERIFY(f.waitIdle());
        QVERIFY(!f.lensHolds().isSameSettings(calibrated(), f.lens()));

        f.action("menuLibrary")->trigger();
        SettingsLibraryDialog* dialog = f.screen()->libraryDialog();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->table()->rowCount(), 2); // the profile, then the backup made by the restore
        QCOMPARE(dialog->table()->item(0, 2)->text(), QStringLiteral("Body ../A"));
        QCOMPARE(dialog->table()->item(1, 2)->text(), QStringLiteral("Before factory restore"));
        dialog->table()->selectRow(0);
        QVERIFY(dialog->renameButton()->isEnabled());
        f.click(dialog->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 4, boundMs);
        QCOMPARE(f.answerer->titles().mid(2),
                 (QStringList{QStringLiteral("Apply the settings"), QStringLiteral("Settings applied")}));
        QVERIFY2(f.answerer->seen().at(2).informativeText.contains(QStringLiteral("->")),
                 qPrintable(f.answerer->seen().at(2).informativeText)); // what changes on the lens
        QVERIFY(f.waitIdle());
        QVERIFY(f.lensHolds().isSameSettings(calibrated(), f.lens()));
        QTRY_COMPARE(dialog->table()->rowCount(), 3); // and the factory settings it replaced are kept

        // Renamed and deleted from the same list.
        names << QStringLiteral("Body B");
        dialog->table()->selectRow(0);
        f.click(dialog->renameButton());
        QVERIFY(library.profile(f.lens(), QStringLiteral("Body B")));
        dialog->table()->selectRow(0);
        f.click(dialog->deleteButton());
        QVERIFY(library.profiles(f.lens()).isEmpty());
        QCOMPARE(dialog->table()->rowCount(), 2);
    }

    // After a lens update the lens has its factory settings; yes puts the calibration back.
    void aLensUpdateOffersTheSettingsBack_data() {
        QTest::addColumn<bool>("agree");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void aLensUpdateOffersTheSettingsBack() {
        QFETCH(bool, agree);
        LensFixture f;
        QVERIFY(f.startDock() && f.startHost());
        f.dock->setLensSettings(AdjustPayload::encode(calibrated(), f.lens()));
        f.serveCatalogues(QStringLiteral("0100"), f.lens());
        f.serveLensCatalogue(QStringLiteral("0200"), decodeKey);
        const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", firmwareData(2000)}}, decodeKey);
        QVERIFY(packed.ok());
        f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed.bytes);
        f.launch(f.host.downloadHost(), [agree](const ModalAnswerer::Seen& seen) {
            return seen.title == putBack && !agree ? decline(seen) : ModalAnswerer::confirm(seen);
        });
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(putBack) == 1, boundMs);
        QString offered;
        for (const auto& seen : f.answerer->seen())
            if (seen.title == putBack)
                offered = seen.informativeText;
        if (agree)
            QTRY_VERIFY_WITH_TIMEOUT(f.countOf(QStringLiteral("Settings applied")) == 1, boundMs);
        QVERIFY(f.waitIdle());
        const auto beforeUpdate = backupFor(f, QStringLiteral("firmware-update"));
        QVERIFY(beforeUpdate);
        QVERIFY(load(beforeUpdate->path).isSameSettings(calibrated(), f.lens()));
        QVERIFY2(offered.contains(QFileInfo(beforeUpdate->path).fileName()), qPrintable(offered));
        // Putting them back is a write like any other: the factory settings it replaced are kept.
        QCOMPARE(backupsOf(f).size(), agree ? 2 : 1);
        QCOMPARE(f.dock->snapshot().lens.firmwareVersion, QStringLiteral("0200"));
        QCOMPARE(f.lensHolds().isSameSettings(calibrated(), f.lens()), agree);
        QCOMPARE(f.lensHolds().isSameSettings(LensAdjustData::factorySettings(f.lens()), f.lens()), !agree);
    }
};

QTEST_MAIN(TestLensBackups)
#include "tst_lensbackups.moc"
