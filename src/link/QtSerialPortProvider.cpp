#include "link/QtSerialPortProvider.h"

#include "base/EventLoopThread.h"
#include "base/Logger.h"
#include "link/PortHolder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>
#include <unistd.h>

namespace lensdock {

namespace {
// How often an open port checks that its device path still exists (a vanished node is an unplug).
constexpr std::chrono::milliseconds presenceInterval{250};

// State of one open port; touched on the I/O thread except `open` and the write state.
struct PortState {
    QString path;
    QSerialPort* port = nullptr;
    QTimer* presence = nullptr;
    SerialPort::Callbacks callbacks;
    std::atomic<bool> open{false};
    bool removedReported = false;

    // Writes go straight to the descriptor from the writing thread, which saves the I/O thread a
    // wake-up per exchange. Whatever the descriptor does not take at once goes through the port on
    // the I/O thread; until that backlog is gone, later writes queue behind it to keep their order.
    std::mutex writeMutex;
    qintptr handle = -1; // -1 once the port is closing
    int pendingPosts = 0;
    bool portBacklog = false;
};

void releasePort(PortState& state) {
    state.callbacks = {};
    state.open = false;
    {
        std::lock_guard lock(state.writeMutex);
        state.handle = -1;
    }
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

// As much of `bytes` as the descriptor takes without waiting; -1 when it fails.
qsizetype writeNow(qintptr handle, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(int(handle), bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            return -1;
        }
    }
    return done;
}

void writeThroughPort(const std::shared_ptr<PortState>& state, const QByteArray& bytes) {
    bool backlog = false;
    if (state->port && state->port->isOpen()) {
        state->port->write(bytes);
        state->port->flush();
        backlog = state->port->bytesToWrite() > 0;
    }
    std::lock_guard lock(state->writeMutex);
    --state->pendingPosts;
    state->portBacklog = backlog;
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

    // Never waits for the I/O thread, so a caller holding its own lock cannot deadlock with it.
    bool write(const QByteArray& bytes) override {
        if (!state_->open)
            return false;
        std::lock_guard lock(state_->writeMutex);
        if (state_->handle < 0)
            return false;
        qsizetype written = 0;
        if (state_->pendingPosts == 0 && !state_->portBacklog) {
            written = writeNow(state_->handle, bytes);
            if (written < 0)
                return false;
            if (written == bytes.size())
                return true;
        }
        ++state_->pendingPosts;
        io_->post([state = state_, rest = bytes.mid(written)] { writeThroughPort(state, rest); });
        return true;
    }

    void close() override {
        io_->run([state = state_] { releasePort(*state); });
    }

private:
    std::shared_ptr<EventLoopThread> io_;
    std::shared_ptr<PortState> state_;
};

bool openOnIoThread(const std::shared_ptr<PortState>& state, PortRefusal& refusal) {
    // A copy of its own: the port frees its name on this thread, the state may go on another.
    auto* port = new QSerialPort(QString(state->path.constData(), state->path.size()));
    port->setBaudRate(QtSerialPortProvider::baudrate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        Logger::trace(QStringLiteral("USB"), QStringLiteral("Open error: ") + port->errorString());
        refusal = PortHolder::refusalOf(state->path, port->error() == QSerialPort::PermissionError);
        delete port;
        return false;
    }
    state->port = port;
    {
        std::lock_guard lock(state->writeMutex);
        state->handle = port->handle();
    }
    state->open = true;
    QObject::connect(port, &QSerialPort::bytesWritten, port, [state] {
        if (state->port && state->port->bytesToWrite() == 0) {
            std::lock_guard lock(state->writeMutex);
            state->portBacklog = false;
        }
    });
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
    PortRefusal refusal;
    io_->run([&opened, &state, &refusal] { opened = openOnIoThread(state, refusal); });
    {
        std::lock_guard lock(overrideMutex_);
        lastRefusal_ = refusal;
    }
    if (!opened)
        return nullptr;
    return std::make_unique<QtSerialPort>(io_, state);
}

PortRefusal QtSerialPortProvider::lastRefusal() const {
    std::lock_guard lock(overrideMutex_);
    return lastRefusal_;
}

} // namespace lensdock
