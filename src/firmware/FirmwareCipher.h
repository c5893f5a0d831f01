#pragma once

#include <optional>
#include <QByteArray>

namespace lensdock {

// The repeating-key XOR stream of enciphered firmware files. The stream position survives between
// calls, so deciphering a file piece by piece gives the same bytes as deciphering it whole.
class FirmwareCipher {
public:
    static constexpr int keyLength = 32;

    // Makes `key` the current key and restarts the stream at its first byte.
    void setKey(const QByteArray& key);
    void clearKey();
    const std::optional<QByteArray>& key() const { return key_; }
    int keyIndex() const { return keyIndex_; }

    // `input` XORed with the stream; nothing (and an error line) while no key is set.
    std::optional<QByteArray> doAlgorithm(const QByteArray& input);

private:
    std::optional<QByteArray> key_;
    int keyIndex_ = 0;
};

} // namespace lensdock
