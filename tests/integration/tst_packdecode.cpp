#include "firmware/DecodeFirmware.h"
#include "FirmwarePacker.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
class Outcome : public DecodeFirmwareDelegate {
public:
    void decodeProgress(double) override {}
    void decodeFinished(int records) override { count = records; }
    void decodeCompleted(FwErrorCode code) override { result = code; }
    int count = -1;
    std::optional<FwErrorCode> result;
};
} // namespace

// The packer and the decoder are written apart from each other; each must read what the other writes.
class TestPackDecode : public QObject {
    Q_OBJECT
private slots:
    void packedFilesDecodeToThePlainImage_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("one record") << QList<int>{1500};
        QTest::newRow("empty data section") << QList<int>{0};
        QTest::newRow("three records") << QList<int>{1024, 1, 70000};
    }
    void packedFilesDecodeToThePlainImage() {
        QFETCH(QList<int>, sizes);
        const QString key =
            QStringLiteral("0F1E2D3C4B5A69788796A5B4C3D2E1F00123456789ABCDEFFEDCBA9876543210");
        QList<FirmwareRecord> records;
        for (int i = 0; i < sizes.size(); ++i) {
            QByteArray data(sizes[i], '\0');
            for (int b = 0; b < data.size(); ++b)
                data[b] = char((b * 7 + i) & 0xFF);
            records << FirmwareRecord{0x00, std::uint8_t(i), QStringLiteral("0102"), data};
        }
        QTemporaryDir dir;
        QFile packed(dir.filePath("in.vfwf"));
        QVERIFY(packed.open(QIODevice::WriteOnly));
        packed.write(FirmwarePacker::pack(records, key).bytes);
        packed.close();
        DecodeFirmware decoder;
        Outcome outcome;
        decoder.setDelegate(&outcome);
        decoder.setInFile(dir.filePath("in.vfwf"));
        decoder.setOutFile(dir.filePath("out.dec"));
        decoder.setDecodeKeyStr(key);
        decoder.run();
        QCOMPARE(outcome.result, std::optional<FwErrorCode>(FwErrorCode::resultOk));
        QCOMPARE(outcome.count, int(sizes.size()));
        QFile decoded(dir.filePath("out.dec"));
        QVERIFY(decoded.open(QIODevice::ReadOnly));
        QCOMPARE(decoded.readAll(), FirmwarePacker::plainImage(records).bytes);
    }
};

QTEST_GUILESS_MAIN(TestPackDecode)
#include "tst_packdecode.moc"
