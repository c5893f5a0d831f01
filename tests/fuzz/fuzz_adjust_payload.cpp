// The adjust-data decoder on arbitrary payloads, followed by the correction every data set gets on
// entry: afterwards the data must pass the check before a write, and encode to 35 bytes.
#include "adjust/AdjustPayload.h"
#include "base/Logger.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (lensdock::Logger::setSink([](const QString&) {}), true);
    (void)quiet;
    lensdock::LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    if (size > 0) {
        lens.focusLimitDivisions = 2 + data[0] % 60;
        lens.zoomCount = data[0] % 9;
    }
    const QByteArray payload(reinterpret_cast<const char*>(data), qsizetype(size));
    auto decoded = lensdock::AdjustPayload::decode(payload, lens);
    if (!decoded)
        return 0;
    decoded->correctSettings(lens);
    if (!decoded->checkAdjustData(lens, true))
        std::abort();
    if (lensdock::AdjustPayload::encode(*decoded, lens).size() != lensdock::LensAdjustData::commDataLength)
        std::abort();
    return 0;
}
