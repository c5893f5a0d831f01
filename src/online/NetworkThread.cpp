#include "online/NetworkThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

namespace lensdock {

NetworkThread::NetworkThread() {
    thread_ = std::thread([this] { main(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return context_ != nullptr; });
}

NetworkThread::~NetworkThread() {
    post([this] { loop_->quit(); });
    thread_.join();
}

void NetworkThread::post(std::function<void()> task) {
    QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

void NetworkThread::run(const std::function<void()>& task) {
    if (isCurrentThread()) {
        task();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    post([&] {
        task();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

bool NetworkThread::isCurrentThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void NetworkThread::main() {
    QEventLoop loop;
    QObject context;
    {
        std::lock_guard lock(mutex_);
        loop_ = &loop;
        context_ = &context;
    }
    ready_.notify_one();
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace lensdock
