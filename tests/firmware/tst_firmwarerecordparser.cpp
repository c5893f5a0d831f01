#include "firmware/FirmwareRecordParser.h"
#include "FirmwareTestFiles.h"
#include "LogCapture.h"

#include <QRandomGenerator>
#include <QTest>

using namespace lensdock;
using namespace firmwaretest;

Q_DECLARE_METATYPE(FwErrorCode)

class TestFirmwareRecordParser : public QObject {
    Q_OBJECT

private slots:
    void withoutAKeyStopsAtTheFirstHeader() {
        LogCapture capture;
        FirmwareCipher cipher;
        const auto outcome = FirmwareRecordParser(encipher(record(pattern(8))), cipher, {}).parse();
        QCOMPARE(outcome.count, 0);
        QCOMPARE(outcome.result, FwErrorCode::errorInvalidKey);
        QVERIFY(outcome.output.isEmpty());
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error Algorithm not initialize"});
    }

    void emptyInputEndsWithoutARecord() {
        FirmwareCipher cipher;
        cipher.setKey(fileKey);
        int progressReports = 0;
        const auto outcome =
            FirmwareRecordParser(QByteArray(), cipher, [&](double) { ++progressReports; }).parse();
        QCOMPARE(outcome.count, 0);
        QCOMPARE(outcome.result, FwErrorCode::resultOk);
        QCOMPARE(progressReports, 0);
    }

    // Random bytes never make a record: the declared size or the CRC gives them away.
    void arbitraryBytesGiveNoRecord_data() {
        QTest::addColumn<QByteArray>("file");
        QRandomGenerator generator(20261206);
        for (int length : {1, 1023, 1024, 1025, 1030, 2048, 4096, 70000}) {
            QByteArray bytes(length, '\0');
            for (auto& byte : bytes)
                byte = static_cast<char>(generator.bounded(256));
            QTest::newRow(qPrintable(QString("%1 random bytes").arg(length))) << bytes;
        }
        // A plausible declared size, so that the data section and the CRC are reached.
        const QByteArray small = encipher(header(40, {0x12, 0x34}) + pattern(40));
        QTest::newRow("small declared size, wrong CRC") << small;
    }
    void arbitraryBytesGiveNoRecord() {
        QFETCH(QByteArray, file);
        LogCapture capture;
        FirmwareCipher cipher;
        cipher.setKey(fileKey);
        QList<double> progress;
        const auto outcome = FirmwareRecordParser(file, cipher, [&](double f) { progress << f; }).parse();
        QCOMPARE(outcome.count, 0);
        QVERIFY(outcome.output.isEmpty());
        QVERIFY(outcome.result == FwErrorCode::errorInvalidFile || outcome.result == FwErrorCode::errorCrc);
        QCOMPARE(capture.untimed().size(), 1);
        for (double fraction : progress)
            QVERIFY(fraction > 0.0 && fraction <= 1.0);
    }
};

QTEST_APPLESS_MAIN(TestFirmwareRecordParser)
#include "tst_firmwarerecordparser.moc"
