#include "adjust/AdjustPayload.h"
#include "adjust/LensAdjustData.h"
#include "Bytes.h"
#include "LogCapture.h"

#include <functional>
#include <QTest>

using namespace lensdock;

using Mutation = std::function<void(LensAdjustData&)>;
using LensSetup = std::function<void(LensInfo&)>;
Q_DECLARE_METATYPE(Mutation)
Q_DECLARE_METATYPE(LensSetup)

namespace {
LensInfo fullLens() {
    LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    return lens;
}

LensAdjustData distinctFocusValues() {
    LensAdjustData data;
    for (int i = 0; i < 8; ++i) {
        data.focusZoomClose[i] = i + 1;
        data.focusZoomCenter[i] = -(i + 1);
        data.focusZoomInfinite[i] = 10 + i;
    }
    return data;
}
} // namespace

class TestAdjustData : public QObject {
    Q_OBJECT
private slots:
    void encodesDefaultsForAFullLens() {
        const QByteArray expected = hexBytes("02 02 00 09 00 01 00 09 00 01 00") + QByteArray(24, '\0');
        QCOMPARE(AdjustPayload::encode(LensAdjustData(), fullLens()), expected);
    }

    void setAdjustDataRequest() {
        CommDataFormat request;
        makeSetAdjustData(request, LensAdjustData(), fullLens());
        QCOMPARE(request.funcNumber, std::uint8_t(0xFB));
        QCOMPARE(request.destination, std::uint8_t(0x00));
        QCOMPARE(request.data.size(), 35);
        QCOMPARE(request.commandLength[0], std::uint8_t(36));
        QCOMPARE(request.commandLength[1], std::uint8_t(0));
    }

    void fullTimeManualOffSendsZeroAndReadsBackAsLevelTwo() {
        LensAdjustData data;
        data.isFullTimeManualEnable = false;
        data.fullTimeManual = 3;
        const LensInfo lens = fullLens();
        const QByteArray payload = AdjustPayload::encode(data, lens);
        QCOMPARE(byteAt(payload, 0), std::uint8_t(0));

        auto decoded = AdjustPayload::decode(payload, lens);
        QVERIFY(decoded);
        QVERIFY(!decoded->isFullTimeManualEnable);
        QCOMPARE(decoded->fullTimeManual, std::int64_t(0));
        QVERIFY(!decoded->correctSettings(lens));
        QCOMPARE(decoded->fullTimeManual, std::int64_t(2));
        QVERIFY(!decoded->isFullTimeManualEnable);
    }

    void lensWithoutFullTimeManualGetsZero() {
        LensInfo lens = fullLens();
        lens.supportsFullTimeManual = false;
        QCOMPARE(byteAt(AdjustPayload::encode(LensAdjustData(), lens), 0), std::uint8_t(0));
    }

    void negativeFocusValuesRoundTrip() {
        LensAdjustData data;
        data.focusZoomClose[0] = -30;
        data.focusZoomInfinite[7] = -1;
        const QByteArray payload = AdjustPayload::encode(data, fullLens());
        QCOMPARE(byteAt(payload, 11), std::uint8_t(0xE2));
        QCOMPARE(byteAt(payload, 34), std::uint8_t(0xFF));
        const auto decoded = AdjustPayload::decode(payload, fullLens());
        QVERIFY(decoded);
        QCOMPARE(decoded->focusZoomClose[0], std::int64_t(-30));
        QCOMPARE(decoded->focusZoomInfinite[7], std::int64_t(-1));
    }

    void limiterStepsAreReversedOnTheDevice() {
        LensAdjustData data;
        data.focusLimitFirstNear = 2;
        data.focusLimitFirstFar = 7;
        data.focusLimitFirstMode = 2;
        data.focusLimitSecondNear = 1;
        data.focusLimitSecondFar = 3;
        LensInfo lens = fullLens();
        lens.focusLimitDivisions = 12; // D = 11
        const QByteArray payload = AdjustPayload::encode(data, lens);
        QCOMPARE(payload.mid(3, 8), hexBytes("09 04 02 00 0A 08 01 00"));
        const auto decoded = AdjustPayload::decode(payload, lens);
        QVERIFY(decoded);
        QCOMPARE(decoded->focusLimitFirstNear, std::int64_t(2));
        QCOMPARE(decoded->focusLimitFirstFar, std::int64_t(7));
        QCOMPARE(decoded->focusLimitSecondFar, std::int64_t(3));
        QCOMPARE(decoded->focusLimitFirstMode, std::int64_t(2));
    }

    void encodingFollowsTheLens_data() {
        QTest::addColumn<LensSetup>("setup");
        QTest::addColumn<QByteArray>("expected");
        const LensAdjustData data = distinctFocusValues();
        Q_UNUSED(data)
        QTest::newRow("five zooms") << LensSetup([](LensInfo& l) { l.zoomCount = 5; })
                                    << hexBytes("02 02 00 09 00 01 00 09 00 01 00"
                                                "01 02 03 04 05 00 00 00"
                                                "FF FE FD FC FB 00 00 00"
                                                "0A 0B 0C 0D 0E 00 00 00");
        QTest::newRow("two focus points") << LensSetup([](LensInfo& l) { l.focusPointCount = 2; })
                                          << hexBytes("02 02 00 09 00 01 00 09 00 01 00"
                                                      "01 02 03 04 05 06 07 08"
                                                      "FF FE FD FC FB FA F9 F8"
                                                      "00 00 00 00 00 00 00 00");
        QTest::newRow("no focus adjustment")
            << LensSetup([](LensInfo& l) { l.supportsFocusZoom = false; })
            << hexBytes("02 02 00 09 00 01 00 09 00 01 00") + QByteArray(24, '\0');
        QTest::newRow("no limiter, modes still sent")
            << LensSetup([](LensInfo& l) { l.supportsFocusLimit = false; })
            << hexBytes("02 02 00 00 00 01 00 00 00 01 00"
                        "01 02 03 04 05 06 07 08"
                        "FF FE FD FC FB FA F9 F8"
                        "0A 0B 0C 0D 0E 0F 10 11");
        QTest::newRow("one switch position") << LensSetup([](LensInfo& l) { l.focusLimitCount = 1; })
                                             << hexBytes("02 02 00 09 00 01 00 00 00 01 00"
                                                         "01 02 03 04 05 06 07 08"
                                                         "FF FE FD FC FB FA F9 F8"
                                                         "0A 0B 0C 0D 0E 0F 10 11");
    }
    void encodingFollowsTheLens() {
        QFETCH(LensSetup, setup);
        QFETCH(QByteArray, expected);
        LensInfo lens = fullLens();
        setup(lens);
        QCOMPARE(AdjustPayload::encode(distinctFocusValues(), lens).toHex(' '), expected.toHex(' '));
    }

    void shortReplyDecodesToNothing() {
        LogCapture capture;
        CommDataFormat reply;
        reply.data = QByteArray(34, '\0');
        QVERIFY(!makeLensAdjustData(reply, fullLens()));
        QCOMPARE(capture.untimed(), QStringList{"[Comm] Adjust data convert error"});
        reply.data = QByteArray(35, '\0');
        QVERIFY(makeLensAdjustData(reply, fullLens()));
    }

    void correction_data() {
        QTest::addColumn<Mutation>("damage");
        QTest::addColumn<Mutation>("repair");
        QTest::newRow("focus above range") << Mutation([](LensAdjustData& d) { d.focusZoomCenter[3] = 99; })
                                           << Mutation([](LensAdjustData& d) { d.focusZoomCenter[3] = 0; });
        QTest::newRow("unused zoom entry still corrected")
            << Mutation([](LensAdjustData& d) { d.focusZoomInfinite[7] = -31; })
            << Mutation([](LensAdjustData& d) { d.focusZoomInfinite[7] = 0; });
        QTest::newRow("mode 3") << Mutation([](LensAdjustData& d) { d.focusLimitFirstMode = 3; })
                                << Mutation([](LensAdjustData& d) { d.focusLimitFirstMode = 1; });
        QTest::newRow("near equals far")
            << Mutation([](LensAdjustData& d) { d.focusLimitFirstNear = 5, d.focusLimitFirstFar = 5; })
            << Mutation([](LensAdjustData& d) { d.focusLimitFirstNear = 0, d.focusLimitFirstFar = 9; });
        QTest::newRow("far beyond scale")
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondNear = 3, d.focusLimitSecondFar = 12; })
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondNear = 3, d.focusLimitSecondFar = 9; });
        QTest::newRow("negative near")
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondNear = -1, d.focusLimitSecondFar = 4; })
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondNear = 0, d.focusLimitSecondFar = 4; });
        QTest::newRow("level 0") << Mutation([](LensAdjustData& d) { d.fullTimeManual = 0; })
                                 << Mutation([](LensAdjustData& d) { d.fullTimeManual = 2; });
        QTest::newRow("vc mode 4") << Mutation([](LensAdjustData& d) { d.vcMode = 4; })
                                   << Mutation([](LensAdjustData& d) { d.vcMode = 1; });
    }
    void correction() {
        QFETCH(Mutation, damage);
        QFETCH(Mutation, repair);
        const LensInfo lens = fullLens();
        LensAdjustData data;
        QVERIFY(data.correctSettings(lens));
        damage(data);
        QVERIFY(!data.correctSettings(lens));
        LensAdjustData expected;
        repair(expected);
        QCOMPARE(data, expected);
    }

    void correctionUsesTheMiddleOfAnOddRange() {
        LensInfo lens = fullLens();
        lens.focusAdjustMin = -20;
        lens.focusAdjustMax = 15; // (-5) / 2 truncates to -2
        LensAdjustData data;
        data.focusZoomClose[0] = 16;
        data.correctSettings(lens);
        QCOMPARE(data.focusZoomClose[0], std::int64_t(-2));
    }

    void rangeCheck_data() {
        QTest::addColumn<Mutation>("damage");
        QTest::addColumn<QStringList>("messages");
        const auto msg = [](const char* text) {
            return QStringLiteral("[Thread] Error adjust check ") + text;
        };
        QTest::newRow("all good") << Mutation([](LensAdjustData&) {}) << QStringList();
        QTest::newRow("close") << Mutation([](LensAdjustData& d) { d.focusZoomClose[2] = 31; })
                               << QStringList{msg("zoomClose = 31")};
        QTest::newRow("first failure wins")
            << Mutation([](LensAdjustData& d) { d.focusZoomCenter[0] = -31, d.vcMode = 0; })
            << QStringList{msg("zoomCenter = -31")};
        QTest::newRow("infinite") << Mutation([](LensAdjustData& d) { d.focusZoomInfinite[7] = 40; })
                                  << QStringList{msg("zoomInfinite = 40")};
        QTest::newRow("level while off")
            << Mutation([](LensAdjustData& d) { d.isFullTimeManualEnable = false, d.fullTimeManual = 0; })
            << QStringList{msg("fullTimeManual = 0")};
        QTest::newRow("mode 1") << Mutation([](LensAdjustData& d) { d.focusLimitFirstMode = 0; })
                                << QStringList{msg("Limit1 Mode = 0")};
        QTest::newRow("negative near 1") << Mutation([](LensAdjustData& d) { d.focusLimitFirstNear = -2; })
                                         << QStringList{msg("Limit1 Near = -2")};
        QTest::newRow("near 5 far 5")
            << Mutation([](LensAdjustData& d) { d.focusLimitFirstNear = 5, d.focusLimitFirstFar = 5; })
            << QStringList{msg("Limit1 Near = 5"), msg("Limit1 Far = 5")};
        QTest::newRow("far 1 beyond") << Mutation([](LensAdjustData& d) { d.focusLimitFirstFar = 10; })
                                      << QStringList{msg("Limit1 Far = 10")};
        QTest::newRow("mode 2") << Mutation([](LensAdjustData& d) { d.focusLimitSecondMode = 7; })
                                << QStringList{msg("Limit2 Mode = 7")};
        QTest::newRow("near 2 above far")
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondNear = 8, d.focusLimitSecondFar = 3; })
            << QStringList{msg("Limit2 Near = 8"), msg("Limit2 Far = 3")};
        QTest::newRow("far 2 beyond") << Mutation([](LensAdjustData& d) { d.focusLimitSecondFar = 11; })
                                      << QStringList{msg("Limit2 Far = 11")};
        QTest::newRow("vc") << Mutation([](LensAdjustData& d) { d.vcMode = 0; })
                            << QStringList{msg("vcMode = 0")};
    }
    void rangeCheck() {
        QFETCH(Mutation, damage);
        QFETCH(QStringList, messages);
        LensAdjustData data;
        damage(data);
        LogCapture capture;
        // The check runs whatever the lens supports.
        QCOMPARE(data.checkAdjustData(LensInfo(), true), messages.isEmpty());
        QCOMPARE(capture.untimed(), messages);
    }

    void rangeCheckWithoutDelegateFailsSilently() {
        LogCapture capture;
        QVERIFY(!LensAdjustData().checkAdjustData(fullLens(), false));
        QVERIFY(capture.lines().isEmpty());
    }

    void comparison_data() {
        QTest::addColumn<LensSetup>("setup");
        QTest::addColumn<Mutation>("change");
        QTest::addColumn<bool>("same");
        const LensSetup full([](LensInfo&) {});
        QTest::newRow("identical") << full << Mutation([](LensAdjustData&) {}) << true;
        QTest::newRow("focus entry used")
            << full << Mutation([](LensAdjustData& d) { d.focusZoomClose[4] = 3; }) << false;
        QTest::newRow("zoom 5 ignores entry 5")
            << LensSetup([](LensInfo& l) { l.zoomCount = 5; })
            << Mutation([](LensAdjustData& d) { d.focusZoomCenter[5] = 3; }) << true;
        QTest::newRow("zoom 5 compares entry 4")
            << LensSetup([](LensInfo& l) { l.zoomCount = 5; })
            << Mutation([](LensAdjustData& d) { d.focusZoomCenter[4] = 3; }) << false;
        QTest::newRow("two points ignore infinity")
            << LensSetup([](LensInfo& l) { l.focusPointCount = 2; })
            << Mutation([](LensAdjustData& d) { d.focusZoomInfinite[0] = 3; }) << true;
        QTest::newRow("no focus support")
            << LensSetup([](LensInfo& l) { l.supportsFocusZoom = false; })
            << Mutation([](LensAdjustData& d) { d.focusZoomClose[0] = 3; }) << true;
        QTest::newRow("enable flag differs") << full << Mutation([](LensAdjustData& d) {
            d.isFullTimeManualEnable = false, d.fullTimeManual = 3;
        }) << false;
        QTest::newRow("level compared while on")
            << full << Mutation([](LensAdjustData& d) { d.fullTimeManual = 3; }) << false;
        QTest::newRow("no manual support")
            << LensSetup([](LensInfo& l) { l.supportsFullTimeManual = false; })
            << Mutation([](LensAdjustData& d) { d.isFullTimeManualEnable = false; }) << true;
        QTest::newRow("second switch with one position")
            << LensSetup([](LensInfo& l) { l.focusLimitCount = 1; })
            << Mutation([](LensAdjustData& d) { d.focusLimitSecondMode = 2; }) << true;
        QTest::newRow("second switch with two positions")
            << full << Mutation([](LensAdjustData& d) { d.focusLimitSecondMode = 2; }) << false;
        QTest::newRow("no limiter support")
            << LensSetup([](LensInfo& l) { l.supportsFocusLimit = false; })
            << Mutation([](LensAdjustData& d) { d.focusLimitFirstNear = 3; }) << true;
        QTest::newRow("vc compared") << full << Mutation([](LensAdjustData& d) { d.vcMode = 3; }) << false;
        QTest::newRow("vc not supported") << LensSetup([](LensInfo& l) { l.supportsVcMode = false; })
                                          << Mutation([](LensAdjustData& d) { d.vcMode = 3; }) << true;
    }
    void comparison() {
        QFETCH(LensSetup, setup);
        QFETCH(Mutation, change);
        QFETCH(bool, same);
        LensInfo lens = fullLens();
        setup(lens);
        LensAdjustData changed;
        change(changed);
        QCOMPARE(LensAdjustData().isSameSettings(changed, lens), same);
        QCOMPARE(changed.isSameSettings(LensAdjustData(), lens), same);
    }

    void bothDisabledManualLevelsAreNotCompared() {
        LensAdjustData a, b;
        a.isFullTimeManualEnable = b.isFullTimeManualEnable = false;
        a.fullTimeManual = 1;
        b.fullTimeManual = 3;
        QVERIFY(a.isSameSettings(b, fullLens()));
    }

    void factoryValuesComeFromTheLens() {
        LensInfo lens = fullLens();
        lens.focusLimitDefaultFirstNear = 2;
        lens.focusLimitDefaultFirstFar = 6;
        lens.focusLimitDefaultSecondNear = 7;
        lens.focusLimitDefaultSecondFar = 3; // near above far: corrected to the whole scale
        lens.focusLimitDefaultModes = {2, 1, 2, 2};
        const LensAdjustData factory = LensAdjustData::factorySettings(lens);
        LensAdjustData expected;
        expected.focusLimitFirstNear = 2;
        expected.focusLimitFirstFar = 6;
        expected.focusLimitFirstMode = 2;
        expected.focusLimitSecondNear = 0;
        expected.focusLimitSecondFar = 9;
        expected.focusLimitSecondMode = 1;
        QCOMPARE(factory, expected);
    }

    void copySettingsCopiesListsByValue() {
        LensAdjustData source = distinctFocusValues();
        source.vcMode = 3;
        LensAdjustData target;
        target.copySettings(source);
        source.focusZoomClose[0] = 20;
        QCOMPARE(target.focusZoomClose[0], std::int64_t(1));
        QCOMPARE(target.vcMode, std::int64_t(3));
    }

    void dumpWritesFramedPlainLines() {
        LogCapture capture;
        LensAdjustData().dumpData();
        const QStringList lines = capture.lines();
        QCOMPARE(lines.first(), QString("----- Adjust Data Dump -----"));
        QCOMPARE(lines.last(), QString("----------------------------"));
        QCOMPARE(lines.size(), 14); // header, 12 settings lines, footer
        QVERIFY(lines.contains("focusLimitSecondFar = 9"));
    }
};

QTEST_GUILESS_MAIN(TestAdjustData)
#include "tst_adjustdata.moc"
