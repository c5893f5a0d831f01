#pragma once

#include <QByteArray>
#include <QString>

namespace lensdock {

// The emulator's end of one pseudo-terminal: the master descriptor, plus a spare descriptor of the
// raw slave so that the master does not hang up while the host has the port closed, plus the
// symlink through which the host reaches the slave. Closing it looks like a USB unplug to the host.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Creates the pty and points `linkPath` at its slave. Refuses to replace anything at `linkPath`
    // that is not a symlink. On failure `error` says why and nothing is left behind.
    bool open(const QString& linkPath, QString* error);
    // Closes both descriptors and removes the link if it still points at our slave.
    void close();

    bool isOpen() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    QString slavePath() const { return slavePath_; }

    // Bytes written by us that the host has not read yet.
    int pendingForHost() const;
    // Writes everything (the master is non-blocking; waits while the pty is full). False when the
    // pty has gone.
    bool writeAll(const QByteArray& bytes);
    // What the host has written; empty when nothing is waiting.
    QByteArray readAvailable();

private:
    bool createLink(const QString& linkPath, QString* error);

    int master_ = -1;
    int spareSlave_ = -1;
    QString slavePath_;
    QString linkPath_;
};

} // namespace lensdock
