#include "online/HostLookup.h"

#include "base/EventLoopThread.h"
#include "base/Logger.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <QHostInfo>

namespace lensdock {

namespace {

bool hasAddresses(const QHostInfo& info) {
    return info.error() == QHostInfo::NoError && !info.addresses().isEmpty();
}

// Outlives the caller's wait when the answer comes late.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<bool> resolved;
};

} // namespace

bool HostLookup::resolves(EventLoopThread& thread, const QString& hostName, std::chrono::milliseconds bound) {
    // On the network thread an asynchronous answer could never arrive while we wait.
    if (thread.isCurrentThread())
        return hasAddresses(QHostInfo::fromName(hostName));
    auto pending = std::make_shared<PendingLookup>();
    int lookupId = -1;
    thread.run([&] {
        lookupId = QHostInfo::lookupHost(hostName, thread.context(), [pending](const QHostInfo& info) {
            std::lock_guard lock(pending->mutex);
            pending->resolved = hasAddresses(info);
            pending->done.notify_one();
        });
    });
    std::unique_lock lock(pending->mutex);
    if (pending->done.wait_for(lock, bound, [&] { return pending->resolved.has_value(); }))
        return *pending->resolved;
    lock.unlock();
    thread.post([lookupId] { QHostInfo::abortHostLookup(lookupId); });
    Logger::trace(QStringLiteral("Network"), QStringLiteral("Looking up %1 timed out").arg(hostName));
    return false;
}

} // namespace lensdock
