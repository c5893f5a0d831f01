#include "link/IdentityDecoder.h"
#include "SampleIdentities.h"

#include <QTest>

using namespace lensdock;

namespace {
// `bytes` with the byte at each offset of `changes` replaced.
QByteArray edited(QByteArray bytes, std::initializer_list<std::pair<int, int>> changes) {
    for (const auto& [offset, value] : changes)
        bytes[offset] = char(value);
    return bytes;
}

QString adapterText(const QByteArray& payload) {
    const auto a = IdentityDecoder::adapterBasicInfo(payload);
    return a ? QStringLiteral("fw %1 mount %2 hw %3 comm %4")
                   .arg(a->fwVersion)
                   .arg(a->mountInfo)
                   .arg(a->hwVersion, a->communicationVersion)
             : QStringLiteral("refused");
}

// The decoded lens as "model serial firmware |" and then its kind, the four capabilities, zooms, focus
// points, switch positions and type, the four default switch modes, limiter steps, focus range, the
// factory limits, and the first and last focal length.
QString lensText(const QByteArray& payload) {
    const auto l = IdentityDecoder::lensInfo(payload);
    if (!l)
        return QStringLiteral("refused");
    QStringList parts{l->modelCode, QString(l->serialCode).remove(QChar(0)), l->firmwareVersion, "|"};
    QList<int> numbers{l->lensKind, l->supportsFocusZoom, l->supportsFullTimeManual, l->supportsFocusLimit};
    numbers << l->supportsVcMode << l->zoomCount << l->focusPointCount << l->focusLimitCount
            << l->focusLimitSwitchType;
    for (int mode : l->focusLimitDefaultModes)
        numbers << mode;
    numbers << l->focusLimitDivisions << l->focusAdjustMin << l->focusAdjustMax
            << l->focusLimitDefaultFirstNear << l->focusLimitDefaultFirstFar << l->focusLimitDefaultSecondNear
            << l->focusLimitDefaultSecondFar << l->zoomFocalLengths[0] << l->zoomFocalLengths[7];
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join(' ');
}
} // namespace

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void identities_data() {
        QTest::addColumn<QString>("decoded");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& decoded, const char* expected) {
            QTest::newRow(name) << decoded << QString(expected);
        };
        const QByteArray adapter = sampleAdapterIdentity();
        row("adapter, longer reply", adapterText(adapter + "x"), "fw 0100 mount 1 hw 01 comm 0100");
        row("adapter versions",
            adapterText(edited(adapter, {{35, 0x12}, {36, 0x07}, {48, 0x99}, {50, 0x05}})),
            "fw 1207 mount 1 hw 99 comm 0105");
        row("adapter, 62 bytes", adapterText(adapter.left(62)), "refused");
        row("mount 4", adapterText(edited(adapter, {{47, 4}})), "refused");
        row("mount 0", adapterText(edited(adapter, {{47, 0}})), "refused");
        row("firmware not BCD", adapterText(edited(adapter, {{36, 0x1A}})), "refused");
        row("hardware not BCD", adapterText(edited(adapter, {{48, 0xB0}})), "refused");
        row("communication not BCD", adapterText(edited(adapter, {{50, 0x0C}})), "refused");
        // Only an adapter without a released firmware may carry any mount code.
        row("unreleased adapter", adapterText(edited(adapter, {{35, 0xFF}, {36, 0xFF}, {47, 7}})),
            "fw ffff mount 7 hw 01 comm 0100");
        row("second byte FF, bad mount", adapterText(edited(adapter, {{36, 0xFF}, {47, 9}})), "refused");

        const QByteArray lens =
            edited(sampleLensIdentity(), {{0, 2}, {69, 0x1C}, {83, 0xF4}, {84, 0x01}}) + "x";
        row("lens, longer reply", lensText(lens),
            "A036  0102 | 2 1 1 1 1 8 3 2 0 1 1 1 1 10 -30 30 0 9 0 7 28 500");
        QByteArray named = lens;
        named.replace(3, 32, QByteArray("A0\0BCDEFGHIJKLMNSN12345678901234", 32));
        row("model ends at its first zero, serial does not", lensText(named),
            "A0 SN12345678901234 0102 | 2 1 1 1 1 8 3 2 0 1 1 1 1 10 -30 30 0 9 0 7 28 500");
        row("capabilities and switch", lensText(edited(lens, {{51, 0xFA}, {53, 5}, {54, 2}, {55, 0x57}})),
            "A036  0102 | 2 0 1 0 1 5 2 3 1 2 1 2 1 10 -30 30 0 9 0 7 28 500");
        row("twenty steps", lensText(edited(lens, {{56, 20}, {63, 20}, {64, 0xEC}})),
            "A036  0102 | 2 1 1 1 1 8 3 2 0 1 1 1 1 20 -20 20 10 19 10 17 28 500");
        row("lens, 84 bytes", lensText(lens.left(84)), "refused");
        row("lens firmware not BCD", lensText(edited(lens, {{36, 0x0A}})), "refused");
        row("sixth version FF", lensText(edited(lens, {{50, 0xFF}})), "refused");
        row("one step", lensText(edited(lens, {{56, 1}})), "refused");
    }
    void identities() {
        QFETCH(QString, decoded);
        QFETCH(QString, expected);
        QCOMPARE(decoded, expected);
    }
};

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
