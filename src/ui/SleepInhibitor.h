#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusPendingCallWatcher;

namespace lensdock {

// Keeps the system from sleeping while work that must not be cut off runs: a logind inhibitor lock
// ("sleep:idle", mode "block"), which lasts as long as its file descriptor stays open. Where there is
// no bus or no logind, or logind refuses, it quietly does nothing.
class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit SleepInhibitor(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);

    // Asks for the lock without waiting for the answer; `why` is what a user trying to suspend is told.
    void acquire(const QString& why);
    // Gives the lock back; an answer that arrives after this is dropped.
    void release();

    bool isAsking() const { return pending_ != nullptr; }
    bool isHeld() const { return lock_.isValid(); }

private:
    void takeAnswer();

    QDBusConnection bus_;
    QDBusPendingCallWatcher* pending_ = nullptr;
    QDBusUnixFileDescriptor lock_;
};

} // namespace lensdock
