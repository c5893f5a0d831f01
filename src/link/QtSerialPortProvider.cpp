#include "link/QtSerialPortProvider.h"

#include "link/EventLoopThread.h"
#include "link/Logger.h"

#include <atomic>
#include <chrono>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

namespace lensdock {

namespace {
// How often an open port checks that its device path still exists (a vanished node is an unplug).
constexpr std::chrono::milliseconds presenceInterval{250};

// State of one open port; touched on the I/O thread except `open`.
struct PortState {
    QString path;
    QSerialPort* port = nullptr;
    QTimer* presence = nullptr;
    SerialPort::Callbacks callbacks;
    std::atomic<bool> open{false};
    bool removedReported = false;
};

void releasePort(PortState& state) {
    state.callbacks = {};
    state.open = false;
    if (state.presence) {
        state.presence->stop();
        state.presence->deleteLater();
        state.presence = nullptr;
    }
    if (state.port) {
        state.port->disconnect();
        state.port->close();
        // Later, because this may run inside one of the port's own signals.
        state.port->deleteLater();
        state.port = nullptr;
    }
}

// A hung-up tty shows up as a flood of read errors or as a resource error while the port still
// claims to be open: either one is the device's removal, reported once, with the port closed at once.
void reportRemoval(const std::shared_ptr<PortState>& state) {
    if (state->removedReported)
        return;
    state->removedReported = true;
    const auto removed = state->callbacks.removed;
    releasePort(*state);
    if (removed)
        removed();
}

void deliverReceived(const std::shared_ptr<PortState>& state) {
    if (!state->port)
        return;
    const QByteArray bytes = state->port->readAll();
    const auto received = state->callbacks.received;
    if (received && !bytes.isEmpty())
        received(bytes);
}
} // namespace

namespace {
class QtSerialPort : public SerialPort {
public:
    QtSerialPort(std::shared_ptr<EventLoopThread> io, std::shared_ptr<PortState> state)
        : io_(std::move(io)), state_(std::move(state)) {}
    ~QtSerialPort() override { close(); }

    bool isOpen() const override { return state_->open; }

    bool write(const QByteArray& bytes) override {
        if (!state_->open)
            return false;
        // Queued, also from the I/O thread itself, so that writes keep their order and a caller
        // holding its own lock never waits for the I/O thread.
        io_->post([state = state_, bytes] {
            if (state->port && state->port->isOpen()) {
                state->port->write(bytes);
                // Out now rather than on the next turn of the event loop: every exchange waits for it.
                state->port->flush();
            }
        });
        return true;
    }

    void close() override {
        io_->run([state = state_] { releasePort(*state); });
    }

private:
    std::shared_ptr<EventLoopThread> io_;
    std::shared_ptr<PortState> state_;
};

bool openOnIoThread(const std::shared_ptr<PortState>& state) {
    // A copy of its own: the port frees its name on this thread, the state may go on another.
    auto* port = new QSerialPort(QString(state->path.constData(), state->path.size()));
    port->setBaudRate(QtSerialPortProvider::baudrate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        Logger::trace(QStringLiteral("USB"), QStringLiteral("Open error: ") + port->errorString());
        delete port;
        return false;
    }
    state->port = port;
    state->open = true;
    QObject::connect(port, &QSerialPort::readyRead, port, [state] { deliverReceived(state); });
    QObject::connect(port, &QSerialPort::errorOccurred, port, [state](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
            reportRemoval(state);
    });
    state->presence = new QTimer;
    QObject::connect(state->presence, &QTimer::timeout, state->presence, [state] {
        if (!QFileInfo::exists(state->path))
            reportRemoval(state);
    });
    state->presence->start(presenceInterval);
    return true;
}
} // namespace

QtSerialPortProvider::QtSerialPortProvider() : io_(std::make_shared<EventLoopThread>()) {}

QtSerialPortProvider::~QtSerialPortProvider() = default;

void QtSerialPortProvider::setOverridePath(const QString& path) {
    std::lock_guard lock(overrideMutex_);
    overridePath_ = path;
}

QString QtSerialPortProvider::overridePath() const {
    std::lock_guard lock(overrideMutex_);
    return overridePath_;
}

QString QtSerialPortProvider::findPortPath() {
    const QString override = overridePath();
    if (!override.isEmpty())
        return QFileInfo::exists(override) ? override : QString();
    QString found;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        if (info.hasVendorIdentifier() && info.hasProductIdentifier() &&
            info.vendorIdentifier() == usbVendor && info.productIdentifier() == usbProduct)
            found = info.systemLocation(); // the last match wins
    }
    return found;
}

std::unique_ptr<SerialPort> QtSerialPortProvider::openPort(const QString& path,
                                                           SerialPort::Callbacks callbacks) {
    auto state = std::make_shared<PortState>();
    state->path = QString(path.constData(), path.size()); // unshared: the I/O thread owns this copy
    state->callbacks = std::move(callbacks);
    bool opened = false;
    io_->run([&opened, &state] { opened = openOnIoThread(state); });
    if (!opened)
        return nullptr;
    return std::make_unique<QtSerialPort>(io_, state);
}

} // namespace lensdock
