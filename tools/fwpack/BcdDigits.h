#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// Decimal digit strings packed two digits per byte, the way the devices report their versions.
namespace BcdDigits {
// "0123" gives 01 23; nothing for an odd count or a character that is not a decimal digit.
std::optional<QByteArray> encode(const QString& digits);
} // namespace BcdDigits

} // namespace lensdock
