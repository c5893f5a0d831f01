#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// A cipher key and, where it was derived from one, its pass phrase.
struct KeyInfo {
    std::optional<QString> passPhrase;
    std::optional<QByteArray> key;
};

} // namespace lensdock
