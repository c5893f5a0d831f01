#include "link/CommDataFormat.h"

#include "link/IdentityDecoder.h"

namespace lensdock {

void CommDataFormat::setPayload(const QByteArray& payload) {
    data = payload;
    const auto length = static_cast<std::uint32_t>(payload.size() + 1);
    commandLength = {static_cast<std::uint8_t>(length & 0xFF),
                     static_cast<std::uint8_t>((length >> 8) & 0xFF)};
}

std::optional<AdapterBasicInfo> CommDataFormat::makeAdapterBasicInfo() const {
    return IdentityDecoder::adapterBasicInfo(data);
}

std::optional<LensInfo> CommDataFormat::makeLensInfo() const {
    return IdentityDecoder::lensInfo(data);
}

} // namespace lensdock
