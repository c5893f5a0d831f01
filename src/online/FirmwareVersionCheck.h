#pragma once

#include <QString>

namespace lensdock {

// Whether the catalogue's latest firmware is newer than the device's. Both versions must be exactly
// four bytes; only their first two characters count, each read as a decimal number. Versions that
// cannot be compared never offer an update.
bool isFirmwareUpdateAvailable(const QString& deviceVersion, const QString& latestVersion);

// Whether an adapter update is offered: an adapter whose version starts with "ff" has lost its
// firmware and is always offered one; otherwise only when the adapter was found at launch (not
// after a replug) and the catalogue's firmware is newer. Both versions must be four bytes.
bool isAdapterUpdateOffered(const QString& adapterVersion, const QString& latestVersion, bool atLaunch);

} // namespace lensdock
