#include "firmware/FwErrorCode.h"
#include "session/UpdateResultAlert.h"

#include <climits>
#include <QTest>

using namespace lensdock;

class TestFwErrorCode : public QObject {
    Q_OBJECT

private slots:
    // The raw values appear in log lines: -4 to 8 are cases except -2, which was never given one.
    void rawValuesRoundTrip() {
        for (int raw : {INT_MIN, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, INT_MAX}) {
            const auto code = fwErrorCodeFromRawValue(raw);
            QCOMPARE(code.has_value(), raw >= -4 && raw <= 8 && raw != -2);
            if (code)
                QCOMPARE(rawValue(*code), raw);
        }
        QCOMPARE(fwErrorCodeFromRawValue(8), FwErrorCode::errorRemovedAfterSend);
    }

    // A firmware sent completely whose device did not come back: the alert names that device.
    void theAlertNamesTheDeviceThatDidNotComeBack() {
        const auto alert = [](FwUpdateTarget target) {
            return alertForUpdateResult(FwErrorCode::errorRemovedAfterSend, target);
        };
        QCOMPARE(alert(FwUpdateTarget::adapter), DialogId::updateErrorAdapterNotBack);
        QCOMPARE(alert(FwUpdateTarget::lens), DialogId::updateErrorLensNotBack);
    }
};

QTEST_APPLESS_MAIN(TestFwErrorCode)
#include "tst_fwerrorcode.moc"
