#include "online/DownloadHostSetting.h"

#include <QCommandLineParser>
#include <QSettings>

namespace lensdock {

namespace {

const QString organisation = QStringLiteral("lensdock");
const QString settingsName = QStringLiteral("lensdock");

std::optional<QString> unlessEmpty(const QString& value) {
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

QString storedUrl() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation, settingsName);
    return settings.value(DownloadHostSetting::settingsKey).toString();
}

std::optional<DownloadHostChoice> chosen(const QString& url, DownloadHostSource source, QString* error) {
    QString reason;
    const auto host = DownloadHost::fromUrl(url, &reason);
    if (!host) {
        if (error)
            *error =
                QStringLiteral("%1 (set in the %2)").arg(reason, DownloadHostSetting::sourceName(source));
        return std::nullopt;
    }
    return DownloadHostChoice{*host, source};
}

} // namespace

QString DownloadHostSetting::sourceName(DownloadHostSource source) {
    switch (source) {
    case DownloadHostSource::commandLine:
        return QStringLiteral("command line");
    case DownloadHostSource::settingsFile:
        return QStringLiteral("settings file %1").arg(settingsFilePath());
    case DownloadHostSource::environment:
        return QStringLiteral("environment variable %1").arg(environmentVariable);
    case DownloadHostSource::demo:
        return QStringLiteral("demo's own stand-in host");
    case DownloadHostSource::builtIn:
        break;
    }
    return QStringLiteral("built-in default");
}

std::optional<DownloadHostChoice> DownloadHostSetting::choose(const Candidates& candidates, QString* error) {
    if (candidates.commandLine)
        return chosen(*candidates.commandLine, DownloadHostSource::commandLine, error);
    if (candidates.settingsFile)
        return chosen(*candidates.settingsFile, DownloadHostSource::settingsFile, error);
    if (candidates.environment)
        return chosen(*candidates.environment, DownloadHostSource::environment, error);
    return chosen(DownloadHost::builtInUrl(), DownloadHostSource::builtIn, error);
}

DownloadHostSetting::Candidates DownloadHostSetting::fromSystem(const QCommandLineParser& parser) {
    Candidates candidates;
    const QString option = DownloadHost::commandLineOption().names().constFirst();
    if (parser.isSet(option))
        candidates.commandLine = parser.value(option);
    candidates.settingsFile = unlessEmpty(storedUrl());
    candidates.environment = unlessEmpty(qEnvironmentVariable(qPrintable(environmentVariable)));
    return candidates;
}

QString DownloadHostSetting::settingsFilePath() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation, settingsName);
    return settings.fileName();
}

} // namespace lensdock
