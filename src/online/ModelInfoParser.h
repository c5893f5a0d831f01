#pragma once

#include "online/AdapterModelInfo.h"
#include "online/LensModelInfo.h"

#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// How a screen wants a catalogue parse to report: its log tag, whether a lens record with the wrong
// field count is logged, and the connected lens's kind (which extends the display name).
struct ModelInfoParseOptions {
    QString logTag = QStringLiteral("Init");
    bool logFormatError = false;
    int lensKind = 0;
};

// The outcome of one catalogue document: the updated record when at least one piece of it held a
// valid record (the last one wins), and the XML error if the document was malformed.
template <typename Record> struct ModelInfoParseResult {
    std::optional<Record> record;
    std::optional<QString> xmlError;
};

// Reads the catalogue files of the download host. The XML is read as events; every piece of
// character data is checked on its own and attributed to the element started last, so whitespace
// between elements counts as a (refused) piece of that element. Entities are never fetched.
class ModelInfoParser {
public:
    static inline const QString lensElement = QStringLiteral("lensinfo");
    static inline const QString adapterElement = QStringLiteral("zoleninfo");
    static constexpr int lensFieldCount = 27;
    static constexpr int adapterFieldCount = 3;
    // Largest catalogue read from a local copy: real ones are a few kilobytes.
    static constexpr qint64 maxCatalogueBytes = 1024 * 1024;

    static ModelInfoParseResult<LensModelInfo> parseLensModelsInfo(const QByteArray& xml,
                                                                   const LensModelInfo& current,
                                                                   const ModelInfoParseOptions& options);
    static ModelInfoParseResult<AdapterModelInfo>
    parseAdapterModelsInfo(const QByteArray& xml, const AdapterModelInfo& current,
                           const ModelInfoParseOptions& options);

    // One piece of "lensinfo" text: `current` with the 27 fields applied, or nothing for another
    // field count. An integer field that is not a decimal integer keeps its value.
    static std::optional<LensModelInfo> lensRecordFrom(const QString& piece, LensModelInfo current,
                                                       int lensKind);
    // One piece of "zoleninfo" text: `current` with the 3 fields applied, or nothing.
    static std::optional<AdapterModelInfo> adapterRecordFrom(const QString& piece, AdapterModelInfo current);

    // The display name of a lens of `lensKind`: teleconverter kinds 1 and 2 get a second line.
    static QString lensNameFor(const QString& name, int lensKind);
};

} // namespace lensdock
