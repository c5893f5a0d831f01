// Renders the main screens offscreen to PNG files for the documentation, and the application icon:
//   QT_QPA_PLATFORM=offscreen lensdock-screenshots OUTPUT_FOLDER [LANGUAGE]
#include "context/AppContext.h"
#include "online/FileIO.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/lens/ViewController.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

using namespace lensdock;

namespace {
bool save(QWidget& widget, const QString& path) {
    widget.ensurePolished();
    widget.adjustSize();
    const bool saved = widget.grab().save(path, "PNG");
    qInfo("%s %s", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        qCritical("usage: lensdock-screenshots OUTPUT_FOLDER [LANGUAGE]");
        return 2;
    }
    const QString folder = arguments.at(1);
    const QString language = arguments.value(2, QStringLiteral("en"));
    Translations::install(app, QLocale(language));
    QDir().mkpath(folder);
    const QString suffix = language == QStringLiteral("en") ? QString() : QLatin1Char('-') + language;

    // No dock: the connect screen shows its instructions; alerts are answered without being shown.
    QTemporaryDir scratch;
    AppOptions options;
    options.portOverride = scratch.filePath(QStringLiteral("no-dock"));
    AppContext context(options);
    AppShell::Options shellOptions;
    shellOptions.alertPresenter = [](DialogId, const QString&) { return DialogResponse::yes; };
    shellOptions.endProcess = [](int) {};
    AppShell shell(context, shellOptions);
    MainWindow::Options windowOptions;
    windowOptions.connect.libraryFolder = scratch.path();
    MainWindow window(shell, windowOptions);
    window.resize(640, 520);
    bool ok = save(window, folder + QStringLiteral("/connect-screen") + suffix + QStringLiteral(".png"));

    // A zoom lens as the connect screen leaves it: identified, catalogue read, factory settings.
    LensInfo lens;
    lens.modelCode = QStringLiteral("A036");
    lens.firmwareVersion = QStringLiteral("0105");
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    lens.focusLimitDefaultSecondNear = 2;
    lens.focusLimitDefaultSecondFar = 7;
    lens.zoomFocalLengths = {28, 35, 50, 70, 100, 135, 200, 300};
    context.setConnectedLens(lens);
    LensModelInfo catalogue = context.lensModelInfo().get();
    catalogue.lensName = QStringLiteral("28-300mm Zoom");
    context.lensModelInfo().set(catalogue);
    context.currentAdjustData().set(context.defaultAdjustData().get());
    LensScreenOptions lensOptions;
    lensOptions.libraryFolder = scratch.path();
    ViewController lensScreen(shell, lensOptions);
    lensScreen.show(); // the tabs fill their controls when shown
    QApplication::processEvents();
    ok = save(lensScreen, folder + QStringLiteral("/lens-screen") + suffix + QStringLiteral(".png")) && ok;

    UpdateWindow update(context, UpdateJobTimings(), FileIO(scratch.path()));
    update.changePhase(QStringLiteral("updateStateSending"));
    update.setProgress(62.5);
    ok = save(update, folder + QStringLiteral("/update-window") + suffix + QStringLiteral(".png")) && ok;
    ok = BuiltInPictures::appIcon(256).save(folder + QStringLiteral("/lensdock.png"), "PNG") && ok;
    return ok ? 0 : 1;
}
