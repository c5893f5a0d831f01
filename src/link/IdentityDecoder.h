#pragma once

#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// Decoders of the two identity replies (0xFA). Either the whole record or nothing.
namespace IdentityDecoder {
constexpr qsizetype adapterPayloadMinimum = 63;
constexpr qsizetype lensPayloadMinimum = 85;

std::optional<AdapterBasicInfo> adapterBasicInfo(const QByteArray& payload);
std::optional<LensInfo> lensInfo(const QByteArray& payload);
} // namespace IdentityDecoder

} // namespace lensdock
