#pragma once

#include "adjust/LensAdjustData.h"
#include "link/LensInfo.h"

#include <optional>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace lensdock {

// The settings a lens uses, one entry per value, in the order of the settings tabs.
struct Setting {
    QString key;   // stable name for scripts, e.g. "focus.close.1", "limiter2.mode"
    QString label; // readable name
    qint64 value = 0;
    QString text; // readable value
};

// Renders adjust data for people and for scripts, and lists what differs between two data sets.
class SettingsReport {
public:
    // Only the settings `lens` supports: the same ones a write sends and the verification compares.
    static QList<Setting> settingsOf(const LensAdjustData& data, const LensInfo& lens);

    static QStringList text(const LensAdjustData& data, const LensInfo& lens);
    static QJsonObject json(const LensAdjustData& data, const LensInfo& lens);

    // Each setting of `to` whose value differs from `from`'s, beside `from`'s (none when `from` lacks it).
    using Change = std::pair<std::optional<Setting>, Setting>;
    static QList<Change> changes(const LensAdjustData& from, const LensAdjustData& to, const LensInfo& lens);

    // One line (or object) per setting whose value in `to` differs from `from`.
    static QStringList differenceText(const LensAdjustData& from, const LensAdjustData& to,
                                      const LensInfo& lens);
    static QJsonArray differenceJson(const LensAdjustData& from, const LensAdjustData& to,
                                     const LensInfo& lens);
};

} // namespace lensdock
