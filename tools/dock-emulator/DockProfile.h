#pragma once

#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"

#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lensdock {

// What the virtual adapter and lens report about themselves.
struct DockProfile {
    AdapterBasicInfo adapter;
    LensInfo lens;

    // A zoom lens supporting everything: 8 zoom positions, 3 distances, 2 limiter positions, 10 divisions.
    static DockProfile zoomLens();
    // A prime: no focus-by-zoom table beyond one position, no VC, one limiter position.
    static DockProfile primeLens();
    // Unusual counts that shake out off-by-one errors: 5 zooms, 2 distances, 1 limiter position,
    // VC mode type 1, lens kind 1.
    static DockProfile awkwardLens();

    static QStringList builtInNames();
    static std::optional<DockProfile> builtIn(const QString& name);

    // A profile from JSON: {"builtin": NAME, "adapter": {...}, "lens": {...}}; fields not given keep
    // the values of the built-in profile (the zoom lens by default). Nothing, with `error` set, when
    // a field has the wrong type or range.
    static std::optional<DockProfile> fromJson(const QByteArray& json, QString* error);
};

} // namespace lensdock
