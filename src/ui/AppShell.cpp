#include "ui/AppShell.h"

#include "base/Logger.h"
#include "context/AppContext.h"
#include "ui/AboutPanel.h"

#include <QApplication>
#include <QDesktopServices>

namespace lensdock {

MenuTexts MenuTexts::load() {
    MenuTexts texts;
    //% "&File"
    texts.fileItem = qtTrId("menuFileItem");
    //% "&Open…"
    texts.open = qtTrId("menuOpen");
    //% "Save &As…"
    texts.saveAs = qtTrId("menuSaveAs");
    //% "Save as &Profile…"
    texts.saveProfile = qtTrId("menuSaveProfile");
    //% "Profiles and &Backups…"
    texts.library = qtTrId("menuLibrary");
    //% "&Restore Factory Settings"
    texts.factory = qtTrId("menuFactory");
    //% "Apply to &Lens"
    texts.apply = qtTrId("menuApply");
    //% "&Quit"
    texts.quit = qtTrId("menuAppItemQuit");
    //% "&View"
    texts.viewItem = qtTrId("menuViewItem");
    //% "Focus &Adjustment"
    texts.focusAdjustment = qtTrId("menuFocusAdjustment");
    //% "Focus &Limiter"
    texts.focusLimit = qtTrId("menuFocusLimit");
    //% "&Miscellaneous"
    texts.custom = qtTrId("menuCustom");
    //% "&Next Tab"
    texts.nextTab = qtTrId("menuNextTab");
    //% "&Previous Tab"
    texts.previousTab = qtTrId("menuPreviousTab");
    //% "&Help"
    texts.helpItem = qtTrId("menuHelpItem");
    //% "&About Lens Dock Utility"
    texts.helpAbout = qtTrId("menuHelpItemAbout");
    //% "&Download Page"
    texts.helpDownloadSite = qtTrId("menuHelpItemDownloadSite");
    //% "&Manual"
    texts.helpManual = qtTrId("menuHelpItemManual");
    //% "&User Information"
    texts.helpUserInformation = qtTrId("menuHelpItemUserInformation");
    return texts;
}

AppShell::AppShell(AppContext& context, Options options, QObject* parent)
    : QObject(parent), context_(context), options_(std::move(options)), menuTexts_(MenuTexts::load()),
      //% "https://download.lensdock.example/"
      downloadUrlText_(qtTrId("downloadUrl")),
      //% "https://download.lensdock.example/manual/"
      manualUrlText_(qtTrId("manualUrl")), alerts_(nullptr, options_.alertPresenter) {
    terminationTimer_.setSingleShot(true);
    connect(&terminationTimer_, &QTimer::timeout, this, [this] {
        Logger::error(QStringLiteral("Init"), QStringLiteral("Termination not reported; ending anyway"));
        endProcess(0);
    });
}

void AppShell::setConnected(bool value) {
    if (connected_ == value)
        return;
    connected_ = value;
    emit connectedChanged(value);
}

void AppShell::setWrite(bool value) {
    if (write_ == value)
        return;
    write_ = value;
    emit writeChanged(value);
}

void AppShell::setControl(bool value) {
    if (control_ == value)
        return;
    control_ = value;
    emit controlChanged(value);
}

void AppShell::raiseWrite() {
    setWrite(true);
    setWrite(false);
}

void AppShell::raiseControl() {
    setControl(true);
    setControl(false);
}

void AppShell::endProcess(int exitCode) {
    if (ended_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this, exitCode] {
            terminationTimer_.stop();
            if (options_.endProcess)
                options_.endProcess(exitCode);
            else
                QCoreApplication::exit(exitCode);
        },
        Qt::QueuedConnection);
}

bool AppShell::openUrl(const QUrl& url) const {
    if (!url.isValid() || url.isRelative())
        return false;
    return options_.openUrl ? options_.openUrl(url) : QDesktopServices::openUrl(url);
}

void AppShell::openHelpFile() {
    if (!openUrl(QUrl(manualUrlText_)))
        alerts_.tell(DialogId::openManualError, manualUrlText_);
}

void AppShell::openDownloadURL() {
    if (!openUrl(QUrl(downloadUrlText_)))
        Logger::error(QStringLiteral("Init"), QStringLiteral("Cannot open ") + downloadUrlText_);
}

void AppShell::aboutApplication() {
    if (QApplication::activeModalWidget())
        return;
    const QStringList folders =
        options_.documentFolders.isEmpty() ? AboutPanel::defaultDocumentFolders() : options_.documentFolders;
    AboutPanel panel(alerts_, folders, options_.openUrl, QApplication::activeWindow());
    panel.setDownloadHost(context_.options().downloadHost, context_.options().downloadHostSource);
    panel.setFirmwareVersions(context_.adapterBasicInfo().get().fwVersion,
                              connected_ ? context_.lensInfo().get().firmwareVersion : QString());
    panel.exec();
}

void AppShell::openUserInformation() {
    alerts_.tell(DialogId::infoUserInformation);
}

void AppShell::quit() {
    quitting_ = true;
    QApplication::closeAllWindows();
}

void AppShell::requestTermination() {
    context_.connectionThread().requestState(ApplicationState::terminating);
    // A thread that was never started cannot report; nothing is left to release.
    if (!context_.connectionThread().isRunning()) {
        endProcess(0);
        return;
    }
    terminationTimer_.start(options_.terminationBound);
}

} // namespace lensdock
