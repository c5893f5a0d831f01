#include "firmware/FirmwareRecordParser.h"

#include "base/Logger.h"
#include "link/Crc.h"

#include <algorithm>
#include <QtEndian>

namespace lensdock {

namespace {
const QString decodeTag = QStringLiteral("Decode");
}

FirmwareRecordParser::FirmwareRecordParser(const QByteArray& file, FirmwareCipher& cipher, Progress progress)
    : file_(file), cipher_(cipher), progress_(std::move(progress)) {}

FirmwareRecordOutcome FirmwareRecordParser::parse() {
    while (true) {
        Logger::trace(decodeTag, QStringLiteral("data length = %1").arg(remaining()));
        if (remaining() == 0 || !parseRecord())
            break;
    }
    return outcome_;
}

bool FirmwareRecordParser::parseRecord() {
    if (remaining() < headerInfo.headerLength)
        return fail(FwErrorCode::errorInvalidFile, QStringLiteral("Error header section length"));
    const auto header = decipherNext(headerInfo.headerLength);
    if (!header)
        return fail(FwErrorCode::errorInvalidKey, QString());
    const std::uint32_t dataSize = dataSizeOf(*header);
    if (dataSize > binaryDataLengthMax)
        return fail(FwErrorCode::errorInvalidFile, QStringLiteral("Error data length"));
    if (remaining() < static_cast<qsizetype>(dataSize))
        return fail(FwErrorCode::errorInvalidFile, QStringLiteral("Error data section length"));
    const auto data = decipherNext(dataSize);
    if (!data)
        return fail(FwErrorCode::errorInvalidKey, QString());
    if (!crcMatches(*header, *data))
        return fail(FwErrorCode::errorCrc, QStringLiteral("Error crc check"));
    outcome_.output += *header;
    outcome_.output += *data;
    ++outcome_.count;
    return true;
}

std::optional<QByteArray> FirmwareRecordParser::decipherNext(qsizetype length) {
    auto plain = cipher_.doAlgorithm(file_.mid(consumed_, length));
    if (!plain)
        return std::nullopt;
    consumed_ += length;
    if (progress_)
        progress_(static_cast<double>(consumed_) / static_cast<double>(file_.size()));
    return plain;
}

std::uint32_t FirmwareRecordParser::dataSizeOf(const QByteArray& header) {
    return qFromLittleEndian<quint32>(header.constData() + headerInfo.offsetDataSize);
}

bool FirmwareRecordParser::crcMatches(const QByteArray& header, const QByteArray& data) {
    const auto crc = Crc::calcCrc(data);
    const auto* stored = reinterpret_cast<const std::uint8_t*>(header.constData() + headerInfo.offsetDataCrc);
    return std::equal(stored, stored + crcValLength, crc.begin());
}

bool FirmwareRecordParser::fail(FwErrorCode result, const QString& errorLine) {
    // A missing key has already written its own error line.
    if (!errorLine.isEmpty())
        Logger::error(decodeTag, errorLine);
    outcome_.result = result;
    return false;
}

} // namespace lensdock
