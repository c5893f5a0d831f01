#include "Bytes.h"
#include "FirmwareCipher.h"
#include "FirmwareHeader.h"
#include "FirmwarePacker.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
const QString vectorKey = QStringLiteral("00112233445566778899AABBCCDDEEFF0123456789abcdeffedcba9876543210");

// The one-record file for `vectorKey`, worked out by hand from the key rules (base phrase repeated
// to 32 bytes, XORed with the decoded key; file byte i XOR key[i mod 32]). The header is all zero
// in its first 64 bytes, so the file starts with the file key itself.
const QByteArray vectorFileKey = hexBytes("43 78 52 5B 21 27 33 03 E1 F5 C3 CF B5 8F 81 90 "
                                          "75 74 2A 15 ED E8 A4 9F 96 B9 C8 CD 02 3D 5E 79");
const QByteArray vectorBytes64to79 = hexBytes("40 78 52 5B 20 25 A7 3A E0 F7 C3 CF B5 8F 81 90");
const QByteArray vectorTail = hexBytes("02 3A 11");

FirmwareRecord vectorRecord() {
    return {1, 2, QStringLiteral("0102"), QByteArrayLiteral("ABC")};
}
} // namespace

class TestFwPack : public QObject {
    Q_OBJECT
private slots:
    void baseKeyRepeatsThePassPhrase() {
        const FirmwareCipher::Key key = FirmwareCipher::baseKey();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(key.data()), 32),
                 QByteArray("CipherUtilityRootWordCipherUtili"));
    }

    void packedRecordMatchesTheHandWorkedVector() {
        const auto packed = FirmwarePacker::pack({vectorRecord()}, vectorKey);
        QVERIFY2(packed.ok(), qPrintable(packed.error));
        QCOMPARE(packed.bytes.size(), 1027);
        QCOMPARE(packed.bytes.left(32), vectorFileKey);
        QCOMPARE(packed.bytes.mid(64, 16), vectorBytes64to79);
        QCOMPARE(packed.bytes.right(3), vectorTail);
    }

    void plainImageHoldsHeaderFieldsAndData() {
        const auto plain = FirmwarePacker::plainImage({vectorRecord()});
        QVERIFY(plain.ok());
        // size 3, version 01 02, CRC-16/XMODEM of "ABC" (0x3994) low byte first, device 1, area 2
        QCOMPARE(plain.bytes.mid(64, 10), hexBytes("03 00 00 00 01 02 94 39 01 02"));
        QCOMPARE(plain.bytes.mid(1024), QByteArray("ABC"));
    }

    void keyStreamRunsOnAcrossRecords() {
        const FirmwareRecord second{3, 4, QStringLiteral("9999"), QByteArray(70, 'x')};
        const auto plain = FirmwarePacker::plainImage({vectorRecord(), second});
        const auto packed = FirmwarePacker::pack({vectorRecord(), second}, vectorKey);
        QCOMPARE(packed.bytes.size(), 1027 + 1024 + 70);
        for (qsizetype i = 0; i < packed.bytes.size(); ++i)
            QCOMPARE(char(packed.bytes[i] ^ plain.bytes[i]), vectorFileKey[i % 32]);
        QCOMPARE(plain.bytes.mid(1027 + 64, 4), hexBytes("46 00 00 00"));
    }

    void lowerAndUpperCaseKeysAgree() {
        QCOMPARE(FirmwareCipher::fileKey(vectorKey.toLower()), FirmwareCipher::fileKey(vectorKey.toUpper()));
    }

    void badKeysAreRefused_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("63 digits") << vectorKey.left(63);
        QTest::newRow("65 digits") << vectorKey + QLatin1Char('0');
        QTest::newRow("not hex") << QString(vectorKey).replace(10, 1, QLatin1Char('g'));
        QTest::newRow("empty") << QString();
    }
    void badKeysAreRefused() {
        QFETCH(QString, key);
        QVERIFY(!FirmwareCipher::fileKey(key));
        const auto packed = FirmwarePacker::pack({vectorRecord()}, key);
        QVERIFY(!packed.ok());
        QVERIFY(packed.bytes.isEmpty());
    }

    void badRecordsAreRefused_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("two digits") << QStringLiteral("12") << qsizetype(1);
        QTest::newRow("hex digit") << QStringLiteral("01A2") << qsizetype(1);
        QTest::newRow("five digits") << QStringLiteral("12345") << qsizetype(1);
        QTest::newRow("too large") << QStringLiteral("0102") << qsizetype(1048577);
    }
    void badRecordsAreRefused() {
        QFETCH(QString, version);
        QFETCH(qsizetype, size);
        const auto packed = FirmwarePacker::pack({{1, 0, version, QByteArray(size, 'a')}}, vectorKey);
        QVERIFY(!packed.ok());
        QVERIFY(packed.error.startsWith(QStringLiteral("record 1:")));
    }

    void noRecordIsRefused() { QVERIFY(!FirmwarePacker::plainImage({}).ok()); }

    void largestDataIsAccepted() {
        QVERIFY(FirmwarePacker::plainImage({{1, 0, QStringLiteral("0100"), QByteArray(1048576, 'a')}}).ok());
    }

    void headerParsesWhatWasBuilt() {
        const auto header = FirmwareHeader::build({7, 9, QStringLiteral("1234"), QByteArray(300, 'z')});
        QVERIFY(header);
        const auto fields = FirmwareHeader::parse(*header);
        QVERIFY(fields);
        QCOMPARE(fields->dataSize, 300u);
        QCOMPARE(fields->version, (std::array<std::uint8_t, 2>{0x12, 0x34}));
        QCOMPARE(fields->targetDevice, 7);
        QCOMPARE(fields->targetArea, 9);
        QVERIFY(!FirmwareHeader::parse(header->left(1023)));
    }

    void commandLineToolWritesBothFiles() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data,1.bin"));
        QFile file(data);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("ABC");
        file.close();
        const QString out = dir.filePath(QStringLiteral("fw.vfwf"));
        const QString plain = dir.filePath(QStringLiteral("fw.dec"));
        QProcess tool;
        tool.start(QStringLiteral(LENSDOCK_FWPACK_EXE),
                   {QStringLiteral("--key"), vectorKey, QStringLiteral("--record"),
                    QStringLiteral("1,0x02,0102,") + data, QStringLiteral("--out"), out,
                    QStringLiteral("--plain"), plain});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QFile packed(out);
        QVERIFY(packed.open(QIODevice::ReadOnly));
        const QByteArray bytes = packed.readAll();
        QCOMPARE(bytes.left(32), vectorFileKey);
        QCOMPARE(bytes.right(3), vectorTail);
        QFile image(plain);
        QVERIFY(image.open(QIODevice::ReadOnly));
        QCOMPARE(image.readAll().mid(64, 10), hexBytes("03 00 00 00 01 02 94 39 01 02"));
    }

    void commandLineToolRejectsBadRecords_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("message");
        QTest::newRow("three fields")
            << QStringLiteral("1,0,0102") << QStringLiteral("is not DEVICE,AREA,VERSION,DATAFILE");
        QTest::newRow("device 256") << QStringLiteral("256,0,0102,x")
                                    << QStringLiteral("device and area must be 0 to 255");
        QTest::newRow("missing file")
            << QStringLiteral("1,0,0102,/nonexistent/data.bin") << QStringLiteral("cannot read");
        QTest::newRow("bad version") << QStringLiteral("1,0,1.2,") + QStringLiteral(LENSDOCK_FWPACK_EXE)
                                     << QStringLiteral("record 1: version");
    }
    void commandLineToolRejectsBadRecords() {
        QFETCH(QString, record);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("fw.vfwf"));
        QProcess tool;
        tool.start(QStringLiteral(LENSDOCK_FWPACK_EXE),
                   {QStringLiteral("--key"), vectorKey, QStringLiteral("--record"), record,
                    QStringLiteral("--out"), out});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY2(QString::fromUtf8(tool.readAllStandardError()).contains(message), qPrintable(message));
        QVERIFY(!QFile::exists(out));
    }

    void commandLineToolRejectsABadKeyAndWritesNothing() {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("fw.vfwf"));
        QProcess tool;
        tool.start(QStringLiteral(LENSDOCK_FWPACK_EXE),
                   {QStringLiteral("--key"), QStringLiteral("12"), QStringLiteral("--record"),
                    QStringLiteral("1,0,0102,") + QStringLiteral(LENSDOCK_FWPACK_EXE),
                    QStringLiteral("--out"), out});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardError().contains("64 hexadecimal digits"));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestFwPack)
#include "tst_fwpack.moc"
