#pragma once

#include <optional>
#include <QString>

namespace lensdock {

// Relative paths of the resources on the download host. Model codes come from the device and
// mount suffixes from the caller, so every piece is checked before it becomes part of an address or
// of a local file name: a refused piece yields no path and the reason in `refusal`.
class ResourcePaths {
public:
    static inline const QString adapterDir = QStringLiteral("zolen/adapter");
    static inline const QString lensDir = QStringLiteral("zolen/lens");
    static inline const QString adapterModelsInfoURLPrefix = QStringLiteral("zoleninfo");
    static inline const QString lensModelsInfoURLPrefix = QStringLiteral("lensinfo_");
    static inline const QString lensImageURLPrefix = QStringLiteral("lensimage_");
    static inline const QString focusAdjustmentURLPrefix = QStringLiteral("focusadjustment_");
    static inline const QString focusLimitURLPrefix = QStringLiteral("focuslimit_");
    static inline const QString xmlExtension = QStringLiteral(".xml");
    static inline const QString imageExtension = QStringLiteral(".png");

    // 1 "E0", 2 "N0", 3 "S0", anything else "".
    static QString mountSuffix(int mountInfo);

    static QString adapterModelsInfo();
    static std::optional<QString> lensModelsInfo(const QString& modelCode, const QString& mountSuffix,
                                                 QString* refusal = nullptr);
    static std::optional<QString> lensImage(const QString& modelCode, const QString& mountSuffix,
                                            QString* refusal = nullptr);
    static std::optional<QString> focusAdjustmentImage(const QString& modelCode, QString* refusal = nullptr);
    static std::optional<QString> focusLimitImage(const QString& modelCode, QString* refusal = nullptr);
    static std::optional<QString> adapterFirmware(const QString& fileName, QString* refusal = nullptr);
    static std::optional<QString> lensFirmware(const QString& fileName, QString* refusal = nullptr);

    // Longest model code, mount suffix or file name taken: far above any real one, and well inside
    // the file system's limit for a name.
    static constexpr qsizetype maxNameLength = 64;

    // Non-empty, ASCII letters, digits, '-' and '_' only.
    static bool isSafeModelCode(const QString& modelCode);
    // Empty, or ASCII letters, digits, '-' and '_' only.
    static bool isSafeMountSuffix(const QString& mountSuffix);
    // Safe name pieces joined by single dots: no "..", no leading dot, no separators; not overlong.
    static bool isSafeFileName(const QString& fileName);
    // Safe file names joined by "/": never absolute, never climbing.
    static bool isSafeRelativePath(const QString& path);

    // The text with every byte outside printable ASCII percent-encoded, for error messages and logs.
    static QString printable(const QString& text);
};

} // namespace lensdock
