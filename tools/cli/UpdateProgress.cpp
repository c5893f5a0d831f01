#include "UpdateProgress.h"

#include "CommandOutput.h"

#include <algorithm>
#include <cmath>

namespace lensdock::cli {

UpdateProgress::UpdateProgress(std::FILE* stream, bool terminal) : stream_(stream), terminal_(terminal) {}

QString UpdateProgress::phaseName(const QString& textKey) {
    static const std::pair<const char*, const char*> names[] = {{"updateStateConnecting", "Connecting"},
                                                                {"updateStateDownloading", "Downloading"},
                                                                {"updateStateDecoding", "Decoding"},
                                                                {"updateStateSending", "Sending"}};
    for (const auto& [key, name] : names)
        if (textKey == QLatin1String(key))
            return QLatin1String(name);
    return textKey;
}

QString UpdateProgress::bar(double percent, const QString& phase) {
    const double clamped = std::clamp(percent, 0.0, 100.0);
    const int filled = int(std::lround(clamped * barWidth / 100.0));
    return QStringLiteral("[%1%2] %3% %4")
        .arg(QString(filled, QLatin1Char('#')), QString(barWidth - filled, QLatin1Char('.')))
        .arg(int(clamped), 3)
        .arg(phase, -12);
}

void UpdateProgress::updateProgress(double percent) {
    std::lock_guard lock(mutex_);
    percent_ = percent;
    if (terminal_) {
        write(QLatin1Char('\r') + bar(percent_, phase_));
        return;
    }
    const int tenth = int(std::clamp(percent, 0.0, 100.0)) / 10;
    if (tenth > lastTenth_) {
        lastTenth_ = tenth;
        write(QStringLiteral("progress %1%\n").arg(tenth * 10));
    }
}

void UpdateProgress::updatePhase(int, const QString& textKey) {
    if (textKey.isEmpty())
        return;
    std::lock_guard lock(mutex_);
    phase_ = phaseName(textKey);
    write(terminal_ ? QLatin1Char('\r') + bar(percent_, phase_) : phase_ + QLatin1Char('\n'));
}

void UpdateProgress::updateResult(FwErrorCode code) {
    std::lock_guard lock(mutex_);
    if (terminal_)
        write(QStringLiteral("\n"));
    result_ = code;
    done_.notify_all();
}

std::optional<FwErrorCode> UpdateProgress::waitForResult(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, limit, [this] { return result_.has_value(); });
    return result_;
}

void UpdateProgress::write(const QString& text) {
    if (stream_)
        CommandOutput::write(stream_, text);
}

} // namespace lensdock::cli
