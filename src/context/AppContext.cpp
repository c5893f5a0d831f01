#include "context/AppContext.h"

#include <QCommandLineParser>

namespace lensdock {

namespace {
QCommandLineOption portOption() {
    return QCommandLineOption(
        QStringLiteral("port"),
        QStringLiteral("Use the serial device PATH instead of searching for the adapter."),
        QStringLiteral("PATH"));
}
} // namespace

void AppOptions::addCommandLineOptions(QCommandLineParser& parser) {
    parser.addOption(portOption());
    parser.addOption(DownloadHost::commandLineOption());
}

std::optional<AppOptions> AppOptions::fromCommandLine(const QCommandLineParser& parser, QString* error) {
    AppOptions options;
    options.portOverride = parser.value(portOption());
    const auto host = DownloadHost::fromCommandLine(parser, error);
    if (!host)
        return std::nullopt;
    options.downloadHost = *host;
    return options;
}

AppContext::AppContext(AppOptions options)
    : options_(std::move(options)), portProvider_(std::make_shared<QtSerialPortProvider>()) {
    portProvider_->setOverridePath(options_.portOverride);
    usbSerial_ = std::make_unique<UsbSerialInterface>(portProvider_, options_.watchdogTick);
    usbSerialThread_ =
        std::make_unique<UsbSerialThread>(*usbSerial_, currentAdjustData_, lensInfo_, options_.threadTick);
    networkInterface_ = std::make_unique<NetworkInterface>(options_.downloadHost, options_.networkLimits);
}

AppContext::~AppContext() {
    // The loop ends first, as it uses the channel; the channel goes next, which ends its callbacks
    // into the thread object; the thread object goes last.
    usbSerialThread_->stop();
    usbSerial_.reset();
    usbSerialThread_.reset();
}

void AppContext::setConnectedLens(const LensInfo& lens) {
    lensInfo_.set(lens);
    defaultAdjustData_.set(LensAdjustData::factorySettings(lens));
}

} // namespace lensdock
