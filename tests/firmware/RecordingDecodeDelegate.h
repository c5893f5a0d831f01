#pragma once

#include "firmware/DecodeFirmwareDelegate.h"

#include <mutex>
#include <optional>
#include <QList>
#include <thread>

// Keeps every report of a decode run and the threads they came from.
class RecordingDecodeDelegate : public lensdock::DecodeFirmwareDelegate {
public:
    void decodeProgress(double fraction) override {
        std::lock_guard lock(mutex_);
        progress_ << fraction;
        threads_ << std::this_thread::get_id();
    }
    void decodeFinished(int count) override {
        std::lock_guard lock(mutex_);
        finished_ << count;
        threads_ << std::this_thread::get_id();
    }
    void decodeCompleted(lensdock::FwErrorCode result) override {
        std::lock_guard lock(mutex_);
        completed_ << result;
        threads_ << std::this_thread::get_id();
    }

    QList<double> progress() const { return locked(progress_); }
    QList<int> finished() const { return locked(finished_); }
    QList<lensdock::FwErrorCode> completed() const { return locked(completed_); }
    QList<std::thread::id> threads() const { return locked(threads_); }

private:
    template <typename T> T locked(const T& value) const {
        std::lock_guard lock(mutex_);
        return value;
    }

    mutable std::mutex mutex_;
    QList<double> progress_;
    QList<int> finished_;
    QList<lensdock::FwErrorCode> completed_;
    QList<std::thread::id> threads_;
};
