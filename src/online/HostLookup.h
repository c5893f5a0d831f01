#pragma once

#include <chrono>
#include <QString>

namespace lensdock {

class EventLoopThread;

// Whether a host name resolves to at least one address. The lookup runs on the network thread; the
// caller waits at most `bound` and counts a lookup that takes longer as failed.
class HostLookup {
public:
    static bool resolves(EventLoopThread& thread, const QString& hostName, std::chrono::milliseconds bound);
};

} // namespace lensdock
