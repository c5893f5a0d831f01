#include "FirmwareHeader.h"

#include "BcdDigits.h"
#include "link/Crc.h"

namespace lensdock::FirmwareHeader {

namespace {
std::uint8_t byteAt(const QByteArray& bytes, qsizetype index) {
    return static_cast<std::uint8_t>(bytes[index]);
}

void putByte(QByteArray& bytes, qsizetype index, std::uint8_t value) {
    bytes[index] = static_cast<char>(value);
}
} // namespace

std::optional<std::array<std::uint8_t, 2>> versionBytes(const QString& version) {
    const auto bcd = BcdDigits::encode(version);
    if (!bcd || bcd->size() != 2)
        return std::nullopt;
    return std::array<std::uint8_t, 2>{byteAt(*bcd, 0), byteAt(*bcd, 1)};
}

std::optional<QByteArray> build(const FirmwareRecord& record, QString* error) {
    const auto version = versionBytes(record.version);
    if (!version) {
        if (error)
            *error = QStringLiteral("version \"%1\" is not four decimal digits").arg(record.version);
        return std::nullopt;
    }
    if (record.data.size() > qsizetype(maxDataSize)) {
        if (error)
            *error = QStringLiteral("data of %1 bytes exceeds %2").arg(record.data.size()).arg(maxDataSize);
        return std::nullopt;
    }
    QByteArray header(length, '\0');
    const auto size = static_cast<std::uint32_t>(record.data.size());
    for (int i = 0; i < 4; ++i)
        putByte(header, offsetDataSize + i, static_cast<std::uint8_t>(size >> (8 * i)));
    putByte(header, offsetVersion, (*version)[0]);
    putByte(header, offsetVersion + 1, (*version)[1]);
    const auto crc = Crc::calcCrc(record.data);
    putByte(header, offsetDataCrc, crc[0]);
    putByte(header, offsetDataCrc + 1, crc[1]);
    putByte(header, offsetTargetDevice, record.targetDevice);
    putByte(header, offsetTargetArea, record.targetArea);
    return header;
}

std::optional<Fields> parse(const QByteArray& header) {
    if (header.size() != length)
        return std::nullopt;
    Fields fields;
    for (int i = 0; i < 4; ++i)
        fields.dataSize |= std::uint32_t(byteAt(header, offsetDataSize + i)) << (8 * i);
    fields.version = {byteAt(header, offsetVersion), byteAt(header, offsetVersion + 1)};
    fields.dataCrc = {byteAt(header, offsetDataCrc), byteAt(header, offsetDataCrc + 1)};
    fields.targetDevice = byteAt(header, offsetTargetDevice);
    fields.targetArea = byteAt(header, offsetTargetArea);
    return fields;
}

} // namespace lensdock::FirmwareHeader
