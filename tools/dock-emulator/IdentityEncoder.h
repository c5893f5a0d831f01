#pragma once

#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// The identity replies (0xFA) the devices send, built from their records: the inverse of the host's
// identity decoder. Nothing when a version text is not made of decimal digit pairs.
namespace IdentityEncoder {
constexpr qsizetype adapterPayloadLength = 63;
constexpr qsizetype lensPayloadLength = 85;

std::optional<QByteArray> adapterPayload(const AdapterBasicInfo& adapter);
std::optional<QByteArray> lensPayload(const LensInfo& lens);
} // namespace IdentityEncoder

} // namespace lensdock
