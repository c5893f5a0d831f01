#include "Bytes.h"
#include "link/FrameCodec.h"
#include "XmodemReceiver.h"

#include <QTest>

using namespace lensdock;
using Event = XmodemReceiver::Event;

namespace {
QByteArray block(int number, char fill, qsizetype size = 1024) {
    const char start = size == 1024 ? 0x02 : 0x01;
    QByteArray header;
    header.append(start).append(char(number)).append(char(255 - number));
    return FrameCodec::encodeTransferBlock(header, QByteArray(size, fill));
}
} // namespace

class TestXmodemReceiver : public QObject {
    Q_OBJECT
private slots:
    void answers_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("event");
        QTest::addColumn<char>("reply");
        QByteArray badCrc = block(1, 'a');
        badCrc[1028] = char(badCrc[1028] ^ 1);
        QByteArray badComplement = block(1, 'a');
        badComplement[2] = 0;
        QTest::newRow("good block") << block(1, 'a') << int(Event::blockAccepted) << '\x06';
        QTest::newRow("short block") << block(1, 'a', 128) << int(Event::blockAccepted) << '\x06';
        QTest::newRow("bad CRC") << badCrc << int(Event::blockRejected) << '\x15';
        QTest::newRow("bad complement") << badComplement << int(Event::blockRejected) << '\x15';
        QTest::newRow("out of sequence") << block(2, 'a') << int(Event::outOfSequence) << '\x18';
        QTest::newRow("EOT") << hexBytes("04") << int(Event::endOfTransfer) << '\x06';
        QTest::newRow("CAN") << hexBytes("18") << int(Event::cancelled) << '\0';
        QTest::newRow("partial") << block(1, 'a').left(900) << int(Event::needMore) << '\0';
        QTest::newRow("a frame") << hexBytes("0F 01") << int(Event::notTransfer) << '\0';
    }
    void answers() {
        QFETCH(QByteArray, input);
        QFETCH(int, event);
        QFETCH(char, reply);
        XmodemReceiver receiver(XmodemReceiver::Numbering::skipsZero);
        QByteArray buffer = input;
        const auto step = receiver.take(buffer);
        QCOMPARE(int(step.event), event);
        QCOMPARE(step.reply, reply);
    }

    void repeatedBlockIsAcknowledgedButKeptOnce() {
        XmodemReceiver receiver(XmodemReceiver::Numbering::skipsZero);
        QByteArray buffer = block(1, 'a') + block(1, 'a') + block(2, 'b');
        QCOMPARE(receiver.take(buffer).event, Event::blockAccepted);
        const auto again = receiver.take(buffer);
        QCOMPARE(again.event, Event::blockRepeated);
        QCOMPARE(again.reply, '\x06');
        QCOMPARE(receiver.take(buffer).event, Event::blockAccepted);
        QCOMPARE(receiver.data(), QByteArray(1024, 'a') + QByteArray(1024, 'b'));
        QVERIFY(buffer.isEmpty());
    }

    void numberingAfter255_data() {
        QTest::addColumn<int>("numbering");
        QTest::addColumn<int>("next");
        QTest::newRow("device skips zero") << int(XmodemReceiver::Numbering::skipsZero) << 1;
        QTest::newRow("plain wraps to zero") << int(XmodemReceiver::Numbering::wrapsToZero) << 0;
    }
    void numberingAfter255() {
        QFETCH(int, numbering);
        QFETCH(int, next);
        XmodemReceiver receiver{XmodemReceiver::Numbering(numbering)};
        for (int n = 1; n <= 255; ++n) {
            QByteArray one = block(n, 'x', 128);
            QCOMPARE(receiver.take(one).event, Event::blockAccepted);
        }
        QByteArray wrapped = block(next, 'y', 128);
        QCOMPARE(receiver.take(wrapped).event, Event::blockAccepted);
        QCOMPARE(receiver.acceptedBlocks(), 256);
    }
};

QTEST_GUILESS_MAIN(TestXmodemReceiver)
#include "tst_xmodemreceiver.moc"
