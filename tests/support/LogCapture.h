#pragma once

#include "base/Logger.h"

#include <mutex>
#include <QStringList>

// Collects every diagnostic line while it lives.
class LogCapture {
public:
    LogCapture() {
        previous_ = lensdock::Logger::setSink([this](const QString& line) {
            std::lock_guard lock(mutex());
            lines_ << line;
        });
    }
    ~LogCapture() { lensdock::Logger::setSink(std::move(previous_)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const {
        std::lock_guard lock(mutex());
        return lines_;
    }
    // Lines with the "HH:mm:ss " time removed, so tests can compare whole texts.
    QStringList untimed() const {
        QStringList result;
        for (const QString& line : lines())
            result << (line.size() > 9 && line[2] == QLatin1Char(':') ? line.mid(9) : line);
        return result;
    }
    bool contains(const QString& text) const { return untimed().contains(text); }
    void clear() {
        std::lock_guard lock(mutex());
        lines_.clear();
    }

private:
    // One lock for every capture: a lock inside each capture, reused at the same stack address by the
    // next test, looks to ThreadSanitizer like one lock taken in two orders (std::mutex is never
    // destroyed as far as it can tell).
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
    QStringList lines_;
    lensdock::Logger::Sink previous_;
};
