#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <QFileInfo>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace lensdock {

namespace {
constexpr int writeWaitMs = 100;
// A host that stops reading must not hang the emulator: give up after this many waits.
constexpr int maxWriteWaits = 50;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}
} // namespace

PseudoTerminal::~PseudoTerminal() {
    close();
}

bool PseudoTerminal::open(const QString& linkPath, QString* error) {
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        *error = systemError("pty set-up");
        close();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    spareSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (spareSlave_ < 0 || !makeRaw(spareSlave_)) {
        *error = systemError("pty slave");
        close();
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!createLink(linkPath, error)) {
        close();
        return false;
    }
    return true;
}

bool PseudoTerminal::createLink(const QString& linkPath, QString* error) {
    const QFileInfo existing(linkPath);
    if (existing.exists() && !existing.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a symlink; not replacing it").arg(linkPath);
        return false;
    }
    // Renaming a fresh link over the old one never leaves the path missing or half made.
    const QByteArray target = slavePath_.toLocal8Bit();
    const QByteArray finalPath = linkPath.toLocal8Bit();
    const QByteArray tempPath = finalPath + ".new" + QByteArray::number(getpid());
    ::unlink(tempPath.constData());
    if (::symlink(target.constData(), tempPath.constData()) != 0 ||
        std::rename(tempPath.constData(), finalPath.constData()) != 0) {
        *error = systemError("symlink");
        ::unlink(tempPath.constData());
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void PseudoTerminal::close() {
    if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == slavePath_)
        ::unlink(linkPath_.toLocal8Bit().constData());
    linkPath_.clear();
    if (spareSlave_ >= 0)
        ::close(spareSlave_);
    if (master_ >= 0)
        ::close(master_);
    spareSlave_ = -1;
    master_ = -1;
    slavePath_.clear();
}

int PseudoTerminal::pendingForHost() const {
    int pending = 0;
    if (spareSlave_ < 0 || ioctl(spareSlave_, FIONREAD, &pending) != 0)
        return 0;
    return pending;
}

bool PseudoTerminal::writeAll(const QByteArray& bytes) {
    qsizetype done = 0;
    int waits = 0;
    while (master_ >= 0 && done < bytes.size() && waits < maxWriteWaits) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd pfd{master_, POLLOUT, 0};
        ::poll(&pfd, 1, writeWaitMs);
        ++waits;
    }
    return done == bytes.size();
}

QByteArray PseudoTerminal::readAvailable() {
    QByteArray bytes;
    char chunk[4096];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.append(chunk, n);
    }
    return bytes;
}

} // namespace lensdock
