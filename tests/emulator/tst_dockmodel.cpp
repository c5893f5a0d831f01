#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "ControlCommand.h"
#include "DockEmulator.h"
#include "FaultPlan.h"
#include "FirmwarePacker.h"
#include "IdentityEncoder.h"
#include "LinePacer.h"
#include "link/CommandSet.h"
#include "link/IdentityDecoder.h"
#include "VirtualDock.h"

#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(lensdock::DockProfile)

namespace {
CommDataFormat request(std::uint8_t destination, std::uint8_t function, const QByteArray& payload = {}) {
    CommDataFormat r;
    r.destination = destination;
    r.funcNumber = function;
    r.setPayload(payload);
    return r;
}

std::uint8_t firstByte(const VirtualDock::Answer& answer) {
    return static_cast<std::uint8_t>(answer.frame->data.at(0));
}
} // namespace

class TestDockModel : public QObject {
    Q_OBJECT
private slots:
    void identitiesDecodeWithTheHostDecoders_data() {
        QTest::addColumn<DockProfile>("profile");
        for (const QString& name : DockProfile::builtInNames())
            QTest::newRow(qPrintable(name)) << *DockProfile::builtIn(name);
    }
    void identitiesDecodeWithTheHostDecoders() {
        QFETCH(DockProfile, profile);
        const auto adapter = IdentityEncoder::adapterPayload(profile.adapter);
        const auto lens = IdentityEncoder::lensPayload(profile.lens);
        QVERIFY(adapter && lens);
        QCOMPARE(adapter->size(), 63);
        QCOMPARE(lens->size(), 85);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(*adapter), profile.adapter);
        QCOMPARE(IdentityDecoder::lensInfo(*lens), profile.lens);
    }

    void zoomLensIdentityBytes() {
        const QByteArray d = *IdentityEncoder::lensPayload(DockProfile::zoomLens().lens);
        QCOMPARE(d.mid(3, 5), QByteArray("A036\0", 5));
        QCOMPARE(d.mid(35, 2), hexBytes("01 00"));
        // capabilities all four bits, VC type 0, 8 zooms, 3 points
        QCOMPARE(d.mid(51, 4), hexBytes("0F 00 08 03"));
        // count 2, switch type 1 (<<2), second default mode 2 (bit 5); 10 divisions
        QCOMPARE(d.mid(55, 2), hexBytes("26 0A"));
        // +30 / -30, then defaults 0, 9, 2, 7 stored as 9 - step
        QCOMPARE(d.mid(63, 6), hexBytes("1E E2 09 00 07 02"));
        QCOMPARE(d.mid(69, 4), hexBytes("1C 00 23 00"));
    }

    void awkwardLensIsAwkward() {
        const auto info =
            IdentityDecoder::lensInfo(*IdentityEncoder::lensPayload(DockProfile::awkwardLens().lens));
        QVERIFY(info);
        QCOMPARE(info->zoomCount, 5);
        QCOMPARE(info->focusPointCount, 2);
        QCOMPARE(info->focusLimitCount, 1);
        QCOMPARE(info->vcModeType, 1);
        QCOMPARE(info->lensKind, 1);
    }

    void adapterWithoutReleasedFirmware() {
        AdapterBasicInfo adapter{QStringLiteral("ffff"), 9, QStringLiteral("01"), QStringLiteral("0100")};
        const auto payload = IdentityEncoder::adapterPayload(adapter);
        QCOMPARE(payload->mid(35, 2), hexBytes("FF FF"));
        QCOMPARE(IdentityDecoder::adapterBasicInfo(*payload)->fwVersion, QStringLiteral("ffff"));
    }

    void adapterAnswers_data() {
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("mounted?") << true << int(FunctionNumber::checkLensMounted) << QByteArray()
                                  << hexBytes("01");
        QTest::newRow("mounted? no") << false << int(FunctionNumber::checkLensMounted) << QByteArray()
                                     << hexBytes("00");
        QTest::newRow("connect") << true << int(FunctionNumber::reqLensConnect) << hexBytes("00")
                                 << hexBytes("01");
        QTest::newRow("connect, no lens")
            << false << int(FunctionNumber::reqLensConnect) << hexBytes("00") << hexBytes("00");
        QTest::newRow("release") << true << int(FunctionNumber::reqLensDisconnect) << QByteArray()
                                 << QByteArray();
    }
    void adapterAnswers() {
        QFETCH(bool, mounted);
        QFETCH(int, function);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);
        VirtualDock dock(DockProfile::zoomLens());
        dock.setLensMounted(mounted);
        const auto answer = dock.answer(request(Destination::adapter, std::uint8_t(function), payload));
        QVERIFY(answer.frame);
        QCOMPARE(answer.frame->funcNumber, function);
        QCOMPARE(answer.frame->destination, Destination::adapter);
        QCOMPARE(answer.frame->data, expected);
    }

    void connectAndReleaseTrackTheLens() {
        VirtualDock dock(DockProfile::zoomLens());
        dock.answer(request(Destination::adapter, FunctionNumber::reqLensConnect, hexBytes("00")));
        QVERIFY(dock.lensConnected());
        dock.answer(request(Destination::adapter, FunctionNumber::reqLensDisconnect));
        QVERIFY(!dock.lensConnected());
    }

    void errorFrames_data() {
        QTest::addColumn<int>("destination");
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<int>("flags");
        QTest::newRow("lens absent") << 0 << int(FunctionNumber::getBasicInfo) << QByteArray() << false
                                     << 0x01;
        QTest::newRow("unknown function") << 1 << 0x42 << QByteArray() << true << 0x02;
        QTest::newRow("adjust data to adapter")
            << 1 << int(FunctionNumber::getAdjData) << QByteArray() << true << 0x02;
        QTest::newRow("short adjust data")
            << 0 << int(FunctionNumber::setAdjData) << QByteArray(34, 0) << true << 0x04;
        QTest::newRow("short update")
            << 1 << int(FunctionNumber::updateFirmware) << hexBytes("01") << true << 0x04;
        QTest::newRow("unknown destination")
            << 7 << int(FunctionNumber::getBasicInfo) << QByteArray() << true << 0x02;
    }
    void errorFrames() {
        QFETCH(int, destination);
        QFETCH(int, function);
        QFETCH(QByteArray, payload);
        QFETCH(bool, mounted);
        QFETCH(int, flags);
        VirtualDock dock(DockProfile::zoomLens());
        dock.setLensMounted(mounted);
        const auto answer = dock.answer(request(std::uint8_t(destination), std::uint8_t(function), payload));
        QCOMPARE(answer.frame->funcNumber, FunctionNumber::commError);
        QCOMPARE(answer.frame->destination, destination);
        QCOMPARE(firstByte(answer), flags);
    }

    void overCurrentAnswersEverything() {
        VirtualDock dock(DockProfile::zoomLens());
        dock.setOverCurrent(true);
        const auto answer = dock.answer(request(Destination::adapter, FunctionNumber::getBasicInfo));
        QCOMPARE(answer.frame->funcNumber, FunctionNumber::commError);
        QCOMPARE(firstByte(answer) & bitOverCurrent, bitOverCurrent);
    }

    void adjustDataStartsAtFactoryValuesAndIsKept() {
        VirtualDock dock(DockProfile::zoomLens());
        // level 2, VC 2; switch 1: 9-0, 9-9, mode 1; switch 2: 9-2, 9-7, mode 2; no focus corrections
        const QByteArray factory = hexBytes("02 02 00 09 00 01 00 07 02 02 00") + QByteArray(24, '\0');
        QCOMPARE(dock.answer(request(Destination::lens, FunctionNumber::getAdjData)).frame->data, factory);
        const QByteArray written = hexBytes("03 01 00 05 01 02 00 06 00 01 00") + QByteArray(24, '\x05');
        const auto stored = dock.answer(request(Destination::lens, FunctionNumber::setAdjData, written));
        QCOMPARE(stored.frame->funcNumber, FunctionNumber::setAdjData);
        QCOMPARE(dock.answer(request(Destination::lens, FunctionNumber::getAdjData)).frame->data, written);
    }

    void firmwareUpdateCommands_data() {
        QTest::addColumn<int>("destination");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("action");
        QTest::newRow("adapter self-reset") << 1 << hexBytes("00 FF") << int(VirtualDock::Action::selfReset);
        QTest::newRow("adapter record") << 1 << hexBytes("01 00") << int(VirtualDock::Action::startTransfer);
        QTest::newRow("lens record") << 0 << hexBytes("00 FF") << int(VirtualDock::Action::startTransfer);
    }
    void firmwareUpdateCommands() {
        QFETCH(int, destination);
        QFETCH(QByteArray, payload);
        QFETCH(int, action);
        VirtualDock dock(DockProfile::zoomLens());
        const auto answer =
            dock.answer(request(std::uint8_t(destination), FunctionNumber::updateFirmware, payload));
        QVERIFY(!answer.frame);
        QCOMPARE(answer.control, 'C');
        QCOMPARE(int(answer.action), action);
    }

    void completeRecordInstallsItsVersion() {
        VirtualDock dock(DockProfile::zoomLens());
        const QByteArray image =
            FirmwarePacker::plainImage({{1, 0, QStringLiteral("0317"), QByteArray(1500, 'd')}}).bytes;
        const QByteArray blocks = image + QByteArray(548, '\x1A');
        const ReceivedFirmware record = dock.finishTransfer(Destination::adapter, blocks);
        QVERIFY(record.valid);
        QCOMPARE(record.version, QStringLiteral("0317"));
        QCOMPARE(record.dataSize, 1500u);
        QCOMPARE(dock.profile().adapter.fwVersion, QStringLiteral("0317"));
        QCOMPARE(dock.firmwareImage(), image);
    }

    void damagedRecordsInstallNothing_data() {
        QTest::addColumn<QByteArray>("blocks");
        const QByteArray image =
            FirmwarePacker::plainImage({{1, 0, QStringLiteral("0317"), QByteArray(1500, 'd')}}).bytes;
        QByteArray wrongData = image;
        wrongData[1100] = 'e';
        QTest::newRow("data missing") << image.left(2048);
        QTest::newRow("data damaged") << wrongData;
        QTest::newRow("header only part") << image.left(500);
    }
    void damagedRecordsInstallNothing() {
        QFETCH(QByteArray, blocks);
        VirtualDock dock(DockProfile::zoomLens());
        QVERIFY(!dock.finishTransfer(Destination::lens, blocks).valid);
        QCOMPARE(dock.profile().lens.firmwareVersion, QStringLiteral("0100"));
        QVERIFY(dock.firmwareImage().isEmpty());
        QCOMPARE(dock.receivedFirmware().size(), 1);
    }

    void jsonProfileOverridesTheBuiltIn() {
        QString error;
        const auto profile = DockProfile::fromJson(
            R"({"builtin": "prime", "adapter": {"firmware": "0200", "mount": 3},
                "lens": {"zoomCount": 2, "vcMode": true, "limiterDefaults": [1, 8, 0, 9]}})",
            &error);
        QVERIFY2(profile, qPrintable(error));
        QCOMPARE(profile->adapter.fwVersion, QStringLiteral("0200"));
        QCOMPARE(profile->adapter.mountInfo, 3);
        QCOMPARE(profile->lens.modelCode, QStringLiteral("F045"));
        QCOMPARE(profile->lens.zoomCount, 2);
        QVERIFY(profile->lens.supportsVcMode);
        QCOMPARE(profile->lens.focusLimitDefaultFirstNear, 1);
        QCOMPARE(profile->lens.focusLimitDefaultFirstFar, 8);
    }

    void badJsonProfilesAreRefused_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("{");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("unknown builtin") << QByteArray(R"({"builtin": "fisheye"})");
        QTest::newRow("text as number") << QByteArray(R"({"lens": {"zoomCount": "8"}})");
        QTest::newRow("out of range") << QByteArray(R"({"lens": {"divisions": 1}})");
        QTest::newRow("fraction") << QByteArray(R"({"adapter": {"mount": 1.5}})");
        QTest::newRow("short list") << QByteArray(R"({"lens": {"focalLengths": [1, 2]}})");
        QTest::newRow("version letters") << QByteArray(R"({"lens": {"firmware": "01A0"}})");
        QTest::newRow("default beyond scale")
            << QByteArray(R"({"lens": {"limiterDefaults": [0, 12, 0, 9]}})");
    }
    void badJsonProfilesAreRefused() {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!DockProfile::fromJson(json, &error));
        QVERIFY(!error.isEmpty());
    }

    void faultPlanCountsOccasions() {
        FaultPlan plan;
        plan.arm(FaultKind::crcLow, 2);
        QVERIFY(plan.take(FaultKind::crcLow));
        QVERIFY(plan.take(FaultKind::crcLow));
        QVERIFY(!plan.take(FaultKind::crcLow));
        plan.arm(FaultKind::unplugAfterBlock, 3);
        QVERIFY(!plan.takeUnplugAfter(2));
        QVERIFY(plan.takeUnplugAfter(3));
        QVERIFY(!plan.takeUnplugAfter(3));
    }

    void faultNamesRoundTrip() {
        for (const QString& name : FaultPlan::names())
            QCOMPARE(FaultPlan::nameOf(*FaultPlan::kindFromName(name)), name);
        QVERIFY(!FaultPlan::kindFromName(QStringLiteral("meteor")));
    }

    void badControlLinesAreRefused_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("fault alone") << QStringLiteral("fault");
        QTest::newRow("unknown fault") << QStringLiteral("fault meteor");
        QTest::newRow("bad count") << QStringLiteral("fault drop-reply x");
        QTest::newRow("zero count") << QStringLiteral("fault drop-reply 0");
        QTest::newRow("overcurrent maybe") << QStringLiteral("overcurrent maybe");
        QTest::newRow("argument") << QStringLiteral("mount now");
        QTest::newRow("unknown") << QStringLiteral("frobnicate");
    }
    void badControlLinesAreRefused() {
        QFETCH(QString, line);
        DockEmulator emulator({});
        const auto outcome = ControlCommand::apply(emulator, line);
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(!outcome.quit);
    }

    void quitAndBlankLines() {
        DockEmulator emulator({});
        QVERIFY(ControlCommand::apply(emulator, QStringLiteral("  quit ")).quit);
        const auto blank = ControlCommand::apply(emulator, QStringLiteral("   "));
        QVERIFY(blank.error.isEmpty() && blank.output.isEmpty() && !blank.quit);
    }

    void pacerCountsTenBitsPerByte() {
        LinePacer pacer(9600);
        const LinePacer::Clock::time_point t0{};
        QCOMPARE(pacer.arrival(t0, 960), t0 + 1s);
        // The line is still busy with the first 960 bytes.
        QCOMPARE(pacer.arrival(t0, 96), t0 + 1100ms);
        LinePacer unpaced(0);
        QCOMPARE(unpaced.arrival(t0 + 5s, 1000), t0 + 5s);
    }
};

QTEST_GUILESS_MAIN(TestDockModel)
#include "tst_dockmodel.moc"
