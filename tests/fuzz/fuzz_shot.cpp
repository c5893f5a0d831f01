// ShotReader on arbitrary bytes, the first byte choosing the file's extension: each input gives a
// whole shot or a reason, never both, never neither.
#include "calibration/ShotReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const char* const names[] = {"shot.jpg", "shot.png", "shot.tif", "shot.dng"};
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const auto result = lensdock::ShotReader::readData(bytes, QString::fromLatin1(names[data[0] % 4]));
    if (result.shot.has_value() == !result.reason.isEmpty())
        std::abort();
    if (result.shot && (result.shot->linear.empty() || result.shot->sensorWidthPx <= 0 ||
                        !(result.shot->sensorPixelsPerPixel > 0)))
        std::abort();
    return 0;
}
