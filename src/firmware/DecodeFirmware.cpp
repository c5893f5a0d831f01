#include "firmware/DecodeFirmware.h"

#include "base/Logger.h"
#include "firmware/FirmwareKeys.h"

#include <QFile>
#include <QSaveFile>

namespace lensdock {

namespace {
const QString decodeTag = QStringLiteral("Decode");
constexpr qint64 readChunkSize = 64 * 1024;

void logError(const QString& message) {
    Logger::error(decodeTag, message);
}
} // namespace

DecodeFirmware::~DecodeFirmware() {
    // Joining from the decoder's own thread would throw; the body touches nothing after its last
    // delegate call, so letting it finish on its own is safe there.
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    wait();
}

bool DecodeFirmware::start() {
    if (isStarted_)
        return false;
    isStarted_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void DecodeFirmware::wait() {
    if (thread_.joinable())
        thread_.join();
}

void DecodeFirmware::createBaseKey() {
    baseKeyInfo_.passPhrase = FirmwareKeys::basePassPhrase;
    baseKeyInfo_.key = FirmwareKeys::baseKey();
}

FwErrorCode DecodeFirmware::createDecryptionKey(const QString& decodeKeyText) {
    const auto decoded = FirmwareKeys::parseDecodeKey(decodeKeyText);
    if (!decoded)
        return FwErrorCode::errorInvalidKey;
    // Without a base key the cipher has no key, and the file key stays unset.
    if (baseKeyInfo_.key)
        cipher_.setKey(*baseKeyInfo_.key);
    else
        cipher_.clearKey();
    decryptionKeyInfo_.key = cipher_.doAlgorithm(*decoded);
    return FwErrorCode::resultOk;
}

void DecodeFirmware::run() {
    if (!inFile_ || !outFile_ || !decodeKeyStr_)
        return reportCompleted(FwErrorCode::errorInvalidKey);
    createBaseKey();
    QByteArray file;
    switch (readInFile(file)) {
    case InFileRead::ok:
        break;
    case InFileRead::unreadable:
        logError(QStringLiteral("Error inFile"));
        return reportCompleted(FwErrorCode::errorInvalidKey);
    case InFileRead::tooLarge:
        logError(QStringLiteral("Error inFile size"));
        return reportCompleted(FwErrorCode::errorInvalidFile);
    }
    if (const auto failure = prepareKey())
        return reportCompleted(*failure);
    FirmwareRecordParser parser(file, cipher_, [this](double fraction) { reportProgress(fraction); });
    finish(parser.parse());
}

std::optional<FwErrorCode> DecodeFirmware::prepareKey() {
    if (createDecryptionKey(*decodeKeyStr_) != FwErrorCode::resultOk) {
        logError(QStringLiteral("Error createDecryptionKey Failed"));
        return FwErrorCode::errorInvalidKey;
    }
    const auto fileKey = getDecryptionKey();
    if (!fileKey) {
        logError(QStringLiteral("Error getDecryptionKey Failed"));
        return FwErrorCode::errorInvalidKey;
    }
    cipher_.setKey(*fileKey);
    return std::nullopt;
}

DecodeFirmware::InFileRead DecodeFirmware::readInFile(QByteArray& bytes) const {
    QFile file(*inFile_);
    if (!file.open(QIODevice::ReadOnly))
        return InFileRead::unreadable;
    if (!file.isSequential() && file.size() > inFileSizeMax)
        return InFileRead::tooLarge;
    return readBounded(file, bytes);
}

// Reads in chunks so that a device without an end (a pipe, a character device) cannot exhaust memory.
DecodeFirmware::InFileRead DecodeFirmware::readBounded(QFile& file, QByteArray& bytes) {
    while (true) {
        const QByteArray chunk = file.read(readChunkSize);
        if (file.error() != QFileDevice::NoError)
            return InFileRead::unreadable;
        if (chunk.isEmpty())
            return InFileRead::ok;
        if (bytes.size() + chunk.size() > inFileSizeMax)
            return InFileRead::tooLarge;
        bytes += chunk;
    }
}

void DecodeFirmware::finish(const FirmwareRecordOutcome& outcome) {
    if (outcome.count == 0) {
        logError(QStringLiteral("Error FW Count"));
        return reportCompleted(FwErrorCode::errorInvalidFile);
    }
    reportFinished(outcome.count);
    if (!writeOutFile(outcome.output)) {
        logError(QStringLiteral("Error outFile"));
        return reportCompleted(FwErrorCode::errorInput);
    }
    reportCompleted(outcome.result);
}

bool DecodeFirmware::writeOutFile(const QByteArray& bytes) const {
    QSaveFile file(*outFile_);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    file.cancelWriting();
    return false;
}

void DecodeFirmware::reportProgress(double fraction) {
    if (delegate_)
        delegate_->decodeProgress(fraction);
}

void DecodeFirmware::reportFinished(int count) {
    if (delegate_)
        delegate_->decodeFinished(count);
}

void DecodeFirmware::reportCompleted(FwErrorCode result) {
    if (delegate_)
        delegate_->decodeCompleted(result);
}

} // namespace lensdock
