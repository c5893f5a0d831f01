// Both identity decoders on arbitrary reply payloads: either a whole record or nothing.
#include "link/IdentityDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray payload(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto adapter = lensdock::IdentityDecoder::adapterBasicInfo(payload)) {
        if (adapter->fwVersion.size() != 4 || adapter->hwVersion.size() != 2)
            std::abort();
    }
    if (const auto lens = lensdock::IdentityDecoder::lensInfo(payload)) {
        if (lens->focusLimitDivisions < 2 || lens->modelCode.size() > 16)
            std::abort();
    }
    return 0;
}
