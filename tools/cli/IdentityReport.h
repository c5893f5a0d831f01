#pragma once

#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"

#include <optional>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace lensdock::cli {

// Renders what the adapter and the lens report about themselves.
class IdentityReport {
public:
    // "Canon", "Nikon", "SONY" for mount 1, 2, 3; empty otherwise.
    static QString mountName(int mountInfo);

    static QStringList adapterText(const AdapterBasicInfo& adapter);
    static QJsonObject adapterJson(const AdapterBasicInfo& adapter);

    // `name` is the catalogue's display name when the catalogue was available.
    static QStringList lensText(const LensInfo& lens, const std::optional<QString>& name);
    static QJsonObject lensJson(const LensInfo& lens, const std::optional<QString>& name);
};

} // namespace lensdock::cli
