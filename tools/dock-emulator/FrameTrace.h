#pragma once

#include <memory>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace lensdock {

// A line per unit on the wire: "2026-01-31T12:00:00.123 RX 0F 01 ...". Inactive without a file.
class FrameTrace {
public:
    bool open(const QString& path, QString* error);
    void record(const char* direction, const QByteArray& bytes, const QString& note = {});
    bool isActive() const { return file_ != nullptr; }

private:
    std::unique_ptr<QFile> file_;
};

} // namespace lensdock
