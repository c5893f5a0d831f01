#include "FirmwarePacker.h"

#include "FirmwareCipher.h"
#include "FirmwareHeader.h"

namespace lensdock::FirmwarePacker {

Result plainImage(const QList<FirmwareRecord>& records) {
    if (records.isEmpty())
        return {{}, QStringLiteral("no firmware record given")};
    Result result;
    for (qsizetype i = 0; i < records.size(); ++i) {
        QString error;
        const auto header = FirmwareHeader::build(records[i], &error);
        if (!header)
            return {{}, QStringLiteral("record %1: %2").arg(i + 1).arg(error)};
        result.bytes.append(*header);
        result.bytes.append(records[i].data);
    }
    return result;
}

Result pack(const QList<FirmwareRecord>& records, const QString& decodeKey) {
    const auto key = FirmwareCipher::fileKey(decodeKey);
    if (!key)
        return {{}, QStringLiteral("the decode key must be exactly 64 hexadecimal digits")};
    Result plain = plainImage(records);
    if (!plain.ok())
        return plain;
    return {FirmwareCipher::apply(plain.bytes, *key), {}};
}

} // namespace lensdock::FirmwarePacker
