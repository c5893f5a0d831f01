#pragma once

#include "firmware/FwErrorCode.h"
#include "firmware/UpdateJob.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <QString>

namespace lensdock::cli {

// Shows one update's progress and hands its single result to the waiting caller. On a terminal it
// redraws one progress bar; otherwise it writes a plain line per phase and per tenth of the way.
// Silent when `stream` is null (JSON output). Called on the job's worker threads.
class UpdateProgress : public UpdateJobListener {
public:
    static constexpr int barWidth = 30;

    UpdateProgress(std::FILE* stream, bool terminal);

    void updateProgress(double percent) override;
    void updatePhase(int phase, const QString& textKey) override;
    void updateResult(FwErrorCode code) override;

    // The result, or nothing after `limit`.
    std::optional<FwErrorCode> waitForResult(std::chrono::milliseconds limit);

    // "Downloading" for "updateStateDownloading"; the key itself when unknown.
    static QString phaseName(const QString& textKey);
    // "[#####.....]  50% Decoding" with `barWidth` cells.
    static QString bar(double percent, const QString& phase);

private:
    void write(const QString& text);

    std::FILE* const stream_;
    const bool terminal_;
    std::mutex mutex_;
    std::condition_variable done_;
    QString phase_;
    double percent_ = 0;
    int lastTenth_ = -1;
    std::optional<FwErrorCode> result_;
};

} // namespace lensdock::cli
