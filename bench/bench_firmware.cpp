// Throughput of firmware decoding: a file of four full-size records deciphered and checked in memory.
#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareKeys.h"
#include "firmware/FirmwareRecordParser.h"
#include "link/Crc.h"

#include <cstdio>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtEndian>

using namespace lensdock;

namespace {
constexpr int recordCount = 4;
constexpr int rounds = 16;

QByteArray plainRecord(QRandomGenerator& generator) {
    QByteArray data(FirmwareRecordParser::binaryDataLengthMax, '\0');
    for (auto& byte : data)
        byte = static_cast<char>(generator.bounded(256));
    constexpr FwHeaderInfo layout;
    QByteArray header(layout.headerLength, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), header.data() + layout.offsetDataSize);
    const auto crc = Crc::calcCrc(data);
    header[layout.offsetDataCrc] = static_cast<char>(crc[0]);
    header[layout.offsetDataCrc + 1] = static_cast<char>(crc[1]);
    return header + data;
}

QByteArray encipheredFile(const QByteArray& key) {
    QRandomGenerator generator(42);
    QByteArray plain;
    for (int i = 0; i < recordCount; ++i)
        plain += plainRecord(generator);
    FirmwareCipher cipher;
    cipher.setKey(key);
    return *cipher.doAlgorithm(plain);
}
} // namespace

int main() {
    const QByteArray key = FirmwareKeys::baseKey();
    const QByteArray file = encipheredFile(key);
    int decoded = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        FirmwareCipher cipher;
        cipher.setKey(key);
        decoded += FirmwareRecordParser(file, cipher, {}).parse().count;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (decoded != rounds * recordCount)
        std::fprintf(stderr, "decoding lost records\n");
    const double mebibytes = static_cast<double>(file.size()) * rounds / (1024.0 * 1024.0);
    std::printf("firmware decode: %.1f MiB/s (%d records of 1 MiB per file)\n", mebibytes / seconds,
                recordCount);
    return decoded == rounds * recordCount ? 0 : 1;
}
