#include "KitBuilder.h"

#include "firmware/DecodeFirmware.h"
#include "firmware/DecodeFirmwareDelegate.h"
#include "firmware/UpdateJob.h"
#include "online/FirmwareVersionCheck.h"
#include "online/ModelInfoParser.h"
#include "online/ResourcePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace lensdock::cli {

namespace {
struct DecodeResult : DecodeFirmwareDelegate {
    void decodeProgress(double) override {}
    void decodeFinished(int) override {}
    void decodeCompleted(FwErrorCode code) override { result = code; }

    FwErrorCode result = FwErrorCode::errorInput;
};

// Deciphers `firmware` into a scratch file that goes again at once: only the verdict is kept.
FwErrorCode decodeCheck(const QByteArray& firmware, const QString& decodeKey) {
    QTemporaryFile input;
    QTemporaryFile output;
    if (!input.open() || input.write(firmware) != firmware.size() || !input.flush() || !output.open())
        return FwErrorCode::errorInput;
    DecodeResult outcome;
    DecodeFirmware decoder;
    decoder.setDelegate(&outcome);
    decoder.setInFile(input.fileName());
    decoder.setOutFile(output.fileName());
    decoder.setDecodeKeyStr(decodeKey);
    decoder.run();
    return outcome.result;
}

Failure refused(const QString& refusal) {
    return {ExitCode::network, refusal};
}

QString reasonOf(const BlockingDownload::Result& result) {
    const NetworkError error = result.error.value_or(NetworkError{});
    return error.description.isEmpty() ? error.domain : error.description;
}

bool isNotFound(const BlockingDownload::Result& result) {
    return result.error && result.error->domain == NetworkError::httpDomain(404);
}
} // namespace

KitBuilder::KitBuilder(BlockingDownload& downloads, QString folder)
    : downloads_(downloads), folder_(std::move(folder)) {}

std::optional<Failure> KitBuilder::build(const KitRequest& request) {
    if (!downloads_.isReachable())
        return Failure{ExitCode::network, QStringLiteral("the download host is not reachable")};
    if (auto failure = addAdapter(request.adapterVersion))
        return failure;
    for (const QString& model : request.lensModels) {
        const auto current = request.lensVersions.contains(model)
                                 ? std::optional<QString>(request.lensVersions.value(model))
                                 : std::nullopt;
        if (auto failure = addLens(model, request.mountSuffix, current))
            return failure;
    }
    return std::nullopt;
}

qint64 KitBuilder::totalBytes() const {
    qint64 total = 0;
    for (const WrittenFile& file : written_)
        total += file.bytes;
    return total;
}

std::optional<Failure> KitBuilder::addAdapter(const std::optional<QString>& currentVersion) {
    const QString cataloguePath = ResourcePaths::adapterModelsInfo();
    Failure failure;
    const auto catalogue = fetch(cataloguePath, failure);
    if (!catalogue)
        return failure;
    const auto record = ModelInfoParser::parseAdapterModelsInfo(*catalogue, AdapterModelInfo(), {}).record;
    if (!record)
        return Failure{ExitCode::network, QStringLiteral("the dock catalogue is malformed")};
    QString refusal;
    const auto firmware = ResourcePaths::adapterFirmware(
        UpdateJob::adapterFwName + record->latestVersion + UpdateJob::encodeExtension, &refusal);
    const bool current =
        currentVersion && !isAdapterUpdateOffered(*currentVersion, record->latestVersion, true);
    if (auto failure = addLatestFirmware(
            firmware, refusal, record->decodeKey,
            current ? QStringLiteral("the dock runs %1 already").arg(*currentVersion) : QString()))
        return failure;
    return save(cataloguePath, *catalogue);
}

std::optional<Failure> KitBuilder::addLens(const QString& modelCode, const QString& mountSuffix,
                                           const std::optional<QString>& currentVersion) {
    QString refusal;
    const auto cataloguePath = ResourcePaths::lensModelsInfo(modelCode, mountSuffix, &refusal);
    if (!cataloguePath)
        return refused(refusal);
    Failure failure;
    const auto catalogue = fetch(*cataloguePath, failure);
    if (!catalogue)
        return failure;
    const ModelInfoParseOptions options{QStringLiteral("Main"), true, 0};
    const auto record = ModelInfoParser::parseLensModelsInfo(*catalogue, LensModelInfo(), options).record;
    if (!record)
        return Failure{ExitCode::network,
                       QStringLiteral("the lens catalogue of %1 is malformed").arg(modelCode)};
    if (auto picturesFailure = addPictures(modelCode, mountSuffix))
        return picturesFailure;
    const auto firmware = ResourcePaths::lensFirmware(modelCode + mountSuffix + UpdateJob::lensFwName +
                                                          record->latestVersion + UpdateJob::encodeExtension,
                                                      &refusal);
    const bool current = currentVersion && !isFirmwareUpdateAvailable(*currentVersion, record->latestVersion);
    if (auto firmwareFailure = addLatestFirmware(
            firmware, refusal, record->decodeKey,
            current ? QStringLiteral("the lens runs %1 already").arg(*currentVersion) : QString()))
        return firmwareFailure;
    return save(*cataloguePath, *catalogue);
}

// The window shows a lens without its pictures, so a picture the host lacks is noted, not fatal.
std::optional<Failure> KitBuilder::addPictures(const QString& modelCode, const QString& mountSuffix) {
    for (const auto& path :
         {ResourcePaths::lensImage(modelCode, mountSuffix), ResourcePaths::focusAdjustmentImage(modelCode),
          ResourcePaths::focusLimitImage(modelCode)}) {
        if (!path)
            continue; // the model code was checked with the catalogue's path
        const BlockingDownload::Result result = downloads_.data(*path);
        if (isNotFound(result)) {
            skipped_ << QStringLiteral("%1 (not on the host)").arg(*path);
            continue;
        }
        if (!result.data)
            return Failure{ExitCode::network, QStringLiteral("%1: %2").arg(*path, reasonOf(result))};
        if (auto failure = save(*path, *result.data))
            return failure;
    }
    return std::nullopt;
}

// Firmware that no update of the connected device would use (`unneededBecause`) is noted, not fetched.
std::optional<Failure> KitBuilder::addLatestFirmware(const std::optional<QString>& path,
                                                     const QString& refusal, const QString& decodeKey,
                                                     const QString& unneededBecause) {
    if (!path)
        return refused(refusal);
    if (unneededBecause.isEmpty())
        return addFirmware(*path, decodeKey);
    skipped_ << QStringLiteral("%1 (%2)").arg(*path, unneededBecause);
    return std::nullopt;
}

std::optional<Failure> KitBuilder::addFirmware(const QString& relativePath, const QString& decodeKey) {
    const BlockingDownload::Result result = downloads_.firmware(relativePath);
    if (!result.data)
        return Failure{ExitCode::network, QStringLiteral("%1: %2").arg(relativePath, reasonOf(result))};
    const FwErrorCode check = decodeCheck(*result.data, decodeKey);
    if (check == FwErrorCode::errorInput)
        return Failure{ExitCode::file, QStringLiteral("no room to check %1").arg(relativePath)};
    if (check != FwErrorCode::resultOk)
        return Failure{ExitCode::update,
                       QStringLiteral("%1 does not decipher with its catalogue's key (code %2): "
                                      "missing on the host, damaged or the wrong key")
                           .arg(relativePath)
                           .arg(rawValue(check))};
    return save(relativePath, *result.data);
}

std::optional<QByteArray> KitBuilder::fetch(const QString& relativePath, Failure& failure) {
    const BlockingDownload::Result result = downloads_.data(relativePath);
    if (!result.data)
        failure = Failure{ExitCode::network, QStringLiteral("%1: %2").arg(relativePath, reasonOf(result))};
    return result.data;
}

std::optional<Failure> KitBuilder::save(const QString& relativePath, const QByteArray& content) {
    const QString path = QDir(folder_).filePath(relativePath);
    QSaveFile file(path);
    const bool saved = QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
                       file.write(content) == content.size() && file.commit();
    if (!saved)
        return Failure{ExitCode::file, QStringLiteral("cannot write %1: %2").arg(path, file.errorString())};
    written_.push_back({relativePath, content.size()});
    return std::nullopt;
}

} // namespace lensdock::cli
