#include "adjust/AdjustDataFile.h"

#include "base/Logger.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

namespace lensdock {

namespace {
constexpr int focusListLength = 8;
constexpr int dateElement = 1;
constexpr int modelElement = 2;
constexpr int firmwareElement = 3;
constexpr int firstFocusElement = 4;
constexpr int fullTimeManualEnableElement = 28;
constexpr int firstScalarElement = 29;
constexpr int codeLength = 4;

QString focusElements(const LensAdjustData& data, const LensInfo& lens) {
    QStringList parts;
    const LensAdjustData::FocusList* lists[] = {&data.focusZoomClose, &data.focusZoomCenter,
                                                &data.focusZoomInfinite};
    for (int k = 0; k < 3; ++k) {
        const bool used = lens.supportsFocusZoom && lens.focusPointCount >= k + 1;
        const int zooms = !used ? 0 : (lens.zoomCount >= 8 ? 8 : lens.zoomCount);
        for (int i = 0; i < focusListLength; ++i)
            parts << (i < zooms ? QString::number((*lists[k])[i]) : QStringLiteral("0"));
    }
    return parts.join(QLatin1Char(',')) + QLatin1Char(',');
}

QString fullTimeManualElements(const LensAdjustData& data, const LensInfo& lens) {
    if (lens.supportsFullTimeManual && data.isFullTimeManualEnable)
        return QStringLiteral("1,%1,").arg(data.fullTimeManual);
    return QStringLiteral("0,0,");
}

QString limiterElements(const LensAdjustData& data, const LensInfo& lens) {
    if (!lens.supportsFocusLimit || lens.focusLimitCount < 1)
        return QStringLiteral("0,0,0,0,0,0,");
    QString text = QStringLiteral("%1,%2,%3,")
                       .arg(data.focusLimitFirstNear)
                       .arg(data.focusLimitFirstFar)
                       .arg(data.focusLimitFirstMode);
    if (lens.focusLimitCount >= 2)
        return text + QStringLiteral("%1,%2,%3,")
                          .arg(data.focusLimitSecondNear)
                          .arg(data.focusLimitSecondFar)
                          .arg(data.focusLimitSecondMode);
    return text + QStringLiteral("0,0,0,");
}

int characterCount(const QString& text) {
    return static_cast<int>(text.toUcs4().size());
}

// A whole decimal integer: an optional sign, then ASCII digits only, within 64 bits.
std::optional<std::int64_t> parseInteger(const QString& element) {
    const qsizetype digitsFrom =
        (element.startsWith(QLatin1Char('+')) || element.startsWith(QLatin1Char('-'))) ? 1 : 0;
    if (element.size() == digitsFrom)
        return std::nullopt;
    for (qsizetype i = digitsFrom; i < element.size(); ++i) {
        if (element[i] < QLatin1Char('0') || element[i] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = element.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool parseSettings(const QStringList& elements, LensAdjustData& data) {
    LensAdjustData::FocusList* lists[] = {&data.focusZoomClose, &data.focusZoomCenter,
                                          &data.focusZoomInfinite};
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < focusListLength; ++i) {
            const auto value = parseInteger(elements[firstFocusElement + focusListLength * k + i]);
            if (!value)
                return false;
            (*lists[k])[i] = *value;
        }
    }
    const QString& enable = elements[fullTimeManualEnableElement];
    if (enable != QStringLiteral("1") && enable != QStringLiteral("0"))
        return false;
    data.isFullTimeManualEnable = enable == QStringLiteral("1");
    std::int64_t* scalars[] = {&data.fullTimeManual,       &data.focusLimitFirstNear,
                               &data.focusLimitFirstFar,   &data.focusLimitFirstMode,
                               &data.focusLimitSecondNear, &data.focusLimitSecondFar,
                               &data.focusLimitSecondMode, &data.vcMode};
    for (int i = 0; i < 8; ++i) {
        const auto value = parseInteger(elements[firstScalarElement + i]);
        if (!value)
            return false;
        *scalars[i] = *value;
    }
    return true;
}

AdjustDataFile::LoadOutcome loadFailure(AdjustFileLoadResult result, std::optional<QString> error = {}) {
    AdjustDataFile::LoadOutcome outcome;
    outcome.result = result;
    outcome.error = std::move(error);
    return outcome;
}

std::optional<QString> readText(const QString& path, AdjustDataFile::LoadOutcome& failure) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failure = loadFailure(AdjustFileLoadResult::osError, file.errorString());
        return std::nullopt;
    }
    // Read at most one byte past the bound, so that neither a huge file nor an endless device is read whole.
    const QByteArray bytes = file.read(AdjustDataFile::maxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        failure = loadFailure(AdjustFileLoadResult::osError, file.errorString());
        return std::nullopt;
    }
    if (bytes.size() > AdjustDataFile::maxFileSize) {
        Logger::plain(
            QStringLiteral("[Load Data] Size Error : more than %1 bytes").arg(AdjustDataFile::maxFileSize));
        failure = loadFailure(AdjustFileLoadResult::formatError);
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        failure = loadFailure(AdjustFileLoadResult::osError, QStringLiteral("The file is not UTF-8 text."));
        return std::nullopt;
    }
    return text;
}

void takeFactoryWhereEmpty(LensAdjustData& loaded, const LensAdjustData& factory) {
    if (loaded.focusLimitFirstMode == 0) {
        loaded.focusLimitFirstNear = factory.focusLimitFirstNear;
        loaded.focusLimitFirstFar = factory.focusLimitFirstFar;
        loaded.focusLimitFirstMode = factory.focusLimitFirstMode;
    }
    if (loaded.focusLimitSecondMode == 0) {
        loaded.focusLimitSecondNear = factory.focusLimitSecondNear;
        loaded.focusLimitSecondFar = factory.focusLimitSecondFar;
        loaded.focusLimitSecondMode = factory.focusLimitSecondMode;
    }
    if (loaded.vcMode == 0)
        loaded.vcMode = factory.vcMode;
}
} // namespace

QString AdjustDataFile::formatLine(const LensAdjustData& data, const QString& date, const QString& modelCode,
                                   const QString& firmwareVersion, const LensInfo& lens) {
    QString line = QString::fromLatin1(LensAdjustData::identifier) + QLatin1Char(',') + date +
                   QLatin1Char(',') + modelCode + QLatin1Char(',') + firmwareVersion + QLatin1Char(',');
    line += focusElements(data, lens);
    line += fullTimeManualElements(data, lens);
    line += limiterElements(data, lens);
    line += lens.supportsVcMode ? QString::number(data.vcMode) : QStringLiteral("0");
    return line;
}

AdjustDataFile::SaveOutcome AdjustDataFile::saveFile(const LensAdjustData& data, const QString& path,
                                                     const QString& modelCode, const QString& firmwareVersion,
                                                     const LensInfo& lens) {
    data.dumpData();
    const QString date =
        QLocale().toString(QDateTime::currentDateTime(), QString::fromLatin1(LensAdjustData::dateFormatStr));
    if (modelCode.toUtf8().size() != codeLength || firmwareVersion.toUtf8().size() != codeLength)
        return {};
    const QByteArray bytes = formatLine(data, date, modelCode, firmwareVersion, lens).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    Logger::plain(QStringLiteral("[Save Data] Length = %1").arg(bytes.size()));
    return {true, std::nullopt};
}

AdjustDataFile::LoadOutcome AdjustDataFile::loadFile(const QString& path, LensAdjustData& data) {
    LoadOutcome failure;
    const auto text = readText(path, failure);
    if (!text)
        return failure;
    Logger::plain(QStringLiteral("[Load Data] Length = %1").arg(text->toUtf8().size()));
    const QStringList elements = text->split(QLatin1Char(','));
    if (elements.size() != LensAdjustData::fileDataCount) {
        Logger::plain(QStringLiteral("[Load Data] Element Error : %1").arg(elements.size()));
        return loadFailure(AdjustFileLoadResult::formatError);
    }
    if (characterCount(elements[dateElement]) != static_cast<int>(qstrlen(LensAdjustData::dateFormatStr))) {
        Logger::plain(QStringLiteral("[Load Data] Date Error : ") + elements[dateElement]);
        return loadFailure(AdjustFileLoadResult::formatError);
    }
    LoadOutcome outcome;
    outcome.modelCode = elements[modelElement];
    outcome.firmwareVersion = elements[firmwareElement];
    outcome.result = AdjustFileLoadResult::formatError;
    if (characterCount(elements[firmwareElement]) != codeLength)
        return outcome;
    const QString identifier = QString::fromLatin1(LensAdjustData::identifier);
    if (elements[0] != identifier) {
        Logger::plain(QStringLiteral("[Load Data] Identifier Error ") + identifier + QStringLiteral(" : ") +
                      elements[0]);
        return outcome;
    }
    outcome.result = AdjustFileLoadResult::valueError;
    if (!parseSettings(elements, data))
        return outcome;
    data.dumpData();
    outcome.result = AdjustFileLoadResult::success;
    return outcome;
}

AdjustDataFile::OpenOutcome AdjustDataFile::openIntoEditor(const QString& path, const LensInfo& lens,
                                                           const LensAdjustData& factory,
                                                           LensAdjustData& current) {
    if (!hasExtension(path))
        return {AdjustFileOpenResult::formatError, std::nullopt};
    LensAdjustData loaded;
    const LoadOutcome load = loadFile(path, loaded);
    if (load.result != AdjustFileLoadResult::success)
        return openOutcomeOf(load);
    if (load.modelCode != lens.modelCode)
        return {AdjustFileOpenResult::modelMismatch, std::nullopt};
    takeFactoryWhereEmpty(loaded, factory);
    loaded.correctSettings(lens);
    current.copySettings(loaded);
    return {AdjustFileOpenResult::success, std::nullopt};
}

AdjustDataFile::OpenOutcome AdjustDataFile::openOutcomeOf(const LoadOutcome& load) {
    switch (load.result) {
    case AdjustFileLoadResult::osError:
        return {AdjustFileOpenResult::osError, load.error};
    case AdjustFileLoadResult::formatError:
        return {AdjustFileOpenResult::formatError, std::nullopt};
    case AdjustFileLoadResult::valueError:
        return {AdjustFileOpenResult::valueError, std::nullopt};
    case AdjustFileLoadResult::success:
        break;
    }
    return {AdjustFileOpenResult::success, std::nullopt};
}

QString AdjustDataFile::withExtension(const QString& path) {
    return hasExtension(path) ? path : path + QLatin1Char('.') + QLatin1String(extension);
}

bool AdjustDataFile::hasExtension(const QString& path) {
    return QFileInfo(path).suffix() == QLatin1String(extension);
}

} // namespace lensdock
