#include "firmware/FirmwareCipher.h"

#include "base/Logger.h"

namespace lensdock {

void FirmwareCipher::setKey(const QByteArray& key) {
    key_ = key;
    keyIndex_ = 0;
}

void FirmwareCipher::clearKey() {
    key_.reset();
    keyIndex_ = 0;
}

std::optional<QByteArray> FirmwareCipher::doAlgorithm(const QByteArray& input) {
    // An empty key could not advance the stream; treat it like no key at all.
    if (!key_ || key_->isEmpty()) {
        Logger::error(QStringLiteral("Decode"), QStringLiteral("Error Algorithm not initialize"));
        return std::nullopt;
    }
    QByteArray output(input.size(), Qt::Uninitialized);
    char* out = output.data();
    const char* in = input.constData();
    const char* keyBytes = key_->constData();
    const int length = static_cast<int>(key_->size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        out[i] = static_cast<char>(keyBytes[keyIndex_] ^ in[i]);
        if (++keyIndex_ == length)
            keyIndex_ = 0;
    }
    return output;
}

} // namespace lensdock
