#include "Bytes.h"
#include "firmware/DecodeFirmware.h"
#include "link/Crc.h"
#include "LogCapture.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>
#include <thread>

using namespace lensdock;

namespace {
// Firmware files are written here from the format's rules, independently of the decoder. The decode
// key of the reference files and the file key it gives were worked out once outside this code base.
const QString decodeKeyText =
    QStringLiteral("00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210");
const QByteArray fileKey = hexBytes("4378525B21273303E1F5C3CFB58F819075742A15EDE8A49F96B9C8CD023D5E79");

// A 1024-byte header that declares `declaredSize` data bytes with the given CRC bytes [low, high].
QByteArray header(std::uint32_t declaredSize, std::array<std::uint8_t, 2> crc, char fill = '\0') {
    QByteArray bytes(1024, fill);
    qToLittleEndian<quint32>(declaredSize, bytes.data() + 64);
    bytes[68] = 0x02; // version 0x0102, not interpreted
    bytes[69] = 0x01;
    bytes[70] = static_cast<char>(crc[0]);
    bytes[71] = static_cast<char>(crc[1]);
    bytes[72] = 0x01; // target device
    bytes[73] = 0x02; // target area
    return bytes;
}

// A well-formed deciphered record holding `data`.
QByteArray record(const QByteArray& data, char fill = '\0') {
    return header(static_cast<std::uint32_t>(data.size()), Crc::calcCrc(data), fill) + data;
}

// Data bytes 0, 1, 2, ... wrapping at 251 so that no key period lines up with the pattern.
QByteArray pattern(int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// The whole file as one key stream: byte i XOR key[i mod 32].
QByteArray encipher(const QByteArray& plain, const QByteArray& key = fileKey) {
    QByteArray bytes(plain);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
    return bytes;
}

// A data file's bytes: a comment line, then hexadecimal text.
QByteArray readHexFile(const QString& name) {
    QFile file(QStringLiteral(LENSDOCK_FIRMWARE_TEST_DATA "/") + name);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return QByteArray::fromHex(text.mid(text.indexOf('\n')));
}

const QByteArray hello("HELLO");
const QString fwCount = "[Decode] Error FW Count";
const QString headerShort = "[Decode] Error header section length";
const QString dataLength = "[Decode] Error data length";
const QString dataShort = "[Decode] Error data section length";
const QString crcCheck = "[Decode] Error crc check";
const QString inFileError = "[Decode] Error inFile";
const QString keyLength = "[Decode] Error decryptionKeyData Length";
const QString keyDigit = "[Decode] Error Invalid key";
const QString keyFailed = "[Decode] Error createDecryptionKey Failed";

const QByteArray referenceFile = readHexFile("two_records.vfwf.hex");
const QByteArray referenceRecords = readHexFile("two_records.dec.hex");

// `decodeKeyText` with the key byte at `index` changed in its lowest bit.
QString withKeyByteFlipped(int index) {
    QByteArray bytes = QByteArray::fromHex(decodeKeyText.toLatin1());
    bytes[index] = static_cast<char>(bytes[index] ^ 0x01);
    return QString::fromLatin1(bytes.toHex());
}

// Every report of a decode run and the thread it came from. Read only after the run has ended
// (run() returned or the decoder thread was joined).
struct RecordingDecodeDelegate : DecodeFirmwareDelegate {
    void decodeProgress(double fraction) override { note(progress, fraction); }
    void decodeFinished(int count) override { note(finished, count); }
    void decodeCompleted(FwErrorCode result) override { note(completed, result); }
    template <typename T> void note(QList<T>& list, T value) {
        list << value;
        threads << std::this_thread::get_id();
    }
    QList<double> progress;
    QList<int> finished;
    QList<FwErrorCode> completed;
    QList<std::thread::id> threads;
};

bool isNonDecreasingUpToOne(const QList<double>& progress) {
    return std::is_sorted(progress.begin(), progress.end()) &&
           (progress.isEmpty() || (progress.first() > 0.0 && progress.last() <= 1.0));
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
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString outName() { return QString::fromLatin1(QTest::currentDataTag()) + ".dec"; }
    QString outPath() const { return dir.filePath(outName()); }

    // An unset input stays unset when its text is empty.
    static void decode(RecordingDecodeDelegate& delegate, const QString& inFile, const QString& outFile,
                       const std::optional<QString>& key) {
        DecodeFirmware decoder;
        decoder.setDelegate(&delegate);
        if (!inFile.isEmpty())
            decoder.setInFile(inFile);
        if (!outFile.isEmpty())
            decoder.setOutFile(outFile);
        if (key)
            decoder.setDecodeKeyStr(*key);
        decoder.run();
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void decodesGoodFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("progress");
        // The reference pair was worked out outside this code base; the mixed-case key uses every
        // range of hexadecimal digits.
        QTest::newRow("reference file") << referenceFile << referenceRecords << decodeKeyText << 2
                                        << QList<double>{1024.0 / 2056, 1029.0 / 2056, 2053.0 / 2056, 1.0};
        QTest::newRow("reference file, mixed-case key")
            << referenceFile << referenceRecords
            << QString("00112233445566778899aAbBcCdDeEfF0123456789ABCDEFfedcba9876543210") << 2
            << QList<double>();
        const auto row = [](const char* name, const QByteArray& records, int count, QList<double> progress) {
            QTest::newRow(name) << encipher(records) << records << decodeKeyText << count << progress;
        };
        row("one record", record(hello), 1, {1024.0 / 1029, 1.0});
        row("3072 data bytes", record(pattern(3072)), 1, {0.25, 1.0});
        // Exactly one header left: the record is complete without data.
        row("empty data section", header(0, {0, 0}), 1, {1.0, 1.0});
        row("three records", record(pattern(1)) + record(pattern(100), '\x5A') + record(hello), 3, {});
        row("largest data section", record(pattern(1048576)), 1, {1024.0 / (1024 + 1048576), 1.0});
    }
    void decodesGoodFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, records);
        QFETCH(QString, key);
        QFETCH(int, count);
        QFETCH(QList<double>, progress);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        writeFile(outName(), "previous content");
        decode(delegate, writeFile("good.vfwf", file), outPath(), key);
        QCOMPARE(delegate.completed, QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(delegate.finished, QList<int>{count});
        QCOMPARE(readFile(outPath()), records);
        QVERIFY(isNonDecreasingUpToOne(delegate.progress));
        QCOMPARE(delegate.progress.constLast(), 1.0);
        if (!progress.isEmpty())
            QCOMPARE(delegate.progress, progress);
        // The "data length = " lines are tagged "Decode", which the trace log drops.
        QCOMPARE(capture.lines(), QStringList());
        QCOMPARE(QDir(dir.path()).entryList({outName() + "*"}), QStringList{outName()});
    }

    void handlesMalformedFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("written"); // empty: the old output stays
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QStringList>("errorLines");
        const QByteArray other = record(hexBytes("DE AD 01"));
        const QByteArray badCrc = header(5, {0xDA, 0x59}) + hello; // the right CRC is DA 58
        const auto row = [](const char* name, const QByteArray& records, const QByteArray& written,
                            FwErrorCode result, const QStringList& lines,
                            const QString& key = decodeKeyText) {
            QTest::newRow(name) << encipher(records) << key << written << result << lines;
        };
        const FwErrorCode invalid = FwErrorCode::errorInvalidFile;
        row("empty file", QByteArray(), {}, invalid, {fwCount});
        row("10 stray bytes", pattern(10), {}, invalid, {headerShort, fwCount});
        row("header one byte short", record(hello).left(1023), {}, invalid, {headerShort, fwCount});
        row("record, then 10 stray bytes", record(hello) + pattern(10), record(hello), invalid,
            {headerShort});
        row("data size 1048577", header(1048577, {0, 0}) + pattern(64), {}, invalid, {dataLength, fwCount});
        row("data size FFFFFFFF", header(0xFFFFFFFF, {0, 0}), {}, invalid, {dataLength, fwCount});
        row("data section one byte short", record(pattern(100)).chopped(1), {}, invalid,
            {dataShort, fwCount});
        row("second data section short", other + record(pattern(100)).left(1074), other, invalid,
            {dataShort});
        row("wrong CRC, only record", badCrc, {}, invalid, {crcCheck, fwCount});
        row("wrong CRC, second record", other + badCrc, other, FwErrorCode::errorCrc, {crcCheck});
        row("empty data, CRC not zero", header(0, {0x01, 0x00}), {}, invalid, {crcCheck, fwCount});
        row("all zero key", referenceRecords, {}, invalid, {dataLength, fwCount}, QString(64, '0'));
        row("all FF key", referenceRecords, {}, invalid, {dataLength, fwCount}, QString(64, 'F'));
        // Key byte 4 touches only unread header bytes and the first record's fifth data byte.
        row("key byte 4 off", referenceRecords, {}, invalid, {crcCheck, fwCount}, withKeyByteFlipped(4));
        // Key byte 20 touches only unread header bytes and the second record's data.
        const QByteArray byte20 = QByteArray(20, '\0') + '\x01' + QByteArray(11, '\0');
        row("key byte 20 off", header(0, {0, 0}) + record(pattern(32)), encipher(header(0, {0, 0}), byte20),
            FwErrorCode::errorCrc, {crcCheck}, withKeyByteFlipped(20));
        // The key stream runs on across records; it must not restart with each one.
        QTest::newRow("records enciphered one by one")
            << encipher(record(hello)) + encipher(other) << decodeKeyText << record(hello) << invalid
            << QStringList{dataLength};
    }
    void handlesMalformedFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QByteArray, written);
        QFETCH(FwErrorCode, result);
        QFETCH(QStringList, errorLines);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        writeFile(outName(), "previous content");
        decode(delegate, writeFile("malformed.vfwf", file), outPath(), key);
        QCOMPARE(delegate.completed, QList<FwErrorCode>{result});
        QCOMPARE(capture.untimed(), errorLines);
        QVERIFY(isNonDecreasingUpToOne(delegate.progress));
        QCOMPARE(delegate.finished, written.isEmpty() ? QList<int>() : QList<int>{1});
        // The old output stays whole unless a record was decoded, and no temporary is left.
        QCOMPARE(readFile(outPath()), written.isEmpty() ? QByteArray("previous content") : written);
        QCOMPARE(QDir(dir.path()).entryList({outName() + "*"}), QStringList{outName()});
    }

    void refusesWhatCannotStart_data() {
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("outFile");
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QStringList>("errorLines");
        const QString good = writeFile("start.vfwf", referenceFile);
        const QString missing = dir.filePath("missing.vfwf");
        const QString key = decodeKeyText;
        const auto row = [this](const char* name, const QString& inFile, const std::optional<QString>& key,
                                const QStringList& lines, FwErrorCode result = FwErrorCode::errorInvalidKey,
                                bool withOutFile = true) {
            QTest::newRow(name) << inFile << (withOutFile ? dir.filePath("start.dec") : QString()) << key
                                << result << lines;
        };
        row("no input file", QString(), key, {});
        row("no output file", good, key, {}, FwErrorCode::errorInvalidKey, false);
        row("no decode key", good, std::nullopt, {});
        row("no such file", missing, key, {inFileError});
        // The file is read before the key is looked at.
        row("no file and a bad key", missing, "00", {inFileError});
        row("empty key", good, "", {keyLength, keyFailed});
        row("65 digits", good, key + "0", {keyLength, keyFailed});
        row("G in the middle", good, key.left(30) + "G" + key.mid(31), {keyDigit, keyFailed});
        row("sign before a digit", good, "-" + key.mid(1), {keyDigit, keyFailed});
        // 63 characters that are 64 bytes in UTF-8: the length passes, the digit does not.
        row("two-byte character", good, key.left(62) + QChar(0x00E9), {keyDigit, keyFailed});
        // 64 characters that are 65 bytes in UTF-8.
        row("64 characters, 65 bytes", good, key.left(63) + QChar(0x00E9), {keyLength, keyFailed});
        const QString sparse = dir.filePath("huge.vfwf");
        QFile huge(sparse);
        if (!huge.open(QIODevice::WriteOnly) || !huge.resize(DecodeFirmware::inFileSizeMax + 1))
            qFatal("cannot make the large test file");
        const QStringList tooLarge{"[Decode] Error inFile size"};
        row("one byte over the size bound", sparse, key, tooLarge, FwErrorCode::errorInvalidFile);
        if (QFile::exists("/dev/zero"))
            row("a device without an end", "/dev/zero", key, tooLarge, FwErrorCode::errorInvalidFile);
    }
    void refusesWhatCannotStart() {
        QFETCH(QString, inFile);
        QFETCH(QString, outFile);
        QFETCH(std::optional<QString>, key);
        QFETCH(FwErrorCode, result);
        QFETCH(QStringList, errorLines);
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        decode(delegate, inFile, outFile, key);
        QCOMPARE(delegate.completed, QList<FwErrorCode>{result});
        QVERIFY(delegate.progress.isEmpty());
        QVERIFY(delegate.finished.isEmpty());
        QCOMPARE(capture.untimed(), errorLines);
        QVERIFY(!QFile::exists(dir.filePath("start.dec")));
    }

    void reportsAnOutputThatCannotBeWritten() {
        LogCapture capture;
        RecordingDecodeDelegate delegate;
        const QString out = dir.filePath("no-such-folder/out.dec");
        decode(delegate, writeFile("unwritable.vfwf", referenceFile), out, decodeKeyText);
        QCOMPARE(delegate.finished, QList<int>{2});
        QCOMPARE(delegate.completed, QList<FwErrorCode>{FwErrorCode::errorInput});
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error outFile"});
        QVERIFY(!QFile::exists(out));
    }

    void reportsFromItsOwnThread() {
        RecordingDecodeDelegate delegate;
        {
            DecodeFirmware decoder;
            decoder.setDelegate(&delegate);
            decoder.setInFile(writeFile("threaded.vfwf", referenceFile));
            decoder.setOutFile(dir.filePath("threaded.dec"));
            decoder.setDecodeKeyStr(decodeKeyText);
            QVERIFY(decoder.start());
            QVERIFY(!decoder.start());
            // Destroying the decoder waits for its run.
        }
        QCOMPARE(delegate.completed, QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(delegate.finished, QList<int>{2});
        const QList<std::thread::id> threads = delegate.threads;
        QCOMPARE(threads.size(), 6); // four progress reports, the count, the result
        QVERIFY(threads.first() != std::this_thread::get_id());
        QCOMPARE(threads.count(threads.first()), threads.size());
        QCOMPARE(readFile(dir.filePath("threaded.dec")), referenceRecords);
    }

    // The decoder always sets a key; the parser alone, without one, stops at the first header.
    void parserWithoutAKeyStopsAtTheFirstHeader() {
        LogCapture capture;
        FirmwareCipher cipher;
        const auto outcome = FirmwareRecordParser(encipher(record(pattern(8))), cipher, {}).parse();
        QCOMPARE(outcome.count, 0);
        QCOMPARE(outcome.result, FwErrorCode::errorInvalidKey);
        QVERIFY(outcome.output.isEmpty());
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error Algorithm not initialize"});
    }
};

QTEST_GUILESS_MAIN(TestDecodeFirmware)
#include "tst_decodefirmware.moc"
