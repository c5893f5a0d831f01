#include "adjust/AdjustPayload.h"
#include "DockFixture.h"
#include "link/CommandSet.h"

#include <QTest>

using namespace lensdock;

namespace {
// Settings that differ from the lens's factory values in the first close-distance value.
QByteArray editedPayload(const LensInfo& lens) {
    LensAdjustData data = LensAdjustData::factorySettings(lens);
    data.focusZoomClose[0] = 4;
    return AdjustPayload::encode(data, lens);
}
} // namespace

// The faults that spoil only a write of the lens's adjust data, whatever other requests come first.
class TestEmulatorAdjustFaults : public QObject {
    Q_OBJECT
private slots:
    void adjustWriteFaults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("kept");
        QTest::newRow("none") << QString() << int(FunctionNumber::setAdjData) << true;
        QTest::newRow("refused") << "refuse-adjust-write" << int(FunctionNumber::commError) << false;
        QTest::newRow("ignored") << "ignore-adjust-write" << int(FunctionNumber::setAdjData) << false;
    }
    void adjustWriteFaults() {
        QFETCH(QString, fault);
        QFETCH(int, function);
        QFETCH(bool, kept);
        DockFixture dock;
        QVERIFY(dock.start());
        const LensInfo lens = dock.options.profile.lens;
        const QByteArray factory = dock.emulator->snapshot().adjustBytes;
        if (!fault.isEmpty())
            dock.emulator->armFault(*FaultPlan::kindFromName(fault));
        // An identity poll before the write is not affected.
        const auto identity =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getBasicInfo), 1);
        QVERIFY(identity);
        QCOMPARE(identity->funcNumber, FunctionNumber::getBasicInfo);
        const auto reply = dock.host.exchange(
            makeRequest(Destination::lens, FunctionNumber::setAdjData, editedPayload(lens)), 2);
        QVERIFY(reply);
        QCOMPARE(int(reply->funcNumber), function);
        QCOMPARE(dock.emulator->snapshot().adjustBytes, kept ? editedPayload(lens) : factory);
        // One occasion only: the next write is kept.
        const auto again = dock.host.exchange(
            makeRequest(Destination::lens, FunctionNumber::setAdjData, editedPayload(lens)), 3);
        QVERIFY(again);
        QCOMPARE(dock.emulator->snapshot().adjustBytes, editedPayload(lens));
        QVERIFY(dock.emulator->snapshot().faults.empty());
    }
};

QTEST_GUILESS_MAIN(TestEmulatorAdjustFaults)
#include "tst_emulatoradjustfaults.moc"
