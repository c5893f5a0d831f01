#include "firmware/FwErrorCode.h"

#include <climits>
#include <QMap>
#include <QTest>

using namespace lensdock;

class TestFwErrorCode : public QObject {
    Q_OBJECT

private slots:
    // The raw values appear in log lines, so they are fixed; -2 has no case.
    void rawValuesRoundTrip() {
        const QMap<int, FwErrorCode> cases{{0, FwErrorCode::resultOk},
                                           {1, FwErrorCode::errorInput},
                                           {2, FwErrorCode::errorNetwork},
                                           {3, FwErrorCode::errorDownload},
                                           {4, FwErrorCode::errorUsbSerialFailed},
                                           {5, FwErrorCode::errorUsbSerialRemoved},
                                           {6, FwErrorCode::errorWaitResetFailed},
                                           {7, FwErrorCode::errorVersion},
                                           {8, FwErrorCode::errorRemovedAfterSend},
                                           {-1, FwErrorCode::errorInvalidKey},
                                           {-3, FwErrorCode::errorInvalidFile},
                                           {-4, FwErrorCode::errorCrc}};
        for (int raw : {INT_MIN, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, INT_MAX}) {
            const auto code = fwErrorCodeFromRawValue(raw);
            QCOMPARE(code.has_value(), cases.contains(raw));
            if (code) {
                QCOMPARE(*code, cases[raw]);
                QCOMPARE(rawValue(*code), raw);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestFwErrorCode)
#include "tst_fwerrorcode.moc"
