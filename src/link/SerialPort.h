#pragma once

#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>

namespace lensdock {

// One open serial device. Received bytes and the device's removal arrive through the callbacks
// given when it was opened, on the port's own thread; after close() no callback runs any more.
class SerialPort {
public:
    struct Callbacks {
        std::function<void(const QByteArray& bytes)> received;
        std::function<void()> removed; // at most once
    };

    virtual ~SerialPort() = default;
    virtual bool isOpen() const = 0;
    // Hands the bytes to the device; false when the port refuses them. Never blocks on the port's thread.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual void close() = 0;
};

// Why a device that exists could not be opened, as far as the system tells.
struct PortRefusal {
    // noAccess: the device is there, but this user may not open it (device permissions).
    enum class Reason { none, inUse, noAccess, other };
    Reason reason = Reason::none;
    QString path;
    QString holder; // "NAME (PID N)" when the other program's lock file names it
};

// Finds the adapter among the system's serial devices and opens it at 115200 baud, 8N1.
class SerialPortProvider {
public:
    virtual ~SerialPortProvider() = default;
    // The adapter's device path, or empty.
    virtual QString findPortPath() = 0;
    // The open port, or nothing when it cannot be opened.
    virtual std::unique_ptr<SerialPort> openPort(const QString& path, SerialPort::Callbacks callbacks) = 0;
    // Why the last openPort() failed; `none` after one that succeeded.
    virtual PortRefusal lastRefusal() const { return {}; }
};

} // namespace lensdock
