#pragma once

#include "BlockingDownload.h"
#include "ExitCode.h"

#include <optional>
#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

namespace lensdock::cli {

// What an update kit holds: the adapter's files, and those of each lens model on one mount. A
// device's version, when known, leaves out a firmware file that no update of it would use.
struct KitRequest {
    QString mountSuffix;
    QStringList lensModels;
    std::optional<QString> adapterVersion;
    QMap<QString, QString> lensVersions; // by model code
};

// Copies from the download host into a folder, in the host's own layout, everything an offline
// update needs: the adapter catalogue and its latest firmware, and per lens model its catalogue,
// pictures and latest firmware. Every firmware file must decipher with its catalogue's key before
// it is kept, and a catalogue is kept only with its firmware, so the kit never names a file it lacks.
// Files are replaced whole; a failure leaves no partial file.
class KitBuilder {
public:
    struct WrittenFile {
        QString relativePath;
        qint64 bytes = 0;
    };

    KitBuilder(BlockingDownload& downloads, QString folder);

    std::optional<Failure> build(const KitRequest& request);

    const std::vector<WrittenFile>& written() const { return written_; }
    // Files left out, each with the reason: pictures the host lacks, firmware no update would use.
    const QStringList& skipped() const { return skipped_; }
    qint64 totalBytes() const;

private:
    std::optional<Failure> addAdapter(const std::optional<QString>& currentVersion);
    std::optional<Failure> addLens(const QString& modelCode, const QString& mountSuffix,
                                   const std::optional<QString>& currentVersion);
    std::optional<Failure> addPictures(const QString& modelCode, const QString& mountSuffix);
    std::optional<Failure> addLatestFirmware(const std::optional<QString>& path, const QString& refusal,
                                             const QString& decodeKey, const QString& unneededBecause);
    std::optional<Failure> addFirmware(const QString& relativePath, const QString& decodeKey);
    std::optional<QByteArray> fetch(const QString& relativePath, Failure& failure);
    std::optional<Failure> save(const QString& relativePath, const QByteArray& content);

    BlockingDownload& downloads_;
    const QString folder_;
    std::vector<WrittenFile> written_;
    QStringList skipped_;
};

} // namespace lensdock::cli
