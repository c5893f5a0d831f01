#pragma once

#include "firmware/DecodeFirmwareDelegate.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareRecordParser.h"
#include "firmware/FwErrorCode.h"
#include "firmware/FwHeaderInfo.h"
#include "firmware/KeyInfo.h"

#include <optional>
#include <QByteArray>
#include <QString>
#include <thread>

class QFile;

namespace lensdock {

// Deciphers an enciphered firmware file (".vfwf") into the deciphered records (".dec") that the
// transfer sends. The owner sets the delegate and the three inputs, then calls start() once; the
// decode runs on the object's own thread and all delegate calls come from that thread. run() does
// the same work on the calling thread. The output file is written only when at least one record was
// deciphered, and then replaced as a whole.
class DecodeFirmware {
public:
    static constexpr int keyLength = FirmwareCipher::keyLength;
    static constexpr std::uint32_t binaryDataLengthMax = FirmwareRecordParser::binaryDataLengthMax;
    static constexpr int crcValLength = FirmwareRecordParser::crcValLength;
    // A file has a few records of at most about 1 MiB; anything far beyond is refused unread.
    static constexpr qint64 inFileSizeMax = 64 * 1024 * 1024;
    static constexpr FwHeaderInfo headerInfo{};

    DecodeFirmware() = default;
    // Waits for a running decode to end. Do not destroy the object from inside a delegate call.
    ~DecodeFirmware();
    DecodeFirmware(const DecodeFirmware&) = delete;
    DecodeFirmware& operator=(const DecodeFirmware&) = delete;

    // Inputs: set before start() and left alone while the decode runs. The delegate is not owned
    // and must outlive the decode.
    void setDelegate(DecodeFirmwareDelegate* delegate) { delegate_ = delegate; }
    void setInFile(const QString& path) { inFile_ = path; }
    void setOutFile(const QString& path) { outFile_ = path; }
    void setDecodeKeyStr(const QString& text) { decodeKeyStr_ = text; }

    // Starts the decoder thread; false when it has been started before.
    bool start();
    // Blocks until the decoder thread has ended (returns at once when none was started).
    void wait();
    // The whole decode, once, on the calling thread.
    void run();

    // `input` XORed with the current key stream; nothing while no key is set.
    std::optional<QByteArray> doAlgorithm(const QByteArray& input) { return cipher_.doAlgorithm(input); }
    std::optional<QByteArray> getDecryptionKey() const { return decryptionKeyInfo_.key; }
    // Fills the base key info from the built-in pass phrase.
    void createBaseKey();
    // The file key: the 32 bytes of the 64-digit hexadecimal text XORed with the base key.
    // Leaves the cipher at the start of the base key.
    FwErrorCode createDecryptionKey(const QString& decodeKeyText);

    const KeyInfo& baseKeyInfo() const { return baseKeyInfo_; }
    const KeyInfo& decryptionKeyInfo() const { return decryptionKeyInfo_; }
    int keyIndex() const { return cipher_.keyIndex(); }

private:
    enum class InFileRead { ok, unreadable, tooLarge };

    std::optional<FwErrorCode> prepareKey();
    InFileRead readInFile(QByteArray& bytes) const;
    static InFileRead readBounded(QFile& file, QByteArray& bytes);
    bool writeOutFile(const QByteArray& bytes) const;
    void finish(const FirmwareRecordOutcome& outcome);
    void reportProgress(double fraction);
    void reportFinished(int count);
    void reportCompleted(FwErrorCode result);

    DecodeFirmwareDelegate* delegate_ = nullptr;
    std::optional<QString> inFile_;
    std::optional<QString> outFile_;
    std::optional<QString> decodeKeyStr_;
    FirmwareCipher cipher_;
    KeyInfo decryptionKeyInfo_;
    KeyInfo baseKeyInfo_;
    std::thread thread_;
    bool isStarted_ = false;
};

} // namespace lensdock
