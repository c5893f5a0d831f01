#include "online/ModelInfoParser.h"

#include "base/Logger.h"

#include <functional>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

namespace lensdock {

namespace {

// Calls `onPiece(elementName, text)` for every piece of character data; returns the XML error.
std::optional<QString> readPieces(const QByteArray& xml,
                                  const std::function<void(const QString&, const QString&)>& onPiece) {
    QXmlStreamReader reader(xml);
    QString elementName;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            elementName = reader.name().toString();
        else if (token == QXmlStreamReader::Characters)
            onPiece(elementName, reader.text().toString());
    }
    if (reader.hasError())
        return reader.errorString() + QStringLiteral(" (line %1)").arg(reader.lineNumber());
    return std::nullopt;
}

void assignInteger(int& field, const QString& text) {
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    if (!decimal.match(text).hasMatch())
        return;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok)
        field = value;
}

bool isTrue(const QString& text) {
    return text == QLatin1String("true");
}

void logInvalidElement(const ModelInfoParseOptions& options, const QString& expected, const QString& found) {
    Logger::trace(options.logTag, QStringLiteral("[XML] Invalid element %1 : %2").arg(expected, found));
}

template <typename Record>
ModelInfoParseResult<Record> finish(ModelInfoParseResult<Record> result,
                                    const ModelInfoParseOptions& options) {
    if (result.xmlError && !result.record)
        Logger::trace(options.logTag, QStringLiteral("[XML] ") + *result.xmlError);
    return result;
}

} // namespace

ModelInfoParseResult<LensModelInfo>
ModelInfoParser::parseLensModelsInfo(const QByteArray& xml, const LensModelInfo& current,
                                     const ModelInfoParseOptions& options) {
    ModelInfoParseResult<LensModelInfo> result;
    result.xmlError = readPieces(xml, [&](const QString& element, const QString& text) {
        if (element != lensElement) {
            logInvalidElement(options, lensElement, element);
            return;
        }
        std::optional<LensModelInfo> record =
            lensRecordFrom(text, result.record.value_or(current), options.lensKind);
        if (record)
            result.record = std::move(record);
        else if (options.logFormatError)
            Logger::trace(options.logTag, QStringLiteral("[XML] Lens Model Info Format Error"));
    });
    return finish(std::move(result), options);
}

ModelInfoParseResult<AdapterModelInfo>
ModelInfoParser::parseAdapterModelsInfo(const QByteArray& xml, const AdapterModelInfo& current,
                                        const ModelInfoParseOptions& options) {
    ModelInfoParseResult<AdapterModelInfo> result;
    result.xmlError = readPieces(xml, [&](const QString& element, const QString& text) {
        if (element != adapterElement) {
            logInvalidElement(options, adapterElement, element);
            return;
        }
        if (std::optional<AdapterModelInfo> record = adapterRecordFrom(text, result.record.value_or(current)))
            result.record = std::move(record);
    });
    return finish(std::move(result), options);
}

std::optional<LensModelInfo> ModelInfoParser::lensRecordFrom(const QString& piece, LensModelInfo current,
                                                             int lensKind) {
    const QStringList f = piece.split(QLatin1Char(','));
    if (f.size() != lensFieldCount)
        return std::nullopt;
    current.infoDate = f[0];
    current.modelCode = f[1];
    current.lensName = lensNameFor(f[2], lensKind);
    current.latestVersion = f[3];
    current.supportsFocusZoom = isTrue(f[4]);
    current.supportsFullTimeManual = isTrue(f[5]);
    current.supportsFocusLimit = isTrue(f[6]);
    current.supportsVcMode = isTrue(f[7]);
    assignInteger(current.zoomCount, f[8]);
    assignInteger(current.focusPointCount, f[9]);
    for (int k = 0; k < static_cast<int>(current.zoomFocalLengths.size()); ++k)
        assignInteger(current.zoomFocalLengths[static_cast<size_t>(k)], f[10 + k]);
    assignInteger(current.focusAdjustMax, f[18]);
    assignInteger(current.focusAdjustMin, f[19]);
    assignInteger(current.focusLimitCount, f[20]);
    assignInteger(current.focusLimitDivisions, f[21]);
    assignInteger(current.focusLimitDefaultFirstNear, f[22]);
    assignInteger(current.focusLimitDefaultFirstFar, f[23]);
    assignInteger(current.focusLimitDefaultSecondNear, f[24]);
    assignInteger(current.focusLimitDefaultSecondFar, f[25]);
    current.decodeKey = f[26];
    return current;
}

std::optional<AdapterModelInfo> ModelInfoParser::adapterRecordFrom(const QString& piece,
                                                                   AdapterModelInfo current) {
    const QStringList f = piece.split(QLatin1Char(','));
    if (f.size() != adapterFieldCount)
        return std::nullopt;
    current.infoDate = f[0];
    current.latestVersion = f[1];
    current.decodeKey = f[2];
    return current;
}

QString ModelInfoParser::lensNameFor(const QString& name, int lensKind) {
    switch (lensKind) {
    case 1:
        return name + QStringLiteral("\n  x1.4");
    case 2:
        return name + QStringLiteral("\n  x2");
    default:
        return name;
    }
}

} // namespace lensdock
