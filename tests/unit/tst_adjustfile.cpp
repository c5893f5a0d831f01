#include "adjust/AdjustDataFile.h"
#include "LogCapture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(AdjustFileLoadResult)
Q_DECLARE_METATYPE(LensAdjustData)

namespace {
LensInfo fullLens() {
    LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    return lens;
}

// The second of the two settings adjust-save-loop alternates between; the first is the defaults.
LensAdjustData savedBySaveLoop() {
    LensAdjustData data;
    data.focusZoomClose = {1, -2, 3, -4, 5, -6, 7, -8};
    data.vcMode = 3;
    return data;
}

const QString zeros24 = QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");

QString fileLine(const QString& settingsAfterFocus, const QString& focus = zeros24,
                 const QString& head = QStringLiteral("ZOLAD,20261206101500,A000,0000")) {
    return head + QLatin1Char(',') + focus + QLatin1Char(',') + settingsAfterFocus;
}
} // namespace

class TestAdjustFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write test file");
        file.write(content);
        return path;
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void savesTheDefaultsOfAFullLens() {
        LogCapture capture;
        const QString path = dir.filePath("defaults.vlad");
        const auto outcome = AdjustDataFile::saveFile(LensAdjustData(), path, "A000", "0000", fullLens());
        QVERIFY(outcome.saved);
        QVERIFY(!outcome.error);
        const QByteArray content = read(path);
        static const QRegularExpression expected("^ZOLAD,\\d{14},A000,0000,(0,){24}1,2,0,9,1,0,9,1,2$");
        QVERIFY2(expected.match(QString::fromUtf8(content)).hasMatch(), content.constData());
        QVERIFY(capture.lines().contains(QStringLiteral("[Save Data] Length = %1").arg(content.size())));
        QCOMPARE(capture.lines().first(), QString("----- Adjust Data Dump -----"));
    }

    void savesOnlyWhatTheLensUses_data() {
        QTest::addColumn<int>("zoomCount");
        QTest::addColumn<int>("focusPoints");
        QTest::addColumn<int>("limitCount");
        QTest::addColumn<int>("capabilities"); // zoom 1, manual 2, limiter 4, VC 8
        QTest::addColumn<QString>("tail");     // elements 4 to 36
        QTest::newRow("everything")
            << 8 << 3 << 2 << 15
            << "1,2,3,4,5,6,7,8,-1,-2,-3,-4,-5,-6,-7,-8,9,8,7,6,5,4,3,2,1,3,1,6,2,4,8,1,3";
        QTest::newRow("five zooms, two points") << 5 << 2 << 2 << 15
                                                << "1,2,3,4,5,0,0,0,-1,-2,-3,-4,-5,0,0,0,0,0,0,0,0,0,0,0,"
                                                   "1,3,1,6,2,4,8,1,3";
        QTest::newRow("one switch position") << 8 << 3 << 1 << 15
                                             << "1,2,3,4,5,6,7,8,-1,-2,-3,-4,-5,-6,-7,-8,9,8,7,6,5,4,3,2,"
                                                "1,3,1,6,2,0,0,0,3";
        QTest::newRow("no limiter switch") << 8 << 3 << 0 << 15
                                           << "1,2,3,4,5,6,7,8,-1,-2,-3,-4,-5,-6,-7,-8,9,8,7,6,5,4,3,2,"
                                              "1,3,0,0,0,0,0,0,3";
        QTest::newRow("nothing supported") << 8 << 3 << 2 << 0 << zeros24 + ",0,0,0,0,0,0,0,0,0";
    }
    void savesOnlyWhatTheLensUses() {
        QFETCH(int, zoomCount);
        QFETCH(int, focusPoints);
        QFETCH(int, limitCount);
        QFETCH(int, capabilities);
        QFETCH(QString, tail);
        LensInfo lens;
        lens.zoomCount = zoomCount;
        lens.focusPointCount = focusPoints;
        lens.focusLimitCount = limitCount;
        lens.supportsFocusZoom = capabilities & 1;
        lens.supportsFullTimeManual = capabilities & 2;
        lens.supportsFocusLimit = capabilities & 4;
        lens.supportsVcMode = capabilities & 8;
        LensAdjustData data;
        for (int i = 0; i < 8; ++i) {
            data.focusZoomClose[i] = i + 1;
            data.focusZoomCenter[i] = -(i + 1);
            data.focusZoomInfinite[i] = 9 - i;
        }
        data.fullTimeManual = 3;
        data.focusLimitFirstNear = 1;
        data.focusLimitFirstFar = 6;
        data.focusLimitFirstMode = 2;
        data.focusLimitSecondNear = 4;
        data.focusLimitSecondFar = 8;
        data.vcMode = 3;
        const QString line = AdjustDataFile::formatLine(data, "20261206101500", "A036", "0102", lens);
        QCOMPARE(line, "ZOLAD,20261206101500,A036,0102," + tail);
    }

    void disabledManualFocusIsSavedAsZeros() {
        LensAdjustData data;
        data.isFullTimeManualEnable = false;
        data.fullTimeManual = 3;
        const QString line = AdjustDataFile::formatLine(data, "20261206101500", "A000", "0000", fullLens());
        QVERIFY(line.endsWith(",0,0,0,9,1,0,9,1,2"));
    }

    void refusesCodesThatAreNotFourBytes_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("firmware");
        QTest::newRow("five-character model") << "A0361"
                                              << "0000";
        QTest::newRow("three-digit firmware") << "A036"
                                              << "000";
        QTest::newRow("four characters, five bytes") << QString("A03") + QChar(0xE9) << "0000";
    }
    void refusesCodesThatAreNotFourBytes() {
        QFETCH(QString, model);
        QFETCH(QString, firmware);
        const QString path = write("kept.vlad", "old content");
        const auto outcome = AdjustDataFile::saveFile(LensAdjustData(), path, model, firmware, fullLens());
        QVERIFY(!outcome.saved);
        QVERIFY(!outcome.error);
        QCOMPARE(read(path), QByteArray("old content"));
    }

    void failedWriteReportsTheSystemError() {
        const QString path = dir.filePath("missing-folder/out.vlad");
        const auto outcome = AdjustDataFile::saveFile(LensAdjustData(), path, "A000", "0000", fullLens());
        QVERIFY(!outcome.saved);
        QVERIFY(outcome.error && !outcome.error->isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // The process dies in the middle of replacing a good file: what is left is a whole file, the old
    // one or the new one, and the next save is not hindered by anything the dead one left behind.
    void saveKilledMidwayLeavesOldOrNewFile_data() {
        QTest::addColumn<int>("killAfter");
        for (int saves : {1, 2, 5, 17, 60})
            QTest::addRow("during save %d", saves) << saves;
    }
    void saveKilledMidwayLeavesOldOrNewFile() {
        QFETCH(int, killAfter);
        QTemporaryDir folder;
        const QString path = folder.filePath("settings.vlad");
        QVERIFY(AdjustDataFile::saveFile(LensAdjustData(), path, "A036", "0102", fullLens()).saved);
        QProcess saver;
        saver.start(QStringLiteral(LENSDOCK_SAVE_LOOP_EXE), {path});
        QVERIFY(saver.waitForStarted());
        const QByteArray started = "saving " + QByteArray::number(killAfter) + "\n";
        QByteArray output;
        while (!output.contains(started)) {
            QVERIFY2(saver.waitForReadyRead(10000), qPrintable(saver.readAllStandardError()));
            output += saver.readAllStandardOutput();
        }
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

        LensAdjustData left;
        QCOMPARE(AdjustDataFile::loadFile(path, left).result, AdjustFileLoadResult::success);
        QVERIFY(left == LensAdjustData() || left == savedBySaveLoop());

        LensAdjustData next;
        next.vcMode = 1;
        QVERIFY(AdjustDataFile::saveFile(next, path, "A036", "0102", fullLens()).saved);
        LensAdjustData reloaded;
        QCOMPARE(AdjustDataFile::loadFile(path, reloaded).result, AdjustFileLoadResult::success);
        QCOMPARE(reloaded, next);
    }

    void savedFileLoadsBack() {
        LensAdjustData data;
        data.focusZoomClose = {1, -2, 3, -4, 5, -6, 7, -30};
        data.focusZoomInfinite[3] = 30;
        data.focusLimitSecondNear = 3;
        data.focusLimitSecondMode = 2;
        data.vcMode = 3;
        const QString path = dir.filePath("roundtrip.vlad");
        QVERIFY(AdjustDataFile::saveFile(data, path, "A036", "0102", fullLens()).saved);
        LensAdjustData loaded;
        const auto outcome = AdjustDataFile::loadFile(path, loaded);
        QCOMPARE(outcome.result, AdjustFileLoadResult::success);
        QCOMPARE(outcome.modelCode, QString("A036"));
        QCOMPARE(outcome.firmwareVersion, QString("0102"));
        QCOMPARE(loaded, data);
    }

    void malformedFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<AdjustFileLoadResult>("result");
        QTest::addColumn<QString>("message");
        const QString good = fileLine("1,2,0,9,1,0,9,1,2");
        QTest::newRow("good") << good.toUtf8() << AdjustFileLoadResult::success << "";
        QTest::newRow("36 elements") << fileLine("1,2,0,9,1,0,9,1").toUtf8()
                                     << AdjustFileLoadResult::formatError << "[Load Data] Element Error : 36";
        QTest::newRow("38 elements") << (good + ",").toUtf8() << AdjustFileLoadResult::formatError
                                     << "[Load Data] Element Error : 38";
        QTest::newRow("empty file") << QByteArray() << AdjustFileLoadResult::formatError
                                    << "[Load Data] Element Error : 1";
        QTest::newRow("13-digit date before identifier")
            << fileLine("1,2,0,9,1,0,9,1,2", zeros24, "XOLAD,2026120610150,A000,0000").toUtf8()
            << AdjustFileLoadResult::formatError << "[Load Data] Date Error : 2026120610150";
        QTest::newRow("three-digit firmware")
            << fileLine("1,2,0,9,1,0,9,1,2", zeros24, "ZOLAD,20261206101500,A000,000").toUtf8()
            << AdjustFileLoadResult::formatError << "";
        QTest::newRow("identifier")
            << fileLine("1,2,0,9,1,0,9,1,2", zeros24, "ZOLAX,20261206101500,A000,0000").toUtf8()
            << AdjustFileLoadResult::formatError << "[Load Data] Identifier Error ZOLAD : ZOLAX";
        QTest::newRow("trailing line break")
            << (good + "\n").toUtf8() << AdjustFileLoadResult::valueError << "";
        QTest::newRow("blank before a number")
            << fileLine("1,2,0,9,1,0,9,1, 2").toUtf8() << AdjustFileLoadResult::valueError << "";
        QTest::newRow("decimal point")
            << fileLine("1,2,0,9.0,1,0,9,1,2").toUtf8() << AdjustFileLoadResult::valueError << "";
        QTest::newRow("lone sign") << fileLine("1,-,0,9,1,0,9,1,2").toUtf8()
                                   << AdjustFileLoadResult::valueError << "";
        QTest::newRow("empty focus element") << fileLine("1,2,0,9,1,0,9,1,2", "," + zeros24.mid(2)).toUtf8()
                                             << AdjustFileLoadResult::valueError << "";
        QTest::newRow("enable flag 2")
            << fileLine("2,2,0,9,1,0,9,1,2").toUtf8() << AdjustFileLoadResult::valueError << "";
        QTest::newRow("beyond 64 bits") << fileLine("1,2,0,9223372036854775808,1,0,9,1,2").toUtf8()
                                        << AdjustFileLoadResult::valueError << "";
        QTest::newRow("arabic-indic digit")
            << fileLine(QString("1,2,0,") + QChar(0x0663) + ",1,0,9,1,2").toUtf8()
            << AdjustFileLoadResult::valueError << "";
        QTest::newRow("not UTF-8") << QByteArray("ZOLAD,\xFF\xFE") << AdjustFileLoadResult::osError << "";
        QTest::newRow("far too large")
            << QByteArray(70 * 1024, ',') << AdjustFileLoadResult::formatError << "";
    }
    void malformedFiles() {
        QFETCH(QByteArray, content);
        QFETCH(AdjustFileLoadResult, result);
        QFETCH(QString, message);
        const QString path = write("case.vlad", content);
        LogCapture capture;
        LensAdjustData data;
        const auto outcome = AdjustDataFile::loadFile(path, data);
        QCOMPARE(outcome.result, result);
        if (result == AdjustFileLoadResult::osError)
            QVERIFY(outcome.error && !outcome.error->isEmpty());
        if (!message.isEmpty())
            QVERIFY2(capture.lines().contains(message), qPrintable(capture.lines().join('\n')));
        if (message.contains("Date Error"))
            QVERIFY(!capture.lines().join('\n').contains("Identifier Error"));
    }

    void signsAndLimitsOfNumbers() {
        const QString path = write("signs.vlad", fileLine("1,+3,0,-9223372036854775808,1,0,9,1,2").toUtf8());
        LensAdjustData data;
        QCOMPARE(AdjustDataFile::loadFile(path, data).result, AdjustFileLoadResult::success);
        QCOMPARE(data.fullTimeManual, std::int64_t(3));
        QCOMPARE(data.focusLimitFirstFar, std::int64_t(INT64_MIN));
    }

    void missingFileIsAnOsError() {
        LensAdjustData data;
        const auto outcome = AdjustDataFile::loadFile(dir.filePath("absent.vlad"), data);
        QCOMPARE(outcome.result, AdjustFileLoadResult::osError);
        QVERIFY(outcome.error && !outcome.error->isEmpty());
    }

    void openingFillsEmptySettingsFromTheFactory_data() {
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<LensAdjustData>("expected");
        LensAdjustData factoryFilled;
        factoryFilled.focusLimitFirstNear = 2;
        factoryFilled.focusLimitFirstFar = 7;
        factoryFilled.focusLimitFirstMode = 2;
        factoryFilled.focusLimitSecondNear = 1;
        factoryFilled.focusLimitSecondFar = 5;
        factoryFilled.vcMode = 2;
        QTest::newRow("saved without VC and limiter") << "1,2,0,0,0,0,0,0,0" << zeros24 << factoryFilled;
        LensAdjustData manualOff = factoryFilled;
        manualOff.isFullTimeManualEnable = false;
        manualOff.fullTimeManual = 2;
        manualOff.vcMode = 3;
        manualOff.focusLimitFirstNear = 3;
        manualOff.focusLimitFirstFar = 4;
        manualOff.focusLimitFirstMode = 1;
        QTest::newRow("manual focus off") << "0,0,3,4,1,0,0,0,3" << zeros24 << manualOff;
        LensAdjustData corrected = factoryFilled;
        corrected.vcMode = 1;
        corrected.focusZoomClose[1] = 7;
        QTest::newRow("out of range corrected") << "1,2,0,0,0,0,0,0,1"
                                                << "99,7," + zeros24.mid(4) << corrected;
    }
    void openingFillsEmptySettingsFromTheFactory() {
        QFETCH(QString, tail);
        QFETCH(QString, focus);
        QFETCH(LensAdjustData, expected);
        const QString path = write("open.vlad", fileLine(tail, focus).toUtf8());
        LensInfo lens = fullLens();
        lens.focusLimitDefaultFirstNear = 2;
        lens.focusLimitDefaultFirstFar = 7;
        lens.focusLimitDefaultSecondNear = 1;
        lens.focusLimitDefaultSecondFar = 5;
        lens.focusLimitDefaultModes = {2, 1, 1, 1};
        LensAdjustData current;
        current.vcMode = 3;
        current.focusZoomCenter[0] = 12;
        const auto outcome =
            AdjustDataFile::openIntoEditor(path, lens, LensAdjustData::factorySettings(lens), current);
        QCOMPARE(outcome.result, AdjustFileOpenResult::success);
        QCOMPARE(current, expected);
    }

    void failedOpeningChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        const QByteArray good = fileLine("1,3,0,9,1,0,9,1,3").toUtf8();
        QTest::newRow("other model") << "model.vlad" << QString(good).replace("A000", "a000").toUtf8()
                                     << int(AdjustFileOpenResult::modelMismatch);
        QTest::newRow("wrong extension") << "settings.txt" << good << int(AdjustFileOpenResult::formatError);
        QTest::newRow("no extension") << "settings" << good << int(AdjustFileOpenResult::formatError);
        QTest::newRow("value error") << "value.vlad" << fileLine("1,x,0,9,1,0,9,1,3").toUtf8()
                                     << int(AdjustFileOpenResult::valueError);
        QTest::newRow("format error")
            << "format.vlad" << QByteArray("ZOLAD") << int(AdjustFileOpenResult::formatError);
    }
    void failedOpeningChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        const QString path = write(name, content);
        LensAdjustData current;
        current.focusZoomClose[0] = 5;
        const LensAdjustData before = current;
        const auto outcome = AdjustDataFile::openIntoEditor(path, fullLens(), LensAdjustData(), current);
        QCOMPARE(int(outcome.result), result);
        QCOMPARE(current, before);
    }

    void openingAMissingFileReportsTheSystemError() {
        LensAdjustData current;
        const auto outcome =
            AdjustDataFile::openIntoEditor(dir.filePath("gone.vlad"), fullLens(), LensAdjustData(), current);
        QCOMPARE(outcome.result, AdjustFileOpenResult::osError);
        QVERIFY(outcome.error && !outcome.error->isEmpty());
    }

    void extensionIsAppendedWhenMissing_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("none") << "/tmp/lens"
                              << "/tmp/lens.vlad";
        QTest::newRow("other") << "/tmp/lens.txt"
                               << "/tmp/lens.txt.vlad";
        QTest::newRow("already") << "/tmp/lens.vlad"
                                 << "/tmp/lens.vlad";
    }
    void extensionIsAppendedWhenMissing() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(AdjustDataFile::withExtension(chosen), written);
    }
};

QTEST_GUILESS_MAIN(TestAdjustFile)
#include "tst_adjustfile.moc"
