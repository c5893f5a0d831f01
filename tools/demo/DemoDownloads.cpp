#include "DemoDownloads.h"

#include "DemoPictures.h"
#include "FirmwarePacker.h"
#include "online/ResourcePaths.h"

#include <QStringList>

namespace lensdock::DemoDownloads {

namespace {
const QString infoDate = QStringLiteral("2026/01/01 00:00:00");
const QString adapterKey = QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f00123456789abcdef0011223344556677");
const QString lensKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString lensName = QStringLiteral("Demo Zoom 28-300mm");
// The lens's device and area in a firmware record.
constexpr std::uint8_t lensDevice = 0x00;
constexpr std::uint8_t lensArea = 0x01;

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QByteArray adapterCatalogue(const AdapterBasicInfo& adapter) {
    const QString record = QStringList{infoDate, adapter.fwVersion, adapterKey}.join(QLatin1Char(','));
    return QStringLiteral("<zoleninfo>%1</zoleninfo>").arg(record).toUtf8();
}

QByteArray lensCatalogue(const LensInfo& lens) {
    QStringList f{infoDate,
                  lens.modelCode,
                  lensName,
                  newerLensVersion,
                  flag(lens.supportsFocusZoom),
                  flag(lens.supportsFullTimeManual),
                  flag(lens.supportsFocusLimit),
                  flag(lens.supportsVcMode),
                  QString::number(lens.zoomCount),
                  QString::number(lens.focusPointCount)};
    for (int focalLength : lens.zoomFocalLengths)
        f << QString::number(focalLength);
    for (int value :
         {lens.focusAdjustMax, lens.focusAdjustMin, lens.focusLimitCount, lens.focusLimitDivisions,
          lens.focusLimitDefaultFirstNear, lens.focusLimitDefaultFirstFar, lens.focusLimitDefaultSecondNear,
          lens.focusLimitDefaultSecondFar})
        f << QString::number(value);
    f << lensKey;
    return QStringLiteral("<lensinfo>%1</lensinfo>").arg(f.join(QLatin1Char(','))).toUtf8();
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 31 + 7) & 0xFF);
    return data;
}
} // namespace

std::optional<QHash<QString, QByteArray>> files(const DockProfile& profile, int firmwareBytes,
                                                QString* error) {
    const LensInfo& lens = profile.lens;
    const QString suffix = ResourcePaths::mountSuffix(profile.adapter.mountInfo);
    const auto firmware = FirmwarePacker::pack(
        {{lensDevice, lensArea, newerLensVersion, firmwareData(firmwareBytes)}}, lensKey);
    if (!firmware.ok()) {
        *error = QStringLiteral("demo firmware: %1").arg(firmware.error);
        return std::nullopt;
    }
    const QString firmwareName =
        lens.modelCode + suffix + QLatin1Char('_') + newerLensVersion + QStringLiteral(".vfwf");
    return QHash<QString, QByteArray>{
        {ResourcePaths::adapterModelsInfo(), adapterCatalogue(profile.adapter)},
        {*ResourcePaths::lensModelsInfo(lens.modelCode, suffix), lensCatalogue(lens)},
        {*ResourcePaths::lensImage(lens.modelCode, suffix), DemoPictures::lens()},
        {*ResourcePaths::focusAdjustmentImage(lens.modelCode), DemoPictures::focusAdjustment()},
        {*ResourcePaths::focusLimitImage(lens.modelCode), DemoPictures::focusLimit()},
        {*ResourcePaths::lensFirmware(firmwareName), firmware.bytes},
    };
}

} // namespace lensdock::DemoDownloads
