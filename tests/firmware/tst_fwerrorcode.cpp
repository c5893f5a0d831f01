#include "firmware/FwErrorCode.h"
#include "firmware/FwUpdateTarget.h"

#include <climits>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(FwErrorCode)
Q_DECLARE_METATYPE(std::optional<FwErrorCode>)

class TestFwErrorCode : public QObject {
    Q_OBJECT

private slots:
    void rawValues_data() {
        QTest::addColumn<FwErrorCode>("code");
        QTest::addColumn<int>("raw");
        QTest::newRow("resultOk") << FwErrorCode::resultOk << 0;
        QTest::newRow("errorInput") << FwErrorCode::errorInput << 1;
        QTest::newRow("errorNetwork") << FwErrorCode::errorNetwork << 2;
        QTest::newRow("errorDownload") << FwErrorCode::errorDownload << 3;
        QTest::newRow("errorUsbSerialFailed") << FwErrorCode::errorUsbSerialFailed << 4;
        QTest::newRow("errorUsbSerialRemoved") << FwErrorCode::errorUsbSerialRemoved << 5;
        QTest::newRow("errorWaitResetFailed") << FwErrorCode::errorWaitResetFailed << 6;
        QTest::newRow("errorVersion") << FwErrorCode::errorVersion << 7;
        QTest::newRow("errorRemovedAfterSend") << FwErrorCode::errorRemovedAfterSend << 8;
        QTest::newRow("errorInvalidKey") << FwErrorCode::errorInvalidKey << -1;
        QTest::newRow("errorInvalidFile") << FwErrorCode::errorInvalidFile << -3;
        QTest::newRow("errorCrc") << FwErrorCode::errorCrc << -4;
    }
    void rawValues() {
        QFETCH(FwErrorCode, code);
        QFETCH(int, raw);
        QCOMPARE(rawValue(code), raw);
        QCOMPARE(fwErrorCodeFromRawValue(raw), std::optional<FwErrorCode>(code));
    }

    void rawValuesWithoutACase_data() {
        QTest::addColumn<int>("raw");
        QTest::newRow("-2, between the decoder's codes") << -2;
        QTest::newRow("-5, just below") << -5;
        QTest::newRow("9, just above") << 9;
        QTest::newRow("smallest integer") << INT_MIN;
        QTest::newRow("largest integer") << INT_MAX;
    }
    void rawValuesWithoutACase() {
        QFETCH(int, raw);
        QVERIFY(!fwErrorCodeFromRawValue(raw).has_value());
    }

    void updateTargetRawValues() {
        QCOMPARE(static_cast<int>(FwUpdateTarget::lens), 0);
        QCOMPARE(static_cast<int>(FwUpdateTarget::adapter), 1);
    }
};

QTEST_APPLESS_MAIN(TestFwErrorCode)
#include "tst_fwerrorcode.moc"
