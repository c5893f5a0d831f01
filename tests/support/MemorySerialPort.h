#pragma once

#include "link/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <QList>
#include <utility>

// An in-memory serial device for deterministic tests. The test plays the device and the port's
// thread: feed() delivers bytes as received, injectRemoval() unplugs, written() shows what was sent.
class MemoryPortProvider : public lensdock::SerialPortProvider {
public:
    QString findPortPath() override {
        std::lock_guard lock(mutex_);
        return present_ ? path_ : QString();
    }

    std::unique_ptr<lensdock::SerialPort> openPort(const QString& path,
                                                   lensdock::SerialPort::Callbacks callbacks) override {
        std::lock_guard lock(mutex_);
        if (!present_ || path != path_)
            return nullptr;
        callbacks_ = std::move(callbacks);
        open_ = true;
        return std::make_unique<Port>(this, ++generation_);
    }

    void setPresent(bool present) {
        std::lock_guard lock(mutex_);
        present_ = present;
    }
    void setAcceptWrites(bool accept) {
        std::lock_guard lock(mutex_);
        acceptWrites_ = accept;
    }
    QString path() const { return path_; }
    bool isOpen() const {
        std::lock_guard lock(mutex_);
        return open_;
    }
    QList<QByteArray> written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }
    qsizetype writeCount() const {
        std::lock_guard lock(mutex_);
        return written_.size();
    }
    // Waits until more than `count` writes were made; false after `limit`.
    bool waitForWrites(qsizetype count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return written_.size() > count; });
    }

    void feed(const QByteArray& bytes) {
        std::function<void(const QByteArray&)> received;
        {
            std::lock_guard lock(mutex_);
            if (open_)
                received = callbacks_.received;
        }
        if (received)
            received(bytes);
    }

    void injectRemoval() {
        dropPort();
        announceRemoval();
    }
    // The device is gone at once, but the port's removal notice comes only with announceRemoval(),
    // as when a write finds the port closed before the system reports the unplug.
    void dropPort() {
        std::lock_guard lock(mutex_);
        if (!open_)
            return;
        open_ = false;
        present_ = false;
        pendingRemoval_ = callbacks_.removed;
        callbacks_ = {};
    }
    void announceRemoval() {
        std::function<void()> removed;
        {
            std::lock_guard lock(mutex_);
            removed = std::exchange(pendingRemoval_, {});
        }
        if (removed)
            removed();
    }

private:
    class Port : public lensdock::SerialPort {
    public:
        Port(MemoryPortProvider* owner, int generation) : owner_(owner), generation_(generation) {}
        ~Port() override { close(); }
        bool isOpen() const override {
            std::lock_guard lock(owner_->mutex_);
            return owner_->open_ && !closed_ && owner_->generation_ == generation_;
        }
        bool write(const QByteArray& bytes) override {
            {
                std::lock_guard lock(owner_->mutex_);
                if (!owner_->open_ || closed_ || !owner_->acceptWrites_ || owner_->generation_ != generation_)
                    return false;
                owner_->written_ << bytes;
            }
            owner_->changed_.notify_all();
            return true;
        }
        void close() override {
            std::lock_guard lock(owner_->mutex_);
            if (closed_)
                return;
            closed_ = true;
            if (owner_->generation_ != generation_)
                return;
            owner_->open_ = false;
            owner_->callbacks_ = {};
        }

    private:
        MemoryPortProvider* owner_;
        const int generation_;
        bool closed_ = false;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QString path_ = QStringLiteral("/dev/ttyMEMORY0");
    bool present_ = true;
    bool acceptWrites_ = true;
    bool open_ = false;
    int generation_ = 0;
    lensdock::SerialPort::Callbacks callbacks_;
    std::function<void()> pendingRemoval_;
    QList<QByteArray> written_;
};
