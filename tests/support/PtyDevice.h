#pragma once

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <QByteArray>
#include <QString>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// The device end of a pseudo-terminal, for tests that talk to the real serial port code: the program
// opens slavePath(), the test reads and writes the master. Closing the master hangs the tty up.
class PtyDevice {
public:
    PtyDevice() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        slavePath_ = QString::fromLocal8Bit(ptsname(master_));
        // Raw slave, and a spare descriptor so the master does not see a hang-up while the port is closed.
        spare_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios raw{};
        if (spare_ >= 0 && tcgetattr(spare_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(spare_, TCSANOW, &raw);
        }
    }
    ~PtyDevice() { hangUp(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool isValid() const { return master_ >= 0 && spare_ >= 0; }
    QString slavePath() const { return slavePath_; }

    void write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    }

    // Reads until `count` bytes arrived or `limit` passed.
    QByteArray read(qsizetype count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        QByteArray bytes;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0)
                bytes.append(buffer, n);
        }
        return bytes;
    }

    void hangUp() {
        if (spare_ >= 0)
            ::close(spare_);
        if (master_ >= 0)
            ::close(master_);
        spare_ = master_ = -1;
    }

private:
    int master_ = -1;
    int spare_ = -1;
    QString slavePath_;
};
