#pragma once

#include "online/DataTaskOutcome.h"

#include <QString>

namespace lensdock {

// Reads the files of a download host kept in a local folder, answering as the host would: a file
// that is missing, is no plain file or lies outside the folder (through a symlink, say) is "not
// found" (404), an unreadable one "forbidden" (403), one above the size bound is refused like an
// oversized reply, and any other is its content with status 200.
class FolderSource {
public:
    static constexpr int statusOk = 200;
    static constexpr int statusForbidden = 403;
    static constexpr int statusNotFound = 404;

    explicit FolderSource(QString folder) : folder_(std::move(folder)) {}

    // The folder exists and its files can be listed and read.
    bool isReachable() const;

    // `relativePath` must already be a safe relative path.
    DataTaskOutcome read(const QString& relativePath, qint64 maxBytes) const;

private:
    bool liesInside(const QString& canonicalPath) const;

    QString folder_;
};

} // namespace lensdock
