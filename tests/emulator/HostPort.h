#pragma once

#include "link/CommDataFormat.h"

#include <chrono>
#include <optional>
#include <QByteArray>
#include <QString>

// The host's end of the emulator's pty, opened through the link as a raw serial port with a plain
// POSIX descriptor. Every read is bounded, so a silent emulator fails a test instead of hanging it.
class HostPort {
public:
    static constexpr std::chrono::milliseconds defaultWait{5000};

    HostPort() = default;
    ~HostPort() { close(); }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    bool write(const QByteArray& bytes);
    // Exactly `count` bytes, or what arrived before the wait ran out.
    QByteArray read(qsizetype count, std::chrono::milliseconds wait = defaultWait);
    // One whole frame as the length field announces it; empty on time-out.
    QByteArray readFrame(std::chrono::milliseconds wait = defaultWait);
    // Frames `request` with `packetNumber`, sends it and decodes the reply frame.
    std::optional<lensdock::CommDataFormat> exchange(const lensdock::CommDataFormat& request,
                                                     std::uint8_t packetNumber);
    // True when the emulator hung up this end (EOF or EIO), within the wait.
    bool waitForHangup(std::chrono::milliseconds wait = defaultWait);

private:
    int fd_ = -1;
};

// A request as the host builds it.
lensdock::CommDataFormat makeRequest(std::uint8_t destination, std::uint8_t function,
                                     const QByteArray& payload = {});
