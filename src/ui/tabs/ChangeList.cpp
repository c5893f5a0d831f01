#include "ui/tabs/ChangeList.h"

#include "adjust/SettingsReport.h"

namespace lensdock {

namespace {
QString distanceWord(const QString& key) {
    if (key == QStringLiteral("close"))
        return qtTrId("focusUnit1");
    if (key == QStringLiteral("middle"))
        return qtTrId("focusUnit2");
    return qtTrId("focusUnit3");
}

// "focus.close.3": the column's heading and the row's focal length, as the grid shows them.
QString focusName(const QStringList& parts, const LensInfo& lens) {
    const int zoom = parts.value(2).toInt() - 1;
    const int focal =
        zoom >= 0 && zoom < int(lens.zoomFocalLengths.size()) ? lens.zoomFocalLengths[size_t(zoom)] : 0;
    //% "%1, %2 mm"
    return qtTrId("changeFocusName").arg(distanceWord(parts.value(1))).arg(focal > 0 ? focal : zoom + 1);
}

// "limiter1.near": the position's title and the slider's name.
QString limiterName(const QStringList& parts) {
    const bool first = parts.value(0) == QStringLiteral("limiter1");
    const QString position = qtTrId(first ? "focusLimit1" : "focusLimit2");
    if (parts.value(1) == QStringLiteral("mode"))
        return position;
    const bool near = parts.value(1) == QStringLiteral("near");
    const char* const slider = first ? (near ? "focusLimit1Short" : "focusLimit1Long")
                                     : (near ? "focusLimit2Short" : "focusLimit2Long");
    //% "%1, %2"
    return qtTrId("changeLimiterName").arg(position, qtTrId(slider));
}

QString nameOf(const Setting& setting, const LensInfo& lens) {
    const QStringList parts = setting.key.split(QLatin1Char('.'));
    if (parts.first() == QStringLiteral("focus"))
        return focusName(parts, lens);
    if (parts.first().startsWith(QStringLiteral("limiter")))
        return limiterName(parts);
    if (setting.key == QStringLiteral("fullTimeManual.level"))
        return qtTrId("fullTimeManualValue");
    if (setting.key == QStringLiteral("fullTimeManual.enabled"))
        return qtTrId("fullTimeManualTitle");
    return qtTrId("vcModeTitle");
}

QString valueOf(const Setting& setting) {
    const QString& key = setting.key;
    if (key.endsWith(QStringLiteral(".near")) || key.endsWith(QStringLiteral(".far")))
        return QString::number(setting.value + 1); // the sliders count from 1
    if (key.endsWith(QStringLiteral(".mode"))) {
        const bool first = key.startsWith(QStringLiteral("limiter1"));
        if (setting.value == 1)
            return qtTrId(first ? "focusLimit1Range" : "focusLimit2Range");
        if (setting.value == 2)
            return qtTrId(first ? "focusLimit1Segment" : "focusLimit2Segment");
    } else if (key == QStringLiteral("fullTimeManual.enabled")) {
        //% "On"
        const QString on = qtTrId("changeOn");
        //% "Off"
        const QString off = qtTrId("changeOff");
        return setting.value != 0 ? on : off;
    } else if (key == QStringLiteral("fullTimeManual.level") && setting.value >= 1 && setting.value <= 3) {
        const char* const levels[] = {"fullTimeManual1", "fullTimeManual2", "fullTimeManual3"};
        return qtTrId(levels[setting.value - 1]);
    } else if (key == QStringLiteral("vcMode") && setting.value >= 1 && setting.value <= 3) {
        const char* const modes[] = {"vcMode1", "vcMode2", "vcMode3"};
        return qtTrId(modes[setting.value - 1]);
    }
    return QString::number(setting.value);
}
} // namespace

QStringList ChangeList::lines(const LensAdjustData& from, const LensAdjustData& to, const LensInfo& lens) {
    QStringList lines;
    for (const auto& [old, after] : SettingsReport::changes(from, to, lens)) {
        const QString was = old ? valueOf(*old) : QStringLiteral("–");
        lines << QStringLiteral("%1: %2 \u2192 %3").arg(nameOf(after, lens), was, valueOf(after));
    }
    return lines;
}

} // namespace lensdock
