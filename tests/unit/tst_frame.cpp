#include "Bytes.h"
#include "link/CommandSet.h"
#include "link/Crc.h"
#include "link/FrameCodec.h"

#include <QTest>

using namespace lensdock;
using FrameCodec::FrameError;

Q_DECLARE_METATYPE(FrameError)

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValue() {
        QCOMPARE(Crc::compute(QByteArray("123456789")), std::uint16_t(0x31C3));
        const auto lowFirst = Crc::calcCrc(QByteArray("123456789"));
        QCOMPARE(lowFirst[0], std::uint8_t(0xC3));
        QCOMPARE(lowFirst[1], std::uint8_t(0x31));
    }

    void crcOfNothingIsZero() {
        const auto crc = Crc::calcCrc(QByteArray());
        QCOMPARE(crc[0], std::uint8_t(0));
        QCOMPARE(crc[1], std::uint8_t(0));
    }

    void crcTableEntries_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("entry");
        QTest::newRow("0") << 0 << 0x0000;
        QTest::newRow("1") << 1 << 0x1021;
        QTest::newRow("2") << 2 << 0x2042;
        QTest::newRow("255") << 255 << 0x1EF0;
    }
    void crcTableEntries() {
        QFETCH(int, index);
        QFETCH(int, entry);
        QCOMPARE(int(Crc::crcTable()[index]), entry);
    }

    void emptyCheckLensMountedFrame() {
        const auto request = buildRequest(CommandIndex::checkLensMounted, true);
        QVERIFY(request);
        QCOMPARE(FrameCodec::encodeFrame(*request, 1), hexBytes("0F 01 01 00 01 00 F7 D0 CD F0"));
    }

    void nextPacketNumber_data() {
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("next");
        QTest::newRow("start-up") << 0 << 1;
        QTest::newRow("middle") << 41 << 42;
        QTest::newRow("254") << 254 << 255;
        QTest::newRow("wraps past zero") << 255 << 1;
    }
    void nextPacketNumber() {
        QFETCH(int, last);
        QFETCH(int, next);
        QCOMPARE(int(FrameCodec::nextPacketNumber(std::uint8_t(last))), next);
    }

    void markerBytesInPayloadTravelUnchanged() {
        CommDataFormat request;
        request.destination = Destination::lens;
        request.funcNumber = FunctionNumber::setAdjData;
        request.setPayload(hexBytes("0F F0 0F F0 00"));
        const QByteArray frame = FrameCodec::encodeFrame(request, 7);
        QCOMPARE(frame.size(), 15);
        QCOMPARE(frame.left(7), hexBytes("0F 07 00 00 06 00 FB"));
        QCOMPARE(frame.mid(7, 5), hexBytes("0F F0 0F F0 00"));
        QCOMPARE(byteAt(frame, 14), std::uint8_t(0xF0));
        const auto crc = Crc::calcCrc(frame.left(12));
        QCOMPARE(byteAt(frame, 12), crc[0]);
        QCOMPARE(byteAt(frame, 13), crc[1]);

        const auto decoded = FrameCodec::decodeFrame(frame);
        QVERIFY(decoded);
        QCOMPARE(decoded->data, hexBytes("0F F0 0F F0 00"));
        QCOMPARE(decoded->packetNumber, std::uint8_t(7));
        QCOMPARE(decoded->funcNumber, FunctionNumber::setAdjData);
    }

    void decodeTakesEveryField() {
        const QByteArray frame = hexBytes("0F 01 01 00 01 00 F7 D0 CD F0 AA BB");
        const auto decoded = FrameCodec::decodeFrame(frame);
        QVERIFY(decoded);
        QCOMPARE(decoded->packetNumber, std::uint8_t(1));
        QCOMPARE(decoded->destination, Destination::adapter);
        QCOMPARE(decoded->lengthFieldValue(), 1);
        QCOMPARE(decoded->funcNumber, std::uint8_t(0xF7));
        QVERIFY(decoded->data.isEmpty());
        QCOMPARE(decoded->crc[0], std::uint8_t(0xD0));
        QCOMPARE(decoded->crc[1], std::uint8_t(0xCD));
        const auto expected = FrameCodec::expectedCrc(frame);
        QCOMPARE(expected[0], std::uint8_t(0xD0));
        QCOMPARE(expected[1], std::uint8_t(0xCD));
    }

    void lengthFieldHighByteCounts() {
        QByteArray frame = hexBytes("0F 05 00 00 00 01 FC");
        frame.append(QByteArray(255, '\x5A'));
        frame.append(hexBytes("00 00 F0"));
        QCOMPARE(FrameCodec::expectedFrameSize(frame), std::optional<qsizetype>(256 + 9));
        const auto decoded = FrameCodec::decodeFrame(frame);
        QVERIFY(decoded);
        QCOMPARE(decoded->data.size(), 255);
    }

    void malformedFrames_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<FrameError>("error");
        QTest::newRow("six bytes") << hexBytes("0F 01 01 00 01 00") << FrameError::tooShort;
        QTest::newRow("wrong start") << hexBytes("0E 01 01 00 01 00 F7 D0 CD F0") << FrameError::startMarker;
        QTest::newRow("zero length field") << hexBytes("0F 01 01 00 00 00 F7 D0 CD F0") << FrameError::length;
        QTest::newRow("one byte missing") << hexBytes("0F 01 01 00 02 00 F7 01 D0 CD") << FrameError::length;
        QTest::newRow("wrong end marker")
            << hexBytes("0F 01 01 00 01 00 F7 D0 CD F1") << FrameError::endMarker;
    }
    void malformedFrames() {
        QFETCH(QByteArray, frame);
        QFETCH(FrameError, error);
        QCOMPARE(FrameCodec::checkFrame(frame), error);
        QVERIFY(!FrameCodec::decodeFrame(frame));
    }

    void expectedFrameSizeNeedsTheHeader() {
        QVERIFY(!FrameCodec::expectedFrameSize(hexBytes("0F 01 01 00 01 00")));
        QCOMPARE(FrameCodec::expectedFrameSize(hexBytes("0F 01 01 00 01 00 F7")),
                 std::optional<qsizetype>(10));
    }

    void oversizedPayloadCannotBeFramed() {
        CommDataFormat request;
        request.setPayload(QByteArray(65535, '\0'));
        QVERIFY(FrameCodec::encodeFrame(request, 1).isEmpty());
        request.setPayload(QByteArray(65534, '\0'));
        const QByteArray frame = FrameCodec::encodeFrame(request, 1);
        QCOMPARE(frame.size(), 65534 + 10);
        QCOMPARE(frame.mid(4, 2), hexBytes("FF FF"));
    }

    void transferBlockCrcIsHighByteFirst() {
        const QByteArray block =
            FrameCodec::encodeTransferBlock(hexBytes("02 01 FE"), QByteArray("123456789"));
        QCOMPARE(block, hexBytes("02 01 FE") + QByteArray("123456789") + hexBytes("31 C3"));
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
