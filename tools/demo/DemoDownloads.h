#pragma once

#include "DockProfile.h"

#include <optional>
#include <QByteArray>
#include <QHash>
#include <QString>

namespace lensdock {

// What the demo download host serves for one dock profile: the adapter catalogue (the adapter's own
// version, so that no adapter update interrupts the start), the lens catalogue offering a newer lens
// firmware, that firmware enciphered with the catalogue's key, and the three pictures.
namespace DemoDownloads {
// The newer lens firmware the catalogue offers.
inline const QString newerLensVersion = QStringLiteral("0200");

// Paths as the program asks for them (no leading "/") -> content. Nothing, with the reason, when the
// firmware cannot be packed.
std::optional<QHash<QString, QByteArray>> files(const DockProfile& profile, int firmwareBytes,
                                                QString* error);
} // namespace DemoDownloads

} // namespace lensdock
