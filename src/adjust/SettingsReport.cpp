#include "adjust/SettingsReport.h"

#include <algorithm>

namespace lensdock {

namespace {
// Named in the order of LensAdjustData::focusLists().
const char* const distanceKeys[] = {"close", "middle", "infinity"};

QString zoomLabel(const LensInfo& lens, int zoom) {
    const int focal = lens.zoomFocalLengths[size_t(zoom)];
    return focal > 0 ? QStringLiteral("zoom %1 (%2 mm)").arg(zoom + 1).arg(focal)
                     : QStringLiteral("zoom %1").arg(zoom + 1);
}

QString modeText(qint64 mode) {
    if (mode == 1)
        return QStringLiteral("range");
    if (mode == 2)
        return QStringLiteral("segment");
    return QString::number(mode);
}

Setting number(const QString& key, const QString& label, qint64 value) {
    return {key, label, value, QString::number(value)};
}

void addFocus(QList<Setting>& out, const LensAdjustData& data, const LensInfo& lens) {
    const auto lists = data.focusLists();
    for (int k = 0; k < LensAdjustData::usedFocusPointCount(lens); ++k)
        for (int zoom = 0; zoom < LensAdjustData::usedZoomCount(lens); ++zoom)
            out << number(QStringLiteral("focus.%1.%2").arg(QLatin1String(distanceKeys[k])).arg(zoom + 1),
                          QStringLiteral("focus adjustment, %1, %2")
                              .arg(QLatin1String(distanceKeys[k]), zoomLabel(lens, zoom)),
                          (*lists[k])[size_t(zoom)]);
}

void addFullTimeManual(QList<Setting>& out, const LensAdjustData& data) {
    const bool on = data.isFullTimeManualEnable;
    out << Setting{QStringLiteral("fullTimeManual.enabled"), QStringLiteral("full-time manual focus"),
                   on ? 1 : 0, on ? QStringLiteral("on") : QStringLiteral("off")};
    if (on) // the level counts only while the function is on
        out << number(QStringLiteral("fullTimeManual.level"), QStringLiteral("full-time manual focus level"),
                      data.fullTimeManual);
}

void addLimiter(QList<Setting>& out, int position, qint64 nearStep, qint64 farStep, qint64 mode) {
    const QString key = QStringLiteral("limiter%1.").arg(position);
    const QString label = QStringLiteral("focus limiter %1, ").arg(position);
    out << number(key + QStringLiteral("near"), label + QStringLiteral("near"), nearStep);
    out << number(key + QStringLiteral("far"), label + QStringLiteral("far"), farStep);
    out << Setting{key + QStringLiteral("mode"), label + QStringLiteral("mode"), mode, modeText(mode)};
}

QJsonArray focusRow(const LensAdjustData::FocusList& list, const LensInfo& lens) {
    QJsonArray row;
    for (int zoom = 0; zoom < LensAdjustData::usedZoomCount(lens); ++zoom)
        row.append(qint64(list[size_t(zoom)]));
    return row;
}

} // namespace

QList<Setting> SettingsReport::settingsOf(const LensAdjustData& data, const LensInfo& lens) {
    QList<Setting> out;
    if (lens.supportsFocusZoom)
        addFocus(out, data, lens);
    if (lens.supportsFullTimeManual)
        addFullTimeManual(out, data);
    if (lens.supportsFocusLimit && lens.focusLimitCount >= 1)
        addLimiter(out, 1, data.focusLimitFirstNear, data.focusLimitFirstFar, data.focusLimitFirstMode);
    if (lens.supportsFocusLimit && lens.focusLimitCount >= 2)
        addLimiter(out, 2, data.focusLimitSecondNear, data.focusLimitSecondFar, data.focusLimitSecondMode);
    if (lens.supportsVcMode)
        out << number(QStringLiteral("vcMode"), QStringLiteral("VC mode"), data.vcMode);
    return out;
}

QStringList SettingsReport::text(const LensAdjustData& data, const LensInfo& lens) {
    QStringList lines;
    if (lens.supportsFocusZoom) {
        QStringList header;
        for (int k = 0; k < LensAdjustData::usedFocusPointCount(lens); ++k)
            header << QLatin1String(distanceKeys[k]);
        lines << QStringLiteral("Focus adjustment (%1):").arg(header.join(QStringLiteral(" / ")));
        const auto lists = data.focusLists();
        for (int zoom = 0; zoom < LensAdjustData::usedZoomCount(lens); ++zoom) {
            QString row = QStringLiteral("  %1").arg(zoomLabel(lens, zoom) + QLatin1Char(':'), -19);
            for (int k = 0; k < LensAdjustData::usedFocusPointCount(lens); ++k)
                row += QStringLiteral(" %1").arg((*lists[k])[size_t(zoom)], 4);
            lines << row;
        }
    }
    for (const Setting& setting : settingsOf(data, lens))
        if (!setting.key.startsWith(QStringLiteral("focus.")))
            lines << QStringLiteral("%1: %2").arg(setting.label, setting.text);
    if (lines.isEmpty())
        lines << QStringLiteral("The lens has no customisable settings.");
    return lines;
}

QJsonObject SettingsReport::json(const LensAdjustData& data, const LensInfo& lens) {
    QJsonObject object;
    if (lens.supportsFocusZoom) {
        QJsonObject focus;
        const auto lists = data.focusLists();
        for (int k = 0; k < LensAdjustData::usedFocusPointCount(lens); ++k)
            focus.insert(QLatin1String(distanceKeys[k]), focusRow(*lists[k], lens));
        object.insert(QStringLiteral("focusAdjustment"), focus);
    }
    for (const Setting& setting : settingsOf(data, lens)) {
        if (setting.key.startsWith(QStringLiteral("focus.")))
            continue;
        if (setting.key == QStringLiteral("fullTimeManual.enabled"))
            object.insert(setting.key, setting.value != 0);
        else if (setting.key.endsWith(QStringLiteral(".mode")))
            object.insert(setting.key, setting.text);
        else
            object.insert(setting.key, setting.value);
    }
    return object;
}

QList<SettingsReport::Change> SettingsReport::changes(const LensAdjustData& from, const LensAdjustData& to,
                                                      const LensInfo& lens) {
    QList<Change> changed;
    const QList<Setting> before = SettingsReport::settingsOf(from, lens);
    for (const Setting& after : SettingsReport::settingsOf(to, lens)) {
        const auto old = std::find_if(before.begin(), before.end(),
                                      [&](const Setting& setting) { return setting.key == after.key; });
        if (old == before.end())
            changed.append({std::nullopt, after});
        else if (old->value != after.value)
            changed.append({*old, after});
    }
    return changed;
}
QStringList SettingsReport::differenceText(const LensAdjustData& from, const LensAdjustData& to,
                                           const LensInfo& lens) {
    QStringList lines;
    for (const auto& [old, after] : changes(from, to, lens))
        lines << QStringLiteral("  %1: %2 -> %3")
                     .arg(after.label, old ? old->text : QStringLiteral("-"), after.text);
    return lines;
}

QJsonArray SettingsReport::differenceJson(const LensAdjustData& from, const LensAdjustData& to,
                                          const LensInfo& lens) {
    QJsonArray array;
    for (const auto& [old, after] : changes(from, to, lens)) {
        QJsonObject change{{QStringLiteral("setting"), after.key}, {QStringLiteral("to"), after.text}};
        change.insert(QStringLiteral("from"), old ? QJsonValue(old->text) : QJsonValue());
        array.append(change);
    }
    return array;
}

} // namespace lensdock
