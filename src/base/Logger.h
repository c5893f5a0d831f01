#pragma once

#include <functional>
#include <QString>

namespace lensdock {

// The one writer of diagnostic lines. Tagged lines read "HH:mm:ss [Tag] message"; plain lines are
// written as given. Every line goes out whole, from any thread.
class Logger {
public:
    using Sink = std::function<void(const QString& line)>;

    // Trace log: every line except those tagged "Decode".
    static void trace(const QString& tag, const QString& message);
    // Error log: every line it is given.
    static void error(const QString& tag, const QString& message);
    // A line without time and tag.
    static void plain(const QString& line);

    // Replaces the destination of all lines (standard output when empty); returns the previous sink.
    static Sink setSink(Sink sink);

    static QString taggedLine(const QString& tag, const QString& message);

private:
    static void writeLocked(const QString& line);
};

} // namespace lensdock
