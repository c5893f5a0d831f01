#include "base/EventLoopThread.h"

#include <future>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

namespace lensdock {

EventLoopThread::EventLoopThread() {
    std::promise<void> started;
    thread_ = std::thread([this, &started] {
        QEventLoop loop; // gives this thread an event dispatcher
        QObject context;
        loop_ = &loop;
        context_ = &context;
        started.set_value();
        main();
    });
    started.get_future().wait();
}

EventLoopThread::~EventLoopThread() {
    post([this] {
        quitRequested_ = true;
        loop_->quit();
    });
    {
        std::lock_guard lock(mutex_);
        quitPosted_ = true;
    }
    quitPostedChanged_.notify_one();
    thread_.join();
}

void EventLoopThread::main() {
    // Only the destructor ends the loop. Qt now and then ends it on its own (seen after a network
    // access manager was deleted on this thread); leaving then would destroy the context object
    // that the destructor's post() uses. The queue is served between runs of the loop too, in case
    // it refuses to run again. And the thread stays until the destructor's post() has returned.
    while (!quitRequested_) {
        loop_->exec();
        drain();
    }
    {
        std::unique_lock lock(mutex_);
        quitPostedChanged_.wait(lock, [this] { return quitPosted_; });
    }
    drain(); // work posted while quitting, such as closing a port, still runs
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void EventLoopThread::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    QMetaObject::invokeMethod(
        context_, [this] { drain(); }, Qt::QueuedConnection);
}

void EventLoopThread::run(const std::function<void()>& work) {
    if (isCurrentThread()) {
        work();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    post([&work, &done] {
        work();
        done.set_value();
    });
    finished.wait();
}

bool EventLoopThread::isCurrentThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void EventLoopThread::drain() {
    while (true) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}

} // namespace lensdock
