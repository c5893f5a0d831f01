#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;
class QObject;

namespace lensdock {

// One std::thread running a Qt event loop, so that Qt objects that need one (the network access
// manager, its replies and timers) live and are used on this thread only. Work is handed over with
// `post`; tasks run in the order posted. Needs a QCoreApplication.
class NetworkThread {
public:
    NetworkThread();
    // Runs the tasks already posted, ends the loop, deletes what was left for deferred deletion, joins.
    ~NetworkThread();
    NetworkThread(const NetworkThread&) = delete;
    NetworkThread& operator=(const NetworkThread&) = delete;

    void post(std::function<void()> task);
    // Runs `task` on the thread and waits for it (runs it at once when called on the thread).
    void run(const std::function<void()>& task);
    bool isCurrentThread() const;
    // An object living on the thread, as the context of callbacks that must run there.
    QObject* context() const { return context_; }

private:
    void main();

    std::mutex mutex_;
    std::condition_variable ready_;
    QEventLoop* loop_ = nullptr;
    QObject* context_ = nullptr;
    std::thread thread_;
};

} // namespace lensdock
