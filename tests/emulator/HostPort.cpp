#include "HostPort.h"

#include "link/FrameCodec.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace lensdock;

namespace {
using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}
} // namespace

bool HostPort::open(const QString& path) {
    close();
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B115200);
    tcsetattr(fd_, TCSANOW, &tio);
    return true;
}

void HostPort::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool HostPort::write(const QByteArray& bytes) {
    return fd_ >= 0 && ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray HostPort::read(qsizetype count, std::chrono::milliseconds wait) {
    QByteArray bytes;
    const auto deadline = Clock::now() + wait;
    while (fd_ >= 0 && bytes.size() < count) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) <= 0)
            break;
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, size_t(std::min<qsizetype>(count - bytes.size(), sizeof chunk)));
        if (n <= 0 && errno != EAGAIN)
            break;
        if (n > 0)
            bytes.append(chunk, n);
    }
    return bytes;
}

QByteArray HostPort::readFrame(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    QByteArray frame = read(FrameCodec::headerBytes, wait);
    const auto size = FrameCodec::expectedFrameSize(frame);
    if (!size)
        return {};
    frame += read(*size - frame.size(), std::chrono::milliseconds(remainingMs(deadline)));
    return frame.size() == *size ? frame : QByteArray();
}

std::optional<CommDataFormat> HostPort::exchange(const CommDataFormat& request, std::uint8_t packetNumber) {
    if (!write(FrameCodec::encodeFrame(request, packetNumber)))
        return std::nullopt;
    return FrameCodec::decodeFrame(readFrame());
}

bool HostPort::waitForHangup(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (fd_ >= 0) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) <= 0)
            return false;
        char byte;
        const ssize_t n = ::read(fd_, &byte, 1);
        if (n == 0 || (n < 0 && errno == EIO))
            return true;
    }
    return false;
}

CommDataFormat makeRequest(std::uint8_t destination, std::uint8_t function, const QByteArray& payload) {
    CommDataFormat request;
    request.destination = destination;
    request.funcNumber = function;
    request.setPayload(payload);
    return request;
}
