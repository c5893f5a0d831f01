#include "Bytes.h"
#include "link/CommandSet.h"
#include "link/CommDataFormat.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"

#include <QTest>

using namespace lensdock;

namespace {
// An adapter identity with firmware 01.23, mount 2, hardware 05, communication 01.00.
QByteArray adapterPayload(qsizetype size = 63) {
    QByteArray d(std::max<qsizetype>(size, 63), '\0');
    d[35] = 0x01;
    d[36] = 0x23;
    d[47] = 2;
    d[48] = 0x05;
    d[49] = 0x01;
    d[50] = 0x00;
    return d.left(size);
}

// A lens identity: model "A036", firmware 10.05, everything supported, 7 zooms, 3 points.
QByteArray lensPayload(qsizetype size = 85) {
    QByteArray d(std::max<qsizetype>(size, 85), '\0');
    d[0] = 2;
    const QByteArray model("A036");
    d.replace(3, model.size(), model);
    const QByteArray serial("SN12345678901234");
    d.replace(19, serial.size(), serial);
    d[35] = 0x10;
    d[36] = 0x05;
    for (int i = 37; i <= 42; ++i)
        d[i] = 0x11;
    d[47] = 0x20;
    d[48] = 0x21;
    d[49] = 0x22;
    d[50] = 0x23;
    d[51] = 0x0F;
    d[52] = 1;
    d[53] = 7;
    d[54] = 3;
    d[55] = char(0xB6);
    d[56] = 10;
    d[63] = 0x1E;
    d[64] = char(0xE2);
    d[65] = 9;
    d[66] = 0;
    d[67] = 7;
    d[68] = 2;
    d[69] = char(0x1C); // 28 mm
    d[70] = 0;
    d[83] = char(0xF4); // 500 mm in the last slot
    d[84] = 0x01;
    return d.left(size);
}
} // namespace

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void bcdToString_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("07") << 0x07 << "07" << true;
        QTest::newRow("12") << 0x12 << "12" << true;
        QTest::newRow("00") << 0x00 << "00" << true;
        QTest::newRow("99") << 0x99 << "99" << true;
        QTest::newRow("1A") << 0x1A << "" << false;
        QTest::newRow("A0") << 0xA0 << "" << false;
        QTest::newRow("FF") << 0xFF << "" << false;
    }
    void bcdToString() {
        QFETCH(int, byte);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto result = lensdock::bcdToString(std::uint8_t(byte));
        QCOMPARE(bool(result), valid);
        if (valid)
            QCOMPARE(*result, text);
    }

    void logNames_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("name");
        QTest::newRow("F7") << 0xF7 << "Check Lens Mounted";
        QTest::newRow("F8") << 0xF8 << "Req Lens Connect";
        QTest::newRow("F9") << 0xF9 << "Req Lens Disconnect";
        QTest::newRow("FA") << 0xFA << "Get Basic Info";
        QTest::newRow("FB") << 0xFB << "Set Adj Data";
        QTest::newRow("FC") << 0xFC << "Command Get Adj Data";
        QTest::newRow("FD") << 0xFD << "Command Update Firmware";
        QTest::newRow("FF") << 0xFF << "Command Comm Error";
        QTest::newRow("FE") << 0xFE << "Command Undefine";
        QTest::newRow("00") << 0x00 << "Command Undefine";
    }
    void logNames() {
        QFETCH(int, function);
        QFETCH(QString, name);
        QCOMPARE(commandLogName(std::uint8_t(function)), name);
    }

    void bufferLogNames() {
        QCOMPARE(bufferLogName(hexBytes("0F 01 00 00 01 00 FA 00 00 F0")), QString("Get Basic Info"));
        QCOMPARE(bufferLogName(hexBytes("02 01 FE 00 00")), QString("Length = 5"));
    }

    void requests_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("toAdapter");
        QTest::addColumn<QByteArray>("frame"); // encoded with packet number 1
        QTest::newRow("check lens mounted") << 0 << true << hexBytes("0F 01 01 00 01 00 F7 D0 CD F0");
        QTest::newRow("lens connect") << 1 << true << QByteArray();
        QTest::newRow("lens disconnect") << 2 << true << QByteArray();
        QTest::newRow("basic info of the lens") << 3 << false << QByteArray();
        QTest::newRow("get adjust data") << 5 << false << QByteArray();
    }
    void requests() {
        QFETCH(int, index);
        QFETCH(bool, toAdapter);
        QFETCH(QByteArray, frame);
        const auto request = buildRequest(CommandIndex(index), toAdapter);
        QVERIFY(request);
        QCOMPARE(request->funcNumber, std::uint8_t(0xF7 + index));
        QCOMPARE(request->destination, toAdapter ? std::uint8_t(1) : std::uint8_t(0));
        const QByteArray payload = index == 1 ? QByteArray(1, '\0') : QByteArray();
        QCOMPARE(request->data, payload);
        QCOMPARE(request->commandLength[0], std::uint8_t(payload.size() + 1));
        QCOMPARE(request->commandLength[1], std::uint8_t(0));
        if (!frame.isEmpty())
            QCOMPARE(FrameCodec::encodeFrame(*request, 1), frame);
    }

    void setAdjustDataHasItsOwnBuilder() {
        QVERIFY(!buildRequest(CommandIndex::setAdjData, false));
        QVERIFY(!buildRequest(CommandIndex(6), true));
    }

    void updateFirmwarePayload() {
        const CommUpdateFirmwareData selfReset{0x00, 0xFF};
        QCOMPARE(selfReset.payload(), hexBytes("00 FF"));
    }

    void adapterIdentity() {
        CommDataFormat reply;
        reply.data = adapterPayload();
        const auto info = reply.makeAdapterBasicInfo();
        QVERIFY(info);
        QCOMPARE(info->fwVersion, QString("0123"));
        QCOMPARE(info->mountInfo, 2);
        QCOMPARE(info->hwVersion, QString("05"));
        QCOMPARE(info->communicationVersion, QString("0100"));
    }

    void adapterIdentityRejected_data() {
        QTest::addColumn<QByteArray>("payload");
        QByteArray shortReply = adapterPayload(62);
        QTest::newRow("62 bytes") << shortReply;
        QByteArray badMount = adapterPayload();
        badMount[35] = 0x01;
        badMount[47] = 4;
        QTest::newRow("mount 4") << badMount;
        QByteArray zeroMount = adapterPayload();
        zeroMount[47] = 0;
        QTest::newRow("mount 0") << zeroMount;
        QByteArray notBcd = adapterPayload();
        notBcd[36] = 0x1A;
        QTest::newRow("version not BCD") << notBcd;
        QByteArray halfFf = adapterPayload();
        halfFf[36] = char(0xFF); // only the first byte waives the mount check
        halfFf[47] = 9;
        QTest::newRow("second byte FF, bad mount") << halfFf;
        QByteArray hardware = adapterPayload();
        hardware[48] = char(0xB0);
        QTest::newRow("hardware not BCD") << hardware;
        QByteArray communication = adapterPayload();
        communication[50] = char(0x0C);
        QTest::newRow("communication not BCD") << communication;
    }
    void adapterIdentityRejected() {
        QFETCH(QByteArray, payload);
        QVERIFY(!IdentityDecoder::adapterBasicInfo(payload));
    }

    void unreleasedAdapterAcceptsAnyMount() {
        QByteArray d = adapterPayload();
        d[35] = char(0xFF);
        d[36] = char(0xFF);
        d[47] = 7;
        const auto info = IdentityDecoder::adapterBasicInfo(d);
        QVERIFY(info);
        QCOMPARE(info->fwVersion, QString("ffff"));
        QCOMPARE(info->mountInfo, 7);
    }

    void lensIdentity() {
        CommDataFormat reply;
        reply.data = lensPayload();
        const auto info = reply.makeLensInfo();
        QVERIFY(info);
        QCOMPARE(info->lensKind, 2);
        QCOMPARE(info->modelCode, QString("A036"));
        QCOMPARE(info->serialCode, QString("SN12345678901234"));
        QCOMPARE(info->firmwareVersion, QString("1005"));
        QCOMPARE(info->version2, QString("1111"));
        QCOMPARE(info->version4, QString("1111"));
        QCOMPARE(info->version5, QString("2021"));
        QCOMPARE(info->version6, QString("2223"));
        QVERIFY(info->supportsFocusZoom && info->supportsFullTimeManual);
        QVERIFY(info->supportsFocusLimit && info->supportsVcMode);
        QCOMPARE(info->vcModeType, 1);
        QCOMPARE(info->zoomCount, 7);
        QCOMPARE(info->focusPointCount, 3);
        QCOMPARE(info->focusLimitCount, 2);
        QCOMPARE(info->focusLimitSwitchType, 1);
        QCOMPARE(info->focusLimitDefaultModes, (std::array<int, 4>{2, 2, 1, 2}));
        QCOMPARE(info->focusLimitDivisions, 10);
        QCOMPARE(info->focusAdjustMax, 30);
        QCOMPARE(info->focusAdjustMin, -30);
        QCOMPARE(info->focusLimitDefaultFirstNear, 0);
        QCOMPARE(info->focusLimitDefaultFirstFar, 9);
        QCOMPARE(info->focusLimitDefaultSecondNear, 2);
        QCOMPARE(info->focusLimitDefaultSecondFar, 7);
        QCOMPARE(info->zoomFocalLengths[0], 28);
        QCOMPARE(info->zoomFocalLengths[7], 500);
    }

    void capabilityBitsAreIndependent_data() {
        QTest::addColumn<int>("capability");
        QTest::addColumn<QList<bool>>("supports"); // zoom, full-time manual, limiter, VC
        QTest::newRow("none") << 0x00 << QList<bool>{false, false, false, false};
        QTest::newRow("focus only") << 0x01 << QList<bool>{true, false, false, false};
        QTest::newRow("manual + VC") << 0x0A << QList<bool>{false, true, false, true};
        QTest::newRow("limiter, high bits set") << 0xF4 << QList<bool>{false, false, true, false};
    }
    void capabilityBitsAreIndependent() {
        QFETCH(int, capability);
        QFETCH(QList<bool>, supports);
        QByteArray d = lensPayload();
        d[51] = char(capability);
        const auto info = IdentityDecoder::lensInfo(d);
        QVERIFY(info);
        QCOMPARE((QList<bool>{info->supportsFocusZoom, info->supportsFullTimeManual, info->supportsFocusLimit,
                              info->supportsVcMode}),
                 supports);
    }

    void modelCodeEndsAtFirstZero_data() {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("model");
        QTest::newRow("short") << QByteArray("A0\0B", 4) << "A0";
        QTest::newRow("sixteen characters") << QByteArray("ABCDEFGHIJKLMNOP") << "ABCDEFGHIJKLMNOP";
        QTest::newRow("latin-1 byte") << QByteArray("A\xE9") << QString("A") + QChar(0xE9);
    }
    void modelCodeEndsAtFirstZero() {
        QFETCH(QByteArray, code);
        QFETCH(QString, model);
        QByteArray d = lensPayload();
        d.replace(3, 16, QByteArray(16, '\0'));
        d.replace(3, code.size(), code);
        const auto info = IdentityDecoder::lensInfo(d);
        QVERIFY(info);
        QCOMPARE(info->modelCode, model);
    }

    void lensIdentityRejected_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("84 bytes") << lensPayload(84);
        QByteArray firmware = lensPayload();
        firmware[36] = char(0x0A);
        QTest::newRow("firmware not BCD") << firmware;
        QByteArray version6 = lensPayload();
        version6[50] = char(0xFF);
        QTest::newRow("version6 FF") << version6;
        QByteArray oneDivision = lensPayload();
        oneDivision[56] = 1;
        QTest::newRow("one division") << oneDivision;
        QByteArray noDivision = lensPayload();
        noDivision[56] = 0;
        QTest::newRow("no division") << noDivision;
    }
    void lensIdentityRejected() {
        QFETCH(QByteArray, payload);
        QVERIFY(!IdentityDecoder::lensInfo(payload));
    }

    void longerRepliesAreAccepted() {
        QVERIFY(IdentityDecoder::lensInfo(lensPayload(200)));
        QVERIFY(IdentityDecoder::adapterBasicInfo(adapterPayload(64)));
    }

    void limiterDefaultsFollowTheDivisions() {
        QByteArray d = lensPayload();
        d[56] = 20;
        d[65] = 9;
        const auto info = IdentityDecoder::lensInfo(d);
        QVERIFY(info);
        QCOMPARE(info->focusLimitDefaultFirstNear, 10);
        QCOMPARE(info->focusLimitDefaultFirstFar, 19);
    }
};

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
