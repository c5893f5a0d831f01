#pragma once

#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"

#include <array>
#include <cstdint>
#include <optional>
#include <QByteArray>

namespace lensdock {

namespace Destination {
constexpr std::uint8_t lens = 0x00;
constexpr std::uint8_t adapter = 0x01;
} // namespace Destination

// One request or one decoded response packet.
struct CommDataFormat {
    static constexpr std::uint8_t startMarker = 0x0F;
    static constexpr std::uint8_t endMarker = 0xF0;
    static constexpr std::uint8_t bitEnableFocusZoom = 0x01;
    static constexpr std::uint8_t bitEnableFullTimeManual = 0x02;
    static constexpr std::uint8_t bitEnableFocusLimit = 0x04;
    static constexpr std::uint8_t bitEnableVcMode = 0x08;
    // The length field holds payload + 1 in 16 bits, and is never 0 in a request.
    static constexpr qsizetype maxPayloadLength = 65534;

    std::uint8_t packetNumber = 0;
    std::uint8_t destination = 0;
    std::uint8_t reserved = 0;
    std::array<std::uint8_t, 2> commandLength{0, 0};
    std::uint8_t funcNumber = 0;
    QByteArray data;
    std::array<std::uint8_t, 2> crc{0, 0};

    // Sets the payload and the length field (payload + 1, as [low, high]).
    void setPayload(const QByteArray& payload);
    int lengthFieldValue() const { return commandLength[0] + 256 * commandLength[1]; }

    std::optional<AdapterBasicInfo> makeAdapterBasicInfo() const;
    std::optional<LensInfo> makeLensInfo() const;
};

inline std::uint8_t byteAt(const QByteArray& bytes, qsizetype index) {
    return static_cast<std::uint8_t>(bytes[index]);
}

} // namespace lensdock
