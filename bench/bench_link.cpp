// Throughput of the link's codec: CRC over 1 MiB, and frames encoded and decoded per second.
#include "adjust/AdjustPayload.h"
#include "link/Crc.h"
#include "link/FrameCodec.h"

#include <cstdio>
#include <QElapsedTimer>
#include <QRandomGenerator>

using namespace lensdock;

namespace {
constexpr qsizetype mebibyte = 1024 * 1024;
constexpr int crcRounds = 64;
constexpr int frameRounds = 500000;

double crcMegabytesPerSecond() {
    QByteArray data(mebibyte, '\0');
    QRandomGenerator generator(42);
    for (auto& byte : data)
        byte = static_cast<char>(generator.bounded(256));
    volatile std::uint16_t sink = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < crcRounds; ++round)
        sink = sink ^ Crc::compute(data);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return crcRounds / seconds;
}

double framesPerSecond() {
    LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFocusLimit = lens.supportsFullTimeManual = lens.supportsVcMode =
        true;
    CommDataFormat request;
    makeSetAdjustData(request, LensAdjustData(), lens);
    qsizetype checked = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < frameRounds; ++round) {
        const QByteArray frame =
            FrameCodec::encodeFrame(request, FrameCodec::nextPacketNumber(std::uint8_t(round)));
        const auto decoded = FrameCodec::decodeFrame(frame);
        if (decoded && FrameCodec::expectedCrc(frame) == decoded->crc)
            checked += decoded->data.size();
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (checked != qsizetype(frameRounds) * LensAdjustData::commDataLength)
        std::fprintf(stderr, "frame round trip lost data\n");
    return frameRounds / seconds;
}
} // namespace

int main() {
    std::printf("crc16: %.1f MB/s over 1 MiB (%d rounds)\n", crcMegabytesPerSecond(), crcRounds);
    std::printf("frames: %.0f set-adjust-data frames encoded+decoded+checked per second\n",
                framesPerSecond());
    return 0;
}
