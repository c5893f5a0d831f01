#pragma once

#include "adjust/LensAdjustData.h"
#include "link/CommDataFormat.h"
#include "link/LensInfo.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// The 35-byte adjust data exchanged with the lens (get-adjust-data reply, set-adjust-data request).
namespace AdjustPayload {
// Encodes `data` for `lens`; relies on the data having passed the range check.
QByteArray encode(const LensAdjustData& data, const LensInfo& lens);

// Decodes a reply payload; nothing (and a "Comm" line) when it is shorter than 35 bytes.
std::optional<LensAdjustData> decode(const QByteArray& payload, const LensInfo& lens);
} // namespace AdjustPayload

// Turns `request` into the set-adjust-data request carrying `data`.
void makeSetAdjustData(CommDataFormat& request, const LensAdjustData& data, const LensInfo& lens);

// The adjust data of a get-adjust-data reply.
std::optional<LensAdjustData> makeLensAdjustData(const CommDataFormat& response, const LensInfo& lens);

} // namespace lensdock
