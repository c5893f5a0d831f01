#include "base/Logger.h"

#include <cstdio>
#include <mutex>
#include <QDateTime>
#include <QLocale>
#include <QTime>

namespace lensdock {

namespace {
std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}
Logger::Sink& currentSink() {
    static Logger::Sink sink;
    return sink;
}
const QString decodeTag = QStringLiteral("Decode");

// The clock text of the current second. A transfer logs two lines per block, thousands a second;
// formatting the local time for each one cost more than the rest of the line.
QString currentTimeText() {
    static std::mutex mutex;
    static std::int64_t cachedSecond = -1;
    static QString cachedText;
    const std::int64_t second = QDateTime::currentSecsSinceEpoch();
    std::lock_guard lock(mutex);
    if (second != cachedSecond) {
        cachedText = QLocale().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss"));
        cachedSecond = second;
    }
    return cachedText;
}
} // namespace

QString Logger::taggedLine(const QString& tag, const QString& message) {
    return currentTimeText() + QStringLiteral(" [") + tag + QStringLiteral("] ") + message;
}

void Logger::trace(const QString& tag, const QString& message) {
    if (tag == decodeTag)
        return;
    error(tag, message);
}

void Logger::error(const QString& tag, const QString& message) {
    // The local time is read under the lock too: reading it touches the C library's time zone state,
    // which is not safe from several threads at once.
    std::lock_guard lock(sinkMutex());
    writeLocked(taggedLine(tag, message));
}

void Logger::plain(const QString& line) {
    std::lock_guard lock(sinkMutex());
    writeLocked(line);
}

Logger::Sink Logger::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

void Logger::writeLocked(const QString& line) {
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace lensdock
