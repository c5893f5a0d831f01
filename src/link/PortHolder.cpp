#include "link/PortHolder.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <QDir>
#include <QLockFile>
#include <unistd.h>

namespace lensdock {

namespace {
// Where serial lock files are kept, in the order the serial library looks.
const char* const lockFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                   "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};

bool isRunning(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The device answers EBUSY while another program holds it for exclusive use.
bool deviceIsBusy(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EBUSY;
}

bool mayReadAndWrite(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0 || errno != EACCES;
}
} // namespace

QString PortHolder::lockFileName(const QString& path) {
    QString name = path;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

std::optional<QString> PortHolder::lockHolder(const QString& path) {
    const QString name = lockFileName(path);
    for (const char* folder : lockFolders) {
        const QString file = QDir(QString::fromLatin1(folder)).filePath(name);
        if (!QFile::exists(file))
            continue;
        qint64 pid = 0;
        QString host;
        QString program;
        if (QLockFile(file).getLockInfo(&pid, &host, &program) && isRunning(pid))
            return QStringLiteral("%1 (PID %2)")
                .arg(program.isEmpty() ? QStringLiteral("?") : program)
                .arg(pid);
    }
    return std::nullopt;
}

PortRefusal PortHolder::refusalOf(const QString& path, bool permissionRefused) {
    PortRefusal refusal{PortRefusal::Reason::other, path, {}};
    if (!permissionRefused) {
        // The serial library reports some refusals in general terms; the node's mode still tells.
        if (!mayReadAndWrite(path))
            refusal.reason = PortRefusal::Reason::noAccess;
        return refusal;
    }
    if (const auto holder = lockHolder(path)) {
        refusal.reason = PortRefusal::Reason::inUse;
        refusal.holder = *holder;
    } else if (deviceIsBusy(path)) {
        refusal.reason = PortRefusal::Reason::inUse;
    } else {
        // Nobody holds it: the refusal is the device's permissions.
        refusal.reason = PortRefusal::Reason::noAccess;
    }
    return refusal;
}

} // namespace lensdock
