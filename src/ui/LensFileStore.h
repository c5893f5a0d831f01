#pragma once

#include "online/FileIO.h"
#include "online/NetworkFileType.h"

#include <optional>
#include <QByteArray>
#include <QImage>

namespace lensdock {

// The local copies of the current lens's catalogue and pictures, so that a lens seen before can be
// used without a network. Each copy is named after the last path component of its download.
class LensFileStore {
public:
    explicit LensFileStore(FileIO fileIO) : fileIO_(std::move(fileIO)) {}

    // Keeps a downloaded catalogue; false (and a "File" line) when it cannot be written.
    bool storeCatalogue(const QByteArray& xml) const;
    std::optional<QByteArray> storedCatalogue() const;

    // The picture of `type`: the downloaded bytes (kept as PNG), else the local copy, else nothing.
    QImage picture(NetworkFileType type, const std::optional<QByteArray>& downloaded) const;

    // The application's own stand-in for a picture of `type`.
    static QImage builtInPicture(NetworkFileType type);

private:
    std::optional<QString> pathOf(NetworkFileType type) const;

    FileIO fileIO_;
};

} // namespace lensdock
