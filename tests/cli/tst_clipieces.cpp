// The pieces of lensdock-cli that its runs in tst_cli cannot show: the progress bar of a terminal, the
// settings of a lens with fewer of them, adapters without valid firmware, a message of several lines.
#include "adjust/SettingsReport.h"
#include "CommandOutput.h"
#include "online/FirmwareVersionCheck.h"
#include "UpdateProgress.h"

#include <cstdio>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace lensdock;
using namespace lensdock::cli;

class TestCliPieces : public QObject {
    Q_OBJECT
private slots:
    // On a terminal the progress is one bar, redrawn; it never runs past its end.
    void progressBar() {
        const auto bar = [](double percent) {
            return UpdateProgress::bar(percent, QStringLiteral("Sending"));
        };
        QCOMPARE(bar(0), QStringLiteral("[..............................]   0% Sending     "));
        QCOMPARE(bar(50), QStringLiteral("[###############...............]  50% Sending     "));
        QCOMPARE(bar(130), QStringLiteral("[##############################] 100% Sending     "));
    }

    // A prime with two distances and one limiter position and no VC mode: only what it uses is
    // listed and compared, and the full-time manual level only while that is on.
    void aLensWithFewerSettings() {
        LensInfo lens;
        lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = true;
        lens.supportsVcMode = false;
        lens.zoomCount = lens.focusLimitCount = 1;
        lens.focusPointCount = 2;
        QStringList keys;
        for (const Setting& setting : SettingsReport::settingsOf(LensAdjustData(), lens))
            keys << setting.key;
        QCOMPARE(keys,
                 (QStringList{"focus.close.1", "focus.middle.1", "fullTimeManual.enabled",
                              "fullTimeManual.level", "limiter1.near", "limiter1.far", "limiter1.mode"}));
        LensAdjustData from, to;
        to.vcMode = 3;
        to.focusZoomClose[1] = 7;
        to.focusZoomInfinite[0] = 4;
        to.focusLimitSecondNear = 5;
        to.focusZoomCenter[0] = -2; // the only one used
        const QJsonObject change{{"setting", "focus.middle.1"}, {"from", "0"}, {"to", "-2"}};
        QCOMPARE(SettingsReport::differenceJson(from, to, lens), QJsonArray{change});
        QCOMPARE(SettingsReport::differenceText(from, to, lens).size(), 1);
        from.isFullTimeManualEnable = false;
        to = from;
        to.fullTimeManual = 3;
        QVERIFY(SettingsReport::differenceJson(from, to, lens).isEmpty());
    }

    // Only the first two digits count; an adapter reporting "ff" has no valid firmware.
    void adapterUpdateRule() {
        const std::tuple<const char*, const char*, bool> cases[] = {
            {"0123", "0200", true},  {"0123", "0150", false}, {"0200", "0123", false},
            {"ff00", "0100", true},  {"ffff", "0000", true},  {"ff0", "0100", false},
            {"0123", "ab00", false}, {"0123", "02000", false}};
        for (const auto& [current, latest, offered] : cases)
            QVERIFY2(isAdapterUpdateOffered(current, latest, true) == offered, latest);
    }

    void anErrorIsOneLine() {
        std::FILE* err = std::tmpfile();
        QVERIFY(err);
        CommandOutput::printError(err, QStringLiteral("no lens\nmounted"));
        std::rewind(err);
        char line[64] = {};
        QVERIFY(std::fread(line, 1, sizeof line - 1, err) > 0);
        QCOMPARE(QByteArray(line), QByteArray("lensdock-cli: no lens mounted\n"));
        std::fclose(err);
    }
};

QTEST_GUILESS_MAIN(TestCliPieces)
#include "tst_clipieces.moc"
