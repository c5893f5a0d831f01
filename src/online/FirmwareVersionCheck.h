#pragma once

#include <QString>

namespace lensdock {

// Whether the catalogue's latest firmware is newer than the device's. Both versions must be exactly
// four bytes; only their first two characters count, each read as a decimal number. Versions that
// cannot be compared never offer an update. The adapter's "ff" rule and when to compare at all are
// the caller's decisions.
bool isFirmwareUpdateAvailable(const QString& deviceVersion, const QString& latestVersion);

} // namespace lensdock
