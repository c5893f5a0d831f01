#include "firmware/DecodeFirmware.h"
#include "FirmwareTestFiles.h"
#include "LogCapture.h"
#include "RecordingDecodeDelegate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace firmwaretest;

Q_DECLARE_METATYPE(FwErrorCode)

namespace {
const QString dataDir = QStringLiteral(LENSDOCK_FIRMWARE_TEST_DATA);
const QByteArray hello("HELLO");
const QString fwCount = "[Decode] Error FW Count";
const QString headerShort = "[Decode] Error header section length";
const QString dataLength = "[Decode] Error data length";
const QString dataShort = "[Decode] Error data section length";
const QString crcCheck = "[Decode] Error crc check";

QByteArray referenceFile() {
    return readHexFile(dataDir + "/two_records.vfwf.hex");
}
QByteArray referenceRecords() {
    return readHexFile(dataDir + "/two_records.dec.hex");
}

// `decodeKeyText` with the key byte at `index` changed in its lowest bit.
QString withKeyByteFlipped(int index) {
    QByteArray bytes = QByteArray::fromHex(decodeKeyText.toLatin1());
    bytes[index] = static_cast<char>(bytes[index] ^ 0x01);
    return QString::fromLatin1(bytes.toHex());
}
} // namespace

class TestDecodeFirmware : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return path;
    }
    static std::optional<QByteArray> readFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }
    QString outPath() const { return dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".dec"); }

    static void decode(RecordingDecodeDelegate& delegate, const std::optional<QString>& inFile,
                       const std::optional<QString>& outFile, const std::optional<QString>& key) {
        DecodeFirmware decoder;
        decoder.setDelegate(&delegate);
        if (inFile)
            decoder.setInFile(*inFile);
        if (outFile)
            decoder.setOutFile(*outFile);
        if (key)
            decoder.setDecodeKeyStr(*key);
        decoder.run();
    }
    static bool isNonDecreasingUpToOne(const QList<double>& progress) {
        for (qsizetype i = 0; i < progress.size(); ++i) {
            if (progress[i] <= 0.0 || progress[i] > 1.0 || (i > 0 && progress[i] < progress[i - 1]))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void testFilesFollowTheReferenceVector() {
        QCOMPARE(referenceFile().size(), 2056);
        QCOMPARE(encipher(referenceRecords()), referenceFile());
        // The first record is laid out exactly as the test's own records are.
        QCOMPARE(referenceRecords().left(1029), record(hello));
        QCOMPARE(referenceRecords().mid(2053), hexBytes("DE AD 01"));
    }

    void buildsTheKeys_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("upper case") << decodeKeyText;
        QTest::newRow("lower case") << decodeKeyText.toLower();
    }
    void buildsTheKeys() {
        QFETCH(QString, key);
        DecodeFirmware decoder;
        decoder.createBaseKey();
        QCOMPARE(decoder.baseKeyInfo().passPhrase, std::optional<QString>("CipherUtilityRootWord"));
        QCOMPARE(decoder.baseKeyInfo().key, std::optional<QByteArray>(baseKey));
        QCOMPARE(decoder.createDecryptionKey(key), FwErrorCode::resultOk);
        QCOMPARE(decoder.getDecryptionKey(), std::optional<QByteArray>(fileKey));
        QCOMPARE(decoder.keyIndex(), 0);
    }

    void noFileKeyWithoutABaseKey() {
        LogCapture capture;
        DecodeFirmware decoder;
        QCOMPARE(decoder.createDecryptionKey(decodeKeyText), FwErrorCode::resultOk);
        QVERIFY(!decoder.getDecryptionKey().has_value());
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error Algorithm not initialize"});
    }

    void decodesTheReferenceFile() {
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        const QString out = dir.filePath("reference.dec");
        decode(delegate, writeFile("reference.vfwf", referenceFile()), out, decodeKeyText);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(delegate.finished(), QList<int>{2});
        QCOMPARE(readFile(out), std::optional<QByteArray>(referenceRecords()));
        const QList<double> expected{1024.0 / 2056, 1029.0 / 2056, 2053.0 / 2056, 1.0};
        QCOMPARE(delegate.progress(), expected);
        // The "data length = " lines are tagged "Decode", which the trace log drops.
        QCOMPARE(capture.lines(), QStringList());
    }

    void decodesGoodFiles_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("progress");
        QTest::newRow("one record") << record(hello) << 1 << QList<double>{1024.0 / 1029, 1.0};
        QTest::newRow("3072 data bytes") << record(pattern(3072)) << 1 << QList<double>{0.25, 1.0};
        QTest::newRow("empty data section") << header(0, {0, 0}) << 1 << QList<double>{1.0, 1.0};
        QTest::newRow("three records")
            << record(pattern(1)) + record(pattern(100), '\x5A') + record(hello) << 3 << QList<double>();
        QTest::newRow("largest data section")
            << record(pattern(1048576)) << 1 << QList<double>{1024.0 / (1024 + 1048576), 1.0};
    }
    void decodesGoodFiles() {
        QFETCH(QByteArray, records);
        QFETCH(int, count);
        QFETCH(QList<double>, progress);
        RecordingDecodeDelegate delegate;
        decode(delegate, writeFile("good.vfwf", encipher(records)), outPath(), decodeKeyText);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(delegate.finished(), QList<int>{count});
        QCOMPARE(readFile(outPath()), std::optional<QByteArray>(records));
        QVERIFY(isNonDecreasingUpToOne(delegate.progress()));
        QCOMPARE(delegate.progress().constLast(), 1.0);
        if (!progress.isEmpty())
            QCOMPARE(delegate.progress(), progress);
    }

    void handlesMalformedFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("written"); // empty: no output file
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QStringList>("errorLines");
        const QByteArray other = record(hexBytes("DE AD 01"));
        const QByteArray badCrc = header(5, {0xDA, 0x59}) + hello; // the right CRC is DA 58
        QTest::newRow("empty file") << QByteArray() << QByteArray() << FwErrorCode::errorInvalidFile
                                    << QStringList{fwCount};
        QTest::newRow("10 stray bytes") << encipher(pattern(10)) << QByteArray()
                                        << FwErrorCode::errorInvalidFile << QStringList{headerShort, fwCount};
        QTest::newRow("header one byte short")
            << encipher(record(hello).left(1023)) << QByteArray() << FwErrorCode::errorInvalidFile
            << QStringList{headerShort, fwCount};
        QTest::newRow("record, then 10 stray bytes")
            << encipher(record(hello) + pattern(10)) << record(hello) << FwErrorCode::errorInvalidFile
            << QStringList{headerShort};
        QTest::newRow("data size 1048577")
            << encipher(header(1048577, {0, 0}) + pattern(64)) << QByteArray()
            << FwErrorCode::errorInvalidFile << QStringList{dataLength, fwCount};
        QTest::newRow("data size FFFFFFFF")
            << encipher(header(0xFFFFFFFF, {0, 0})) << QByteArray() << FwErrorCode::errorInvalidFile
            << QStringList{dataLength, fwCount};
        QTest::newRow("data section one byte short")
            << encipher(record(pattern(100)).chopped(1)) << QByteArray() << FwErrorCode::errorInvalidFile
            << QStringList{dataShort, fwCount};
        QTest::newRow("second data section short")
            << encipher(other + record(pattern(100)).left(1074)) << other << FwErrorCode::errorInvalidFile
            << QStringList{dataShort};
        QTest::newRow("wrong CRC, only record")
            << encipher(badCrc) << QByteArray() << FwErrorCode::errorInvalidFile
            << QStringList{crcCheck, fwCount};
        QTest::newRow("wrong CRC, second record")
            << encipher(other + badCrc) << other << FwErrorCode::errorCrc << QStringList{crcCheck};
        QTest::newRow("empty data, CRC not zero")
            << encipher(header(0, {0x01, 0x00})) << QByteArray() << FwErrorCode::errorInvalidFile
            << QStringList{crcCheck, fwCount};
        // The key stream must run on across records, not restart with each one.
        QTest::newRow("records enciphered one by one")
            << encipher(record(hello)) + encipher(other) << record(hello) << FwErrorCode::errorInvalidFile
            << QStringList{dataLength};
    }
    void handlesMalformedFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, written);
        QFETCH(FwErrorCode, result);
        QFETCH(QStringList, errorLines);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        decode(delegate, writeFile("malformed.vfwf", file), outPath(), decodeKeyText);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{result});
        QCOMPARE(capture.untimed(), errorLines);
        QVERIFY(isNonDecreasingUpToOne(delegate.progress()));
        if (written.isEmpty()) {
            QCOMPARE(delegate.finished(), QList<int>());
            QVERIFY(!QFile::exists(outPath()));
        } else {
            QCOMPARE(delegate.finished(), QList<int>{1});
            QCOMPARE(readFile(outPath()), std::optional<QByteArray>(written));
        }
    }

    void wrongKeyDecipherToGarbage_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QList<int>>("finished");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QStringList>("errorLines");
        const QByteArray twoRecords = header(0, {0, 0}) + record(pattern(32));
        QTest::newRow("all zero key") << referenceRecords() << QString(64, '0') << QList<int>()
                                      << FwErrorCode::errorInvalidFile << QStringList{dataLength, fwCount};
        QTest::newRow("all FF key") << referenceRecords() << QString(64, 'F') << QList<int>()
                                    << FwErrorCode::errorInvalidFile << QStringList{dataLength, fwCount};
        // Key byte 4 touches only unread header bytes and the first record's fifth data byte.
        QTest::newRow("byte 4 off") << referenceRecords() << withKeyByteFlipped(4) << QList<int>()
                                    << FwErrorCode::errorInvalidFile << QStringList{crcCheck, fwCount};
        // Key byte 20 touches only unread header bytes and the second record's data.
        QTest::newRow("byte 20 off") << twoRecords << withKeyByteFlipped(20) << QList<int>{1}
                                     << FwErrorCode::errorCrc << QStringList{crcCheck};
    }
    void wrongKeyDecipherToGarbage() {
        QFETCH(QByteArray, records);
        QFETCH(QString, key);
        QFETCH(QList<int>, finished);
        QFETCH(FwErrorCode, result);
        QFETCH(QStringList, errorLines);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        decode(delegate, writeFile("wrongkey.vfwf", encipher(records)), outPath(), key);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{result});
        QCOMPARE(delegate.finished(), finished);
        QCOMPARE(capture.untimed(), errorLines);
        QCOMPARE(QFile::exists(outPath()), !finished.isEmpty());
    }

    void refusesMissingInputs_data() {
        QTest::addColumn<bool>("hasInFile");
        QTest::addColumn<bool>("hasOutFile");
        QTest::addColumn<bool>("hasKey");
        QTest::newRow("no input file") << false << true << true;
        QTest::newRow("no output file") << true << false << true;
        QTest::newRow("no decode key") << true << true << false;
        QTest::newRow("nothing") << false << false << false;
    }
    void refusesMissingInputs() {
        QFETCH(bool, hasInFile);
        QFETCH(bool, hasOutFile);
        QFETCH(bool, hasKey);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        const QString in = writeFile("complete.vfwf", referenceFile());
        decode(delegate, hasInFile ? std::optional(in) : std::nullopt,
               hasOutFile ? std::optional(outPath()) : std::nullopt,
               hasKey ? std::optional(decodeKeyText) : std::nullopt);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::errorInvalidKey});
        QVERIFY(delegate.progress().isEmpty());
        QVERIFY(delegate.finished().isEmpty());
        QCOMPARE(capture.lines(), QStringList());
        QVERIFY(!QFile::exists(outPath()));
    }

    void refusesWhatCannotStart_data() {
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("key");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QStringList>("errorLines");
        const QString good = writeFile("start.vfwf", referenceFile());
        const QString keyFailed = "[Decode] Error createDecryptionKey Failed";
        QTest::newRow("no such file") << dir.filePath("missing.vfwf") << decodeKeyText
                                      << FwErrorCode::errorInvalidKey << QStringList{"[Decode] Error inFile"};
        QTest::newRow("a folder") << dir.path() << decodeKeyText << FwErrorCode::errorInvalidKey
                                  << QStringList{"[Decode] Error inFile"};
        QTest::newRow("key too long") << good << decodeKeyText + "00" << FwErrorCode::errorInvalidKey
                                      << QStringList{"[Decode] Error decryptionKeyData Length", keyFailed};
        QTest::newRow("key not hexadecimal")
            << good << "Z" + decodeKeyText.mid(1) << FwErrorCode::errorInvalidKey
            << QStringList{"[Decode] Error Invalid key", keyFailed};
        QTest::newRow("empty key") << good << QString() << FwErrorCode::errorInvalidKey
                                   << QStringList{"[Decode] Error decryptionKeyData Length", keyFailed};
        // The file is read before the key is looked at.
        QTest::newRow("no file and a bad key")
            << dir.filePath("missing.vfwf") << QString("00") << FwErrorCode::errorInvalidKey
            << QStringList{"[Decode] Error inFile"};
    }
    void refusesWhatCannotStart() {
        QFETCH(QString, inFile);
        QFETCH(QString, key);
        QFETCH(FwErrorCode, result);
        QFETCH(QStringList, errorLines);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        decode(delegate, inFile, outPath(), key);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{result});
        QVERIFY(delegate.progress().isEmpty());
        QVERIFY(delegate.finished().isEmpty());
        QCOMPARE(capture.untimed(), errorLines);
        QVERIFY(!QFile::exists(outPath()));
    }

    void refusesAnOversizedFileUnread_data() {
        QTest::addColumn<QString>("inFile");
        const QString sparse = dir.filePath("huge.vfwf");
        QFile file(sparse);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(DecodeFirmware::inFileSizeMax + 1))
            qFatal("cannot make the large test file");
        QTest::newRow("one byte over the bound") << sparse;
        if (QFile::exists("/dev/zero"))
            QTest::newRow("a device without an end") << QString("/dev/zero");
    }
    void refusesAnOversizedFileUnread() {
        QFETCH(QString, inFile);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        decode(delegate, inFile, outPath(), decodeKeyText);
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::errorInvalidFile});
        QVERIFY(delegate.progress().isEmpty());
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error inFile size"});
        QVERIFY(!QFile::exists(outPath()));
    }

    void replacesTheOutputOnlyAfterADecodedRecord_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("decoded") << referenceFile() << referenceRecords();
        QTest::newRow("no record") << encipher(pattern(10)) << QByteArray("previous content");
    }
    void replacesTheOutputOnlyAfterADecodedRecord() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        const QString out = writeFile("existing.dec", "previous content");
        RecordingDecodeDelegate delegate;
        decode(delegate, writeFile("replace.vfwf", file), out, decodeKeyText);
        QCOMPARE(delegate.completed().size(), 1);
        QCOMPARE(readFile(out), std::optional<QByteArray>(expected));
        QCOMPARE(QDir(dir.path()).entryList({"existing.dec*"}, QDir::Files), QStringList{"existing.dec"});
    }

    void reportsAnOutputThatCannotBeWritten() {
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        const QString out = dir.filePath("no-such-folder/out.dec");
        decode(delegate, writeFile("unwritable.vfwf", referenceFile()), out, decodeKeyText);
        QCOMPARE(delegate.finished(), QList<int>{2});
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::errorInput});
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error outFile"});
        QVERIFY(!QFile::exists(out));
    }

    void reportsFromItsOwnThread() {
        RecordingDecodeDelegate delegate;
        DecodeFirmware decoder;
        decoder.setDelegate(&delegate);
        decoder.setInFile(writeFile("threaded.vfwf", referenceFile()));
        decoder.setOutFile(dir.filePath("threaded.dec"));
        decoder.setDecodeKeyStr(decodeKeyText);
        QVERIFY(decoder.start());
        QVERIFY(!decoder.start());
        decoder.wait();
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(delegate.finished(), QList<int>{2});
        const QList<std::thread::id> threads = delegate.threads();
        QCOMPARE(threads.size(), 6); // four progress reports, the count, the result
        QVERIFY(threads.first() != std::this_thread::get_id());
        QCOMPARE(threads.count(threads.first()), threads.size());
        QCOMPARE(readFile(dir.filePath("threaded.dec")), std::optional<QByteArray>(referenceRecords()));
    }

    void destructionWaitsForTheRun() {
        RecordingDecodeDelegate delegate;
        {
            DecodeFirmware decoder;
            decoder.setDelegate(&delegate);
            decoder.setInFile(writeFile("destroyed.vfwf", referenceFile()));
            decoder.setOutFile(dir.filePath("destroyed.dec"));
            decoder.setDecodeKeyStr(decodeKeyText);
            QVERIFY(decoder.start());
        }
        QCOMPARE(delegate.completed(), QList<FwErrorCode>{FwErrorCode::resultOk});
    }
};

QTEST_GUILESS_MAIN(TestDecodeFirmware)
#include "tst_decodefirmware.moc"
