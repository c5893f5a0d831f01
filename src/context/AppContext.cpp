#include "context/AppContext.h"

#include <QCommandLineParser>

namespace lensdock {

namespace {
QCommandLineOption portOption() {
    return QCommandLineOption(QStringLiteral("port"),
                              QStringLiteral("Use the serial device PATH instead of searching for the dock."),
                              QStringLiteral("PATH"));
}

std::shared_ptr<SerialPortProvider> providerFor(const AppOptions& options) {
    if (options.portProvider)
        return options.portProvider;
    auto system = std::make_shared<QtSerialPortProvider>();
    system->setOverridePath(options.portOverride);
    return system;
}
} // namespace

void AppOptions::addCommandLineOptions(QCommandLineParser& parser) {
    parser.addOption(portOption());
    parser.addOption(DownloadHost::commandLineOption());
}

std::optional<AppOptions> AppOptions::fromCommandLine(const QCommandLineParser& parser, QString* error) {
    AppOptions options;
    options.portOverride = parser.value(portOption());
    const auto choice = DownloadHostSetting::choose(DownloadHostSetting::fromSystem(parser), error);
    if (!choice)
        return std::nullopt;
    options.downloadHost = choice->host;
    options.downloadHostSource = choice->source;
    return options;
}

AppContext::AppContext(AppOptions options)
    : options_(std::move(options)), portProvider_(providerFor(options_)) {
    channel_ = std::make_unique<SerialChannel>(portProvider_, options_.watchdogTick);
    connectionThread_ =
        std::make_unique<ConnectionThread>(*channel_, currentAdjustData_, lensInfo_, options_.threadTick);
    networkInterface_ = std::make_unique<NetworkInterface>(options_.downloadHost, options_.networkLimits);
}

AppContext::~AppContext() {
    // The loop ends first, as it uses the channel; the channel goes next, which ends its callbacks
    // into the thread object; the thread object goes last.
    connectionThread_->stop();
    channel_.reset();
    connectionThread_.reset();
}

void AppContext::setConnectedLens(const LensInfo& lens) {
    lensInfo_.set(lens);
    defaultAdjustData_.set(LensAdjustData::factorySettings(lens));
}

} // namespace lensdock
