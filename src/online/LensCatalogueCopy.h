#pragma once

#include "online/FileIO.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// The local copy of the current lens's catalogue, so that a lens seen before can be used without a
// network. Named after the last path component of its download.
class LensCatalogueCopy {
public:
    explicit LensCatalogueCopy(FileIO fileIO) : fileIO_(std::move(fileIO)) {}

    // Keeps a downloaded catalogue; false (and a "File" line) when it cannot be written.
    bool store(const QByteArray& xml) const;
    // The copy, or nothing when there is none or it is larger than any catalogue may be.
    std::optional<QByteArray> stored() const;

private:
    std::optional<QString> path() const;

    FileIO fileIO_;
};

} // namespace lensdock
