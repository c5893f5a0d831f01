#include "ui/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace lensdock {

namespace {
const QString service = QStringLiteral("org.freedesktop.login1");
const QString path = QStringLiteral("/org/freedesktop/login1");
const QString interface = QStringLiteral("org.freedesktop.login1.Manager");
const QString what = QStringLiteral("sleep:idle");
const QString who = QStringLiteral("Lens Dock Utility");
const QString mode = QStringLiteral("block");
} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

void SleepInhibitor::acquire(const QString& why) {
    if (isAsking() || isHeld() || !bus_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Inhibit"));
    call << what << who << why << mode;
    // Asynchronous: a slow or hung logind must not freeze the window.
    pending_ = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending_, &QDBusPendingCallWatcher::finished, this, &SleepInhibitor::takeAnswer);
}

void SleepInhibitor::takeAnswer() {
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *pending_;
    pending_->deleteLater();
    pending_ = nullptr;
    if (reply.isValid())
        lock_ = reply.value();
}

void SleepInhibitor::release() {
    // Deleting the watcher drops the call, so that a late answer's descriptor is closed on arrival.
    delete pending_;
    pending_ = nullptr;
    lock_ = QDBusUnixFileDescriptor();
}

} // namespace lensdock
