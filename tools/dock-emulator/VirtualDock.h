#pragma once

#include "DockProfile.h"
#include "link/CommDataFormat.h"

#include <cstdint>
#include <optional>
#include <QByteArray>
#include <QList>

namespace lensdock {

// A firmware record the dock received.
struct ReceivedFirmware {
    std::uint8_t destination = 0; // whom the update command addressed
    std::uint8_t targetDevice = 0;
    std::uint8_t targetArea = 0;
    QString version; // from the record header; empty when not decimal digits
    std::uint32_t dataSize = 0;
    bool valid = false; // header complete, all data present, CRC correct

    friend bool operator==(const ReceivedFirmware&, const ReceivedFirmware&) = default;
};

// The adapter and the lens behind it: their state and their answers to requests. No I/O here.
class VirtualDock {
public:
    // Bits of the first payload byte of the 0xFF error frame, besides over-current.
    static constexpr std::uint8_t errorLensAbsent = 0x01;
    static constexpr std::uint8_t errorUnknownFunction = 0x02;
    static constexpr std::uint8_t errorBadPayload = 0x04;

    enum class Action { none, startTransfer, selfReset };
    struct Answer {
        std::optional<CommDataFormat> frame; // a framed reply, or
        char control = 0;                    // a single control byte (the C), or nothing
        Action action = Action::none;
    };

    explicit VirtualDock(const DockProfile& profile);

    Answer answer(const CommDataFormat& request);
    // The error frame the adapter sends instead of answering `request`.
    static CommDataFormat errorFrame(const CommDataFormat& request, std::uint8_t flags);

    // A transfer addressed to `destination` ended with EOT; `blocks` is everything received.
    ReceivedFirmware finishTransfer(std::uint8_t destination, const QByteArray& blocks);

    void setLensMounted(bool mounted);
    void setOverCurrent(bool on) { overCurrent_ = on; }
    // Another lens of the same model: only its serial number differs.
    void setLensSerial(const QString& serial) { profile_.lens.serialCode = serial; }
    void unplugged() { lensConnected_ = false; }

    const DockProfile& profile() const { return profile_; }
    bool lensMounted() const { return lensMounted_; }
    bool lensConnected() const { return lensConnected_; }
    bool overCurrent() const { return overCurrent_; }
    const QByteArray& adjustBytes() const { return adjustBytes_; }
    void setAdjustBytes(const QByteArray& bytes) { adjustBytes_ = bytes; }
    const QList<ReceivedFirmware>& receivedFirmware() const { return received_; }
    // Header and data of every valid record received, in order: the deciphered image.
    const QByteArray& firmwareImage() const { return firmwareImage_; }

private:
    CommDataFormat reply(const CommDataFormat& request, const QByteArray& payload) const;
    Answer answerAdapter(const CommDataFormat& request);
    Answer answerLens(const CommDataFormat& request);
    Answer answerFirmwareUpdate(const CommDataFormat& request);
    Answer answerFrame(const CommDataFormat& request, const QByteArray& payload) const;
    Answer answerError(const CommDataFormat& request, std::uint8_t flags) const;
    void installVersion(std::uint8_t destination, const QString& version);

    DockProfile profile_;
    bool lensMounted_ = true;
    bool lensConnected_ = false;
    bool overCurrent_ = false;
    QByteArray adjustBytes_;
    QList<ReceivedFirmware> received_;
    QByteArray firmwareImage_;
};

} // namespace lensdock
