#include "IdentityReport.h"

#include "adjust/LensAdjustData.h"

#include <QJsonArray>

namespace lensdock::cli {

namespace {
QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QJsonArray focalLengths(const LensInfo& lens) {
    QJsonArray lengths;
    for (int i = 0; i < LensAdjustData::usedZoomCount(lens); ++i)
        lengths.append(lens.zoomFocalLengths[size_t(i)]);
    return lengths;
}

QString focalLengthText(const LensInfo& lens) {
    QStringList parts;
    for (const QJsonValue& value : focalLengths(lens))
        parts << QString::number(value.toInt());
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" mm");
}

// A multi-line catalogue name (teleconverter kinds) reads as one line here.
QString oneLine(const QString& name) {
    return name.simplified();
}
} // namespace

QString IdentityReport::mountName(int mountInfo) {
    static const char* const names[] = {"Canon", "Nikon", "SONY"};
    return mountInfo >= 1 && mountInfo <= 3 ? QLatin1String(names[mountInfo - 1]) : QString();
}

QStringList IdentityReport::adapterText(const AdapterBasicInfo& adapter) {
    const QString mount = mountName(adapter.mountInfo);
    return {QStringLiteral("Dock"), QStringLiteral("  firmware version:       %1").arg(adapter.fwVersion),
            QStringLiteral("  mount:                  %1 (%2)")
                .arg(mount.isEmpty() ? QStringLiteral("unknown") : mount)
                .arg(adapter.mountInfo),
            QStringLiteral("  hardware version:       %1").arg(adapter.hwVersion),
            QStringLiteral("  communication version:  %1").arg(adapter.communicationVersion)};
}

QJsonObject IdentityReport::adapterJson(const AdapterBasicInfo& adapter) {
    return {{QStringLiteral("firmwareVersion"), adapter.fwVersion},
            {QStringLiteral("mountInfo"), adapter.mountInfo},
            {QStringLiteral("mount"), mountName(adapter.mountInfo)},
            {QStringLiteral("hardwareVersion"), adapter.hwVersion},
            {QStringLiteral("communicationVersion"), adapter.communicationVersion}};
}

QStringList IdentityReport::lensText(const LensInfo& lens, const std::optional<QString>& name) {
    QStringList lines{QStringLiteral("Lens"),
                      QStringLiteral("  model code:             %1").arg(lens.modelCode),
                      QStringLiteral("  name:                   %1")
                          .arg(name ? oneLine(*name) : QStringLiteral("unknown (no catalogue)")),
                      QStringLiteral("  serial number:          %1").arg(lens.serialCode),
                      QStringLiteral("  firmware version:       %1").arg(lens.firmwareVersion),
                      QStringLiteral("  focal lengths:          %1").arg(focalLengthText(lens))};
    lines << QStringLiteral("  focus adjustment:       %1").arg(yesNo(lens.supportsFocusZoom));
    if (lens.supportsFocusZoom)
        lines << QStringLiteral("    %1 zoom positions, %2 distances, range %3 to %4")
                     .arg(lens.zoomCount)
                     .arg(lens.focusPointCount)
                     .arg(lens.focusAdjustMin)
                     .arg(lens.focusAdjustMax);
    lines << QStringLiteral("  full-time manual focus: %1").arg(yesNo(lens.supportsFullTimeManual));
    lines << QStringLiteral("  focus limiter:          %1").arg(yesNo(lens.supportsFocusLimit));
    if (lens.supportsFocusLimit)
        lines << QStringLiteral("    %1 switch positions, steps 0 to %2")
                     .arg(lens.focusLimitCount)
                     .arg(lens.focusLimitMaxStep());
    lines << QStringLiteral("  VC mode:                %1").arg(yesNo(lens.supportsVcMode));
    return lines;
}

QJsonObject IdentityReport::lensJson(const LensInfo& lens, const std::optional<QString>& name) {
    QJsonObject object{{QStringLiteral("modelCode"), lens.modelCode},
                       {QStringLiteral("serialNumber"), lens.serialCode},
                       {QStringLiteral("firmwareVersion"), lens.firmwareVersion},
                       {QStringLiteral("lensKind"), lens.lensKind},
                       {QStringLiteral("focalLengths"), focalLengths(lens)},
                       {QStringLiteral("supportsFocusAdjustment"), lens.supportsFocusZoom},
                       {QStringLiteral("supportsFullTimeManual"), lens.supportsFullTimeManual},
                       {QStringLiteral("supportsFocusLimit"), lens.supportsFocusLimit},
                       {QStringLiteral("supportsVcMode"), lens.supportsVcMode},
                       {QStringLiteral("zoomCount"), lens.zoomCount},
                       {QStringLiteral("focusPointCount"), lens.focusPointCount},
                       {QStringLiteral("focusAdjustMin"), lens.focusAdjustMin},
                       {QStringLiteral("focusAdjustMax"), lens.focusAdjustMax},
                       {QStringLiteral("focusLimitCount"), lens.focusLimitCount},
                       {QStringLiteral("focusLimitDivisions"), lens.focusLimitDivisions}};
    object.insert(QStringLiteral("name"), name ? QJsonValue(*name) : QJsonValue());
    return object;
}

} // namespace lensdock::cli
