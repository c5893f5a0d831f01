// What the program puts on the serial line in one whole session through the screens, compared with a
// recording kept next to this file. Reworking the screens must leave the requests on the wire as they
// were. Set LENSDOCK_RECORD_WIRE to write the recording again from the code as it is.
#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QCryptographicHash>
#include <QStackedWidget>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString recordingPath = QStringLiteral(LENSDOCK_WIRE_RECORDING);

QString request(std::uint8_t destination, std::uint8_t function) {
    return QString::asprintf("%02X %02X", destination, function);
}

// "destination function payload" for a frame; anything else the host sends by its kind or in hex.
QString describe(const QByteArray& unit) {
    const auto frame = FrameCodec::decodeFrame(unit);
    if (frame && frame->crc == FrameCodec::expectedCrc(unit))
        return (request(frame->destination, frame->funcNumber) + ' ' + frame->data.toHex().toUpper())
            .trimmed();
    if (unit == QByteArray(1, char(ControlByte::eot)))
        return QStringLiteral("end of transfer");
    return QStringLiteral("bytes ") + unit.toHex(' ').toUpper();
}

// The units the host sent, from the emulator's trace ("<time> RX <hex> # <note>"). A run of firmware
// blocks is one line, their count and a digest of their bytes: exact, and still short.
QStringList hostUnits(const QString& tracePath) {
    QFile trace(tracePath);
    QStringList lines;
    if (!trace.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    QByteArray blocks;
    int count = 0;
    while (!trace.atEnd()) {
        const QString line = QString::fromUtf8(trace.readLine()).section(QStringLiteral(" # "), 0, 0);
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 3 || fields[1] != QStringLiteral("RX"))
            continue;
        const QByteArray unit = QByteArray::fromHex(fields.mid(2).join(QString()).toLatin1());
        if (unit.size() > 1 && byteAt(unit, 0) == ControlByte::stx) {
            if (count++ == 0)
                lines << QString();
            blocks += unit;
            const QByteArray digest = QCryptographicHash::hash(blocks, QCryptographicHash::Sha256);
            lines.last() = QStringLiteral("blocks %1 sha256 %2").arg(count).arg(digest.toHex().left(16));
            continue;
        }
        blocks.clear();
        count = 0;
        lines << describe(unit);
    }
    return lines;
}

// The lens identity request is also the poll the program sends every ten ticks while the lens screen
// waits (idle, or behind an alert): whether one falls between two actions depends on timing. It is
// kept where the program reads who the lens is, right after the lens connect request, and dropped
// everywhere else. Runs of one line become that line once: how often a request repeats while the
// program waits for something depends on timing too.
QStringList normalised(const QStringList& lines) {
    const QString identity = request(Destination::lens, FunctionNumber::getBasicInfo);
    const QString lensConnect = request(Destination::adapter, FunctionNumber::reqLensConnect);
    QStringList result;
    bool identityDue = false;
    for (const QString& line : lines) {
        if (line == identity && !std::exchange(identityDue, false))
            continue;
        if (line != identity)
            identityDue = line.startsWith(lensConnect);
        if (result.isEmpty() || result.last() != line)
            result << line;
    }
    return result;
}

QStringList readRecording() {
    QFile file(recordingPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString& line) { return line.startsWith(QLatin1Char('#')); });
    return lines;
}

bool writeRecording(const QStringList& lines) {
    QFile file(recordingPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    file.write(
        "# What the host sends in one session through the screens, written by tst_wiresequence\n"
        "# with LENSDOCK_RECORD_WIRE set. A frame is destination, function, payload; a run of\n"
        "# firmware blocks is its count and digest. Idle identity polls are left out and repeats folded.\n");
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return true;
}

// The recording against what was sent, as a line diff: "-" recorded only, "+" sent only.
void printDiff(const QStringList& recorded, const QStringList& sent) {
    const qsizetype n = recorded.size(), m = sent.size();
    // common[i][j]: the longest common run of recorded[i..] and sent[j..].
    QList<QList<int>> common(n + 1, QList<int>(m + 1, 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            common[i][j] = recorded[i] == sent[j] ? common[i + 1][j + 1] + 1
                                                  : std::max(common[i + 1][j], common[i][j + 1]);
    qsizetype i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && recorded[i] == sent[j]) {
            qInfo("  %s", qPrintable(recorded[i++]));
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            qInfo("+ %s", qPrintable(sent[j++]));
        } else {
            qInfo("- %s", qPrintable(recorded[i++]));
        }
    }
}

QByteArray firmwareData() {
    QByteArray data(4000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 5 + 1) & 0xFF);
    return data;
}
} // namespace

class TestWireSequence : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void theSessionSendsTheRecordedRequests() {
        LensFixture f;
        const QString tracePath = f.dir.filePath(QStringLiteral("wire.trace"));
        f.dockOptions.tracePath = tracePath;
        QVERIFY(f.launchConnected());
        QStringList titles;

        auto* focus = qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
        QTest::keyClick(focus->slider(0, 0), Qt::Key_Right);
        f.click(f.screen()->applyButton());
        titles += QStringList{"Apply the settings", "Settings applied"};
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), titles, boundMs);
        QVERIFY(f.waitIdle());

        f.click(f.screen()->restoreFactoryButton());
        titles += QStringList{"Restore factory settings", "Factory settings restored"};
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), titles, boundMs);
        QVERIFY(f.waitIdle());

        f.serveLensCatalogue(QStringLiteral("0200"), decodeKey);
        const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", firmwareData()}}, decodeKey);
        QVERIFY(packed.ok());
        f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed.bytes);
        f.click(f.screen()->updateButton());
        titles += QStringList{"Update the lens", "Update complete"};
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), titles, boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.dock->snapshot().lens.firmwareVersion, QStringLiteral("0200"));

        QVERIFY(f.quit());
        QTRY_VERIFY_WITH_TIMEOUT(!f.dock->snapshot().lensConnected, boundMs); // released at the end
        QCOMPARE(f.answerer->titles(), titles);
        f.stop(); // nothing more reaches the trace

        const QStringList actual = normalised(hostUnits(tracePath));
        if (qEnvironmentVariableIsSet("LENSDOCK_RECORD_WIRE")) {
            QVERIFY2(writeRecording(actual), qPrintable(recordingPath));
            qInfo("%lld lines recorded", static_cast<long long>(actual.size()));
            return;
        }
        QVERIFY2(QFile::exists(recordingPath), "no recording: run once with LENSDOCK_RECORD_WIRE set");
        const QStringList recorded = readRecording();
        if (actual != recorded) {
            qInfo("%s against what was sent now:", qPrintable(recordingPath));
            printDiff(recorded, actual);
        }
        QVERIFY2(actual == recorded, "the requests on the wire differ from the recording");
    }
};

QTEST_MAIN(TestWireSequence)
#include "tst_wiresequence.moc"
