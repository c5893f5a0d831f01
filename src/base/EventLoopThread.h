#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;
class QObject;

namespace lensdock {

// One std::thread running a Qt event loop, for Qt objects that must live and be used on one thread
// (a serial port, a network access manager). Work is handed over with `post` and runs in the order
// posted. The hand-over goes through a std::mutex and completion through standard primitives, which
// ThreadSanitizer can see (it cannot see the locking inside an uninstrumented Qt); Qt's queued call
// only wakes the thread. Needs a QCoreApplication.
class EventLoopThread {
public:
    EventLoopThread();
    // Runs the work already posted, ends the loop, deletes what was left for deferred deletion, joins.
    ~EventLoopThread();
    EventLoopThread(const EventLoopThread&) = delete;
    EventLoopThread& operator=(const EventLoopThread&) = delete;

    void post(std::function<void()> work);
    // Runs `work` on the thread and waits for it (at once when called on the thread).
    void run(const std::function<void()>& work);
    bool isCurrentThread() const;
    // An object living on the thread, as the context of callbacks that must run there.
    QObject* context() const { return context_; }

private:
    void main();
    void drain();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    std::condition_variable quitPostedChanged_;
    bool quitPosted_ = false;    // guarded by mutex_
    bool quitRequested_ = false; // only touched on the thread
    QEventLoop* loop_ = nullptr;
    QObject* context_ = nullptr;
    std::thread thread_;
};

} // namespace lensdock
