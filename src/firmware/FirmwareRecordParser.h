#pragma once

#include "firmware/FirmwareCipher.h"
#include "firmware/FwErrorCode.h"
#include "firmware/FwHeaderInfo.h"

#include <cstdint>
#include <functional>
#include <QByteArray>

namespace lensdock {

// What one pass over an enciphered firmware file produced: the deciphered records that passed every
// check (in file order) and why the pass ended.
struct FirmwareRecordOutcome {
    QByteArray output;
    int count = 0;
    FwErrorCode result = FwErrorCode::resultOk;
};

// Deciphers the records of a whole enciphered firmware file and checks each one's structure and CRC.
// Works on bytes alone, so it can be driven with anything; it stops at the first bad record.
class FirmwareRecordParser {
public:
    static constexpr std::uint32_t binaryDataLengthMax = 1048576;
    static constexpr int crcValLength = 2;
    static constexpr FwHeaderInfo headerInfo{};

    using Progress = std::function<void(double fraction)>;

    // `cipher` must hold the file key at the position of the file's first byte.
    FirmwareRecordParser(const QByteArray& file, FirmwareCipher& cipher, Progress progress);

    FirmwareRecordOutcome parse();

    // Whether the data CRC stored in a deciphered record header matches `data`.
    static bool crcMatches(const QByteArray& header, const QByteArray& data);

private:
    bool parseRecord();
    std::optional<QByteArray> decipherNext(qsizetype length);
    qsizetype remaining() const { return file_.size() - consumed_; }
    static std::uint32_t dataSizeOf(const QByteArray& header);
    bool fail(FwErrorCode result, const QString& errorLine);

    QByteArray file_; // shared, not copied
    FirmwareCipher& cipher_;
    Progress progress_;
    qsizetype consumed_ = 0;
    FirmwareRecordOutcome outcome_;
};

} // namespace lensdock
