#pragma once

#include "online/NetworkInterfaceDelegate.h"
#include "online/NetworkInterfaceNotificationDelegate.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <QList>
#include <vector>

// Bound of every wait for a listener call; generous because sanitizer builds are slow. Tests never
// assert on how long anything took.
inline constexpr std::chrono::seconds listenerWaitBound{30};

struct FileDownloadCall {
    lensdock::NetworkFileType type;
    std::optional<QByteArray> data;
    std::optional<lensdock::NetworkError> error;
};

// Records the calls that arrive on the network thread; tests wait for them on their own thread.
class RecordingNotificationListener : public lensdock::NetworkInterfaceNotificationDelegate {
public:
    void fileDownloadCompleted(lensdock::NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<lensdock::NetworkError>& error) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({type, data, error});
        changed_.notify_all();
    }

    // The calls once there are at least `count` of them (fewer if the bound passes first).
    std::vector<FileDownloadCall> waitForCalls(size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, listenerWaitBound, [&] { return calls_.size() >= count; });
        return calls_;
    }

    std::vector<FileDownloadCall> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<FileDownloadCall> calls_;
};

class RecordingFirmwareListener : public lensdock::NetworkInterfaceDelegate {
public:
    void downloadProgress(double fraction) override {
        std::lock_guard lock(mutex_);
        progress_ << fraction;
        events_ << QStringLiteral("progress");
        changed_.notify_all();
    }
    void downloadFinished(const QByteArray& data) override {
        std::lock_guard lock(mutex_);
        finished_ << data;
        events_ << QStringLiteral("finished");
        changed_.notify_all();
    }
    void downloadCompleted(const std::optional<lensdock::NetworkError>& error) override {
        std::lock_guard lock(mutex_);
        completed_.push_back(error);
        events_ << QStringLiteral("completed");
        changed_.notify_all();
    }

    bool waitForProgress(double fraction) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, listenerWaitBound, [&] { return progress_.contains(fraction); });
    }
    bool waitForCompletion() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, listenerWaitBound, [&] { return !completed_.empty(); });
    }

    QList<double> progress() {
        std::lock_guard lock(mutex_);
        return progress_;
    }
    QList<QByteArray> finished() {
        std::lock_guard lock(mutex_);
        return finished_;
    }
    std::vector<std::optional<lensdock::NetworkError>> completed() {
        std::lock_guard lock(mutex_);
        return completed_;
    }
    // "progress", "finished" and "completed" in the order they arrived.
    QStringList events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    QList<double> progress_;
    QList<QByteArray> finished_;
    std::vector<std::optional<lensdock::NetworkError>> completed_;
    QStringList events_;
};
