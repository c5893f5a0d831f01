#include "CliOptions.h"

#include "CommandHelp.h"
#include "DemoSession.h"

#include <cmath>
#include <QCommandLineParser>

namespace lensdock::cli {

namespace {
// Longest accepted --wait: a day is far beyond any sensible wait and keeps the arithmetic safe.
constexpr double maxWaitSeconds = 86400.0;
constexpr qint64 maxTickMs = 60000;
constexpr int minDpi = 72;
constexpr int maxDpi = 1200;

void addOptions(QCommandLineParser& parser) {
    AppOptions::addCommandLineOptions(parser);
    parser.addOption(DemoSession::commandLineOption());
    parser.addOptions({
        {QStringLiteral("wait"), QStringLiteral("Seconds to wait for a lens."), QStringLiteral("SECONDS")},
        {QStringLiteral("json"), QStringLiteral("One JSON object on standard output.")},
        {QStringLiteral("yes"), QStringLiteral("Do not ask for confirmation.")},
        {QStringLiteral("verbose"), QStringLiteral("Diagnostic lines on standard error.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Help.")},
        {QStringLiteral("version"), QStringLiteral("Version.")},
        {QStringLiteral("output"), QStringLiteral("Output file."), QStringLiteral("FILE")},
        {QStringLiteral("dry-run"), QStringLiteral("Stop before writing.")},
        {QStringLiteral("keep-settings"), QStringLiteral("Put the lens's settings back after its update.")},
        {QStringLiteral("key"), QStringLiteral("Decode key."), QStringLiteral("HEX")},
        {QStringLiteral("for"), QStringLiteral("Lens model of an update kit."), QStringLiteral("MODEL")},
        {QStringLiteral("mount"), QStringLiteral("Mount of the kit's lenses."), QStringLiteral("MOUNT")},
        {QStringLiteral("paper"), QStringLiteral("Paper of the focus target."), QStringLiteral("PAPER")},
        {QStringLiteral("png"), QStringLiteral("The focus target as PNG."), QStringLiteral("FILE")},
        {QStringLiteral("dpi"), QStringLiteral("Resolution of that PNG."), QStringLiteral("N")},
    });
    QCommandLineOption targetJson(QStringLiteral("target-json"), QString(), QStringLiteral("FILE"));
    targetJson.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(targetJson);
    for (const char* name : {"thread-tick-ms", "watchdog-tick-ms", "network-timeout-ms", "reset-wait-ms"}) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("MS"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

Failure usage(const QString& message) {
    return {ExitCode::usage, message};
}

bool readMilliseconds(const QCommandLineParser& parser, const QString& name,
                      std::chrono::milliseconds& target, Failure* failure) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < 1 || value > maxTickMs) {
        *failure = usage(QStringLiteral("--%1 needs a whole number of milliseconds from 1 to %2")
                             .arg(name)
                             .arg(maxTickMs));
        return false;
    }
    target = std::chrono::milliseconds(value);
    return true;
}

bool readTiming(const QCommandLineParser& parser, CliOptions& options, Failure* failure) {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    auto threadTick = duration_cast<milliseconds>(options.app.threadTick);
    auto watchdogTick = duration_cast<milliseconds>(options.app.watchdogTick);
    milliseconds resetWait{0};
    if (!readMilliseconds(parser, QStringLiteral("thread-tick-ms"), threadTick, failure) ||
        !readMilliseconds(parser, QStringLiteral("watchdog-tick-ms"), watchdogTick, failure) ||
        !readMilliseconds(parser, QStringLiteral("network-timeout-ms"),
                          options.app.networkLimits.requestTimeout, failure) ||
        !readMilliseconds(parser, QStringLiteral("reset-wait-ms"), resetWait, failure))
        return false;
    options.app.threadTick = threadTick;
    options.app.watchdogTick = watchdogTick;
    if (parser.isSet(QStringLiteral("reset-wait-ms")))
        options.resetWait = resetWait;
    return true;
}

bool readWait(const QCommandLineParser& parser, CliOptions& options, Failure* failure) {
    if (!parser.isSet(QStringLiteral("wait")))
        return true;
    bool ok = false;
    const double seconds = parser.value(QStringLiteral("wait")).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > maxWaitSeconds) {
        *failure = usage(QStringLiteral("--wait needs a number of seconds from 0 to %1").arg(maxWaitSeconds));
        return false;
    }
    options.lensWait = std::chrono::milliseconds(std::llround(seconds * 1000.0));
    return true;
}

void readFlags(const QCommandLineParser& parser, CliOptions& options) {
    options.json = parser.isSet(QStringLiteral("json"));
    options.yes = parser.isSet(QStringLiteral("yes"));
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.keepSettings = parser.isSet(QStringLiteral("keep-settings"));
    options.demo = parser.isSet(QStringLiteral("demo"));
    options.output = parser.value(QStringLiteral("output"));
    options.key = parser.value(QStringLiteral("key"));
    options.kitModels = parser.values(QStringLiteral("for"));
    options.kitMount = parser.value(QStringLiteral("mount"));
    options.paper = parser.value(QStringLiteral("paper"));
    options.pngPath = parser.value(QStringLiteral("png"));
    options.targetJson = parser.value(QStringLiteral("target-json"));
}

bool readDpi(const QCommandLineParser& parser, CliOptions& options, Failure* failure) {
    if (!parser.isSet(QStringLiteral("dpi")))
        return true;
    bool ok = false;
    const int dpi = parser.value(QStringLiteral("dpi")).toInt(&ok);
    if (!ok || dpi < minDpi || dpi > maxDpi) {
        *failure = usage(QStringLiteral("--dpi needs a whole number from %1 to %2").arg(minDpi).arg(maxDpi));
        return false;
    }
    options.dpi = dpi;
    return true;
}

// "calibrate target ... --json FILE" names the file for the target's geometry, while --json alone
// (followed by nothing or another option) stays the switch for JSON output.
QStringList separateTargetJson(QStringList arguments) {
    const qsizetype calibrate = arguments.indexOf(QStringLiteral("calibrate"));
    if (calibrate < 0 || arguments.value(calibrate + 1) != QStringLiteral("target"))
        return arguments;
    for (qsizetype i = calibrate + 2; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QStringLiteral("--json") && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
            arguments[i] = QStringLiteral("--target-json");
            ++i;
        }
    return arguments;
}

// "help COMMAND" is the same as "COMMAND --help".
void takeCommand(const QStringList& positional, CliOptions& options) {
    QStringList rest = positional;
    if (!rest.isEmpty() && rest.first() == QStringLiteral("help")) {
        options.help = true;
        rest.removeFirst();
    }
    if (!rest.isEmpty())
        options.command = rest.takeFirst();
    options.arguments = rest;
}
} // namespace

std::optional<CliOptions> parseCommandLine(const QStringList& arguments, Failure* failure) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(parser);
    if (!parser.parse(separateTargetJson(arguments))) {
        *failure = usage(parser.errorText());
        return std::nullopt;
    }
    CliOptions options;
    QString error;
    const auto app = AppOptions::fromCommandLine(parser, &error);
    readFlags(parser, options);
    // Help and the version need no download host, so a broken setting does not hide them.
    if (!app && !options.help && !options.version) {
        *failure = usage(error);
        return std::nullopt;
    }
    if (app)
        options.app = *app;
    if (options.demo &&
        (parser.isSet(QStringLiteral("port")) || parser.isSet(QStringLiteral("download-url")))) {
        *failure = usage(QStringLiteral("--demo brings its own dock and download host: leave out --port and "
                                        "--download-url"));
        return std::nullopt;
    }
    takeCommand(parser.positionalArguments(), options);
    if (!readWait(parser, options, failure) || !readTiming(parser, options, failure) ||
        !readDpi(parser, options, failure))
        return std::nullopt;
    if (options.help || options.version)
        return options;
    if (const auto problem = CommandHelp::checkUsage(options)) {
        *failure = usage(*problem);
        return std::nullopt;
    }
    return options;
}

} // namespace lensdock::cli
