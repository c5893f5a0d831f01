#pragma once

#include "adjust/LensAdjustData.h"
#include "link/LensInfo.h"

#include <optional>
#include <QString>

namespace lensdock {

enum class AdjustFileLoadResult { success = 0, osError = 1, formatError = 2, valueError = 3 };

// Outcome of opening a file into the editor; `modelMismatch` is a good file for another lens model.
enum class AdjustFileOpenResult { success, osError, formatError, valueError, modelMismatch };

// The adjust-data file: one line of 37 comma-separated elements, extension "vlad".
class AdjustDataFile {
public:
    static constexpr const char* extension = "vlad";
    // Far above the longest valid file (about 140 bytes); larger files are refused unread.
    static constexpr qint64 maxFileSize = 64 * 1024;

    struct SaveOutcome {
        bool saved = false;
        std::optional<QString> error; // the system's description when writing failed
    };
    struct LoadOutcome {
        AdjustFileLoadResult result = AdjustFileLoadResult::success;
        QString modelCode;
        QString firmwareVersion;
        std::optional<QString> error;
    };
    struct OpenOutcome {
        AdjustFileOpenResult result = AdjustFileOpenResult::success;
        std::optional<QString> error;
    };

    // The line that saving `data` for `lens` writes, for the given date text.
    static QString formatLine(const LensAdjustData& data, const QString& date, const QString& modelCode,
                              const QString& firmwareVersion, const LensInfo& lens);

    // Replaces `path` as a whole; a failed save leaves any old file untouched.
    static SaveOutcome saveFile(const LensAdjustData& data, const QString& path, const QString& modelCode,
                                const QString& firmwareVersion, const LensInfo& lens);

    // Reads `path` into `data` (a newly constructed set); values are not range-tested here.
    static LoadOutcome loadFile(const QString& path, LensAdjustData& data);

    // Loads `path`, matches it to the connected lens, fills what the file left empty from the factory
    // values, corrects it and only then copies it into `current`. Any failure leaves `current` unchanged.
    static OpenOutcome openIntoEditor(const QString& path, const LensInfo& lens,
                                      const LensAdjustData& factory, LensAdjustData& current);

    // What a load's failure means to the editor (success for a loaded file, before its model is matched).
    static OpenOutcome openOutcomeOf(const LoadOutcome& load);

    // `path` with ".vlad" appended unless it already ends in it.
    static QString withExtension(const QString& path);
    static bool hasExtension(const QString& path);
};

} // namespace lensdock
