#pragma once

#include "connection/ConnectionState.h"

#include <mutex>
#include <QList>

// Plays the screens' part for the connection thread: records every report.
class RecordingThreadDelegate : public lensdock::ConnectionThreadDelegate {
public:
    struct Result {
        lensdock::ApplicationState state;
        lensdock::ExchangeResult error;
        std::optional<lensdock::CommDataFormat> response;
    };

    void connectionEnded() override {
        std::lock_guard lock(mutex_);
        ++disconnected_;
    }
    void exchangeFinished(lensdock::ApplicationState state, lensdock::ExchangeResult error,
                          const std::optional<lensdock::CommDataFormat>& response) override {
        std::lock_guard lock(mutex_);
        results_ << Result{state, error, response};
    }

    QList<Result> results() const {
        std::lock_guard lock(mutex_);
        return results_;
    }
    int disconnectedCount() const {
        std::lock_guard lock(mutex_);
        return disconnected_;
    }
    qsizetype countOf(lensdock::ApplicationState state) const {
        std::lock_guard lock(mutex_);
        return std::count_if(results_.begin(), results_.end(),
                             [state](const Result& r) { return r.state == state; });
    }

private:
    mutable std::mutex mutex_;
    QList<Result> results_;
    int disconnected_ = 0;
};
