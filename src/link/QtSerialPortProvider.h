#pragma once

#include "link/SerialPort.h"

#include <memory>
#include <mutex>
#include <QString>

namespace lensdock {

class EventLoopThread;

// Real serial ports through QSerialPort. One I/O thread owns every QSerialPort; other threads reach it
// by queued calls. Discovery matches the adapter's USB ids; an override path (--port) replaces
// discovery and is reported found only while it exists, so a pseudo-terminal behaves like a device
// that can be unplugged.
class QtSerialPortProvider : public SerialPortProvider {
public:
    static constexpr int usbVendor = 0x2CD1;
    static constexpr int usbProduct = 0x0001;
    static constexpr int baudrate = 115200;

    QtSerialPortProvider();
    ~QtSerialPortProvider() override;

    void setOverridePath(const QString& path);
    QString overridePath() const;

    QString findPortPath() override;
    std::unique_ptr<SerialPort> openPort(const QString& path, SerialPort::Callbacks callbacks) override;
    PortRefusal lastRefusal() const override;

private:
    std::shared_ptr<EventLoopThread> io_;
    mutable std::mutex overrideMutex_; // guards the two below
    QString overridePath_;
    PortRefusal lastRefusal_;
};

} // namespace lensdock
