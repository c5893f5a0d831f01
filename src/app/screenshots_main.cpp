// Renders the main screens offscreen to PNG files for the documentation, and the application icon:
//   QT_QPA_PLATFORM=offscreen lensdock-screenshots OUTPUT_FOLDER [LANGUAGE]
// The lens screen and the update window show the demo's lens, reached the way the program reaches it.
#include "context/AppContext.h"
#include "DemoSession.h"
#include "DisplayCheck.h"
#include "online/FileIO.h"
#include "session/SettingsLibrary.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/lens/LensScreen.h"
#include "ui/lens/SettingsLibraryDialog.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <cstdio>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

using namespace lensdock;

namespace {
constexpr int connectBoundMs = 30000;
const QSize windowSize(640, 520);

// Lets the window settle: layouts, the tabs filling their controls.
void settle() {
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

bool save(QWidget& widget, const QString& path) {
    widget.ensurePolished();
    // The size the widget asks for, as the program gives its window; adjustSize would cut it to a
    // share of the offscreen platform's small screen.
    for (int level = 0; level < 12; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    widget.resize(widget.sizeHint().expandedTo(widget.minimumSizeHint()));
    settle();
    const bool saved = widget.grab().save(path, "PNG");
    qInfo("%s %s", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// Alerts are answered without being shown; the lens update offered at first sight is declined.
AppShell::Options quietShell() {
    AppShell::Options options;
    options.alertPresenter = [](DialogId, const QString&) { return DialogResponse::no; };
    options.endProcess = [](int) {};
    return options;
}

// No dock: the connect screen shows its instructions.
bool renderConnectScreen(const QString& path) {
    QTemporaryDir scratch;
    AppOptions options;
    options.portOverride = scratch.filePath(QStringLiteral("no-dock"));
    AppContext context(options);
    AppShell shell(context, quietShell());
    MainWindow::Options windowOptions;
    windowOptions.connect.libraryFolder = scratch.path();
    MainWindow window(shell, windowOptions);
    window.resize(windowSize);
    return save(window, path);
}

bool lensScreenIsIdle(AppShell& shell, AppContext& context) {
    ConnectionThread& thread = context.connectionThread();
    return shell.connected() && thread.appState() == ApplicationState::lensConnected &&
           thread.appNewState() == ApplicationState::lensConnected;
}

bool waitForTheLensScreen(AppShell& shell, AppContext& context) {
    const QDeadlineTimer deadline(connectBoundMs);
    while (!lensScreenIsIdle(shell, context) && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    settle();
    return lensScreenIsIdle(shell, context);
}

// Two profiles, one per camera body, and a backup of the demo lens, as the library window lists them.
bool renderLibrary(MainWindow& window, AppContext& context, const QString& libraryFolder,
                   const QString& path) {
    auto* screen = qobject_cast<LensScreen*>(window.content());
    if (!screen)
        return false;
    const LensInfo lens = context.lensInfo().get();
    const SettingsLibrary library{FileIO(libraryFolder)};
    LensAdjustData studio = context.currentAdjustData().get();
    studio.focusZoomClose[0] = 3;
    LensAdjustData travel = studio;
    travel.focusZoomInfinite[2] = -2;
    const bool made = library.backUp(context.currentAdjustData().get(), lens, BackupReason::apply, nullptr) &&
                      library.saveProfile(QStringLiteral("Body A (studio)"), studio, lens, nullptr) &&
                      library.saveProfile(QStringLiteral("Body B (travel)"), travel, lens, nullptr);
    screen->showLibrary();
    SettingsLibraryDialog* dialog = screen->libraryDialog();
    if (!made || !dialog)
        return false;
    dialog->table()->selectRow(0);
    settle();
    const bool saved = save(*dialog, path);
    dialog->close();
    return saved;
}

// The demo's lens on the lens screen, one picture per tab, then the update window half way.
bool renderDemoLens(const QString& folder, const QString& suffix) {
    DemoSession demo; // outlives the context, whose thread uses its port
    QString error;
    if (!demo.start(&error)) {
        qCritical("demo: %s", qPrintable(error));
        return false;
    }
    AppContext context(demo.appOptions(AppOptions()));
    AppShell shell(context, quietShell());
    MainWindow::Options windowOptions;
    windowOptions.fadeDuration = std::chrono::milliseconds(0);
    windowOptions.connect.libraryFolder = windowOptions.lens.libraryFolder = demo.libraryFolder();
    MainWindow window(shell, windowOptions);
    window.resize(windowSize);
    window.show();
    if (!waitForTheLensScreen(shell, context)) {
        qCritical("the demo lens did not reach the lens screen");
        return false;
    }
    bool ok = true;
    const char* tabs[] = {"focus-adjustment", "focus-limiter", "miscellaneous"};
    for (int tab = 0; tab < 3; ++tab) {
        tab == 0   ? window.showFocusAdjustment()
        : tab == 1 ? window.showFocusLimiter()
                   : window.showMiscellaneous();
        settle();
        ok = save(window,
                  folder + QStringLiteral("/lens-screen-%1%2.png").arg(QLatin1String(tabs[tab]), suffix)) &&
             ok;
    }
    ok = renderLibrary(window, context, demo.libraryFolder(),
                       folder + QStringLiteral("/profiles-and-backups") + suffix + QStringLiteral(".png")) &&
         ok;
    UpdateWindow update(context, UpdateJobTimings(), FileIO(demo.libraryFolder()));
    update.changePhase(QStringLiteral("updateStateSending"));
    update.setProgress(62.5);
    ok = save(update, folder + QStringLiteral("/update-window") + suffix + QStringLiteral(".png")) && ok;
    return ok;
}
} // namespace

int main(int argc, char* argv[]) {
    if (!displayPlatformAvailable(argc, argv)) {
        std::fprintf(stderr, "%s\n", noDisplayMessage("lensdock-screenshots").c_str());
        return 1;
    }
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

    bool ok =
        renderConnectScreen(folder + QStringLiteral("/connect-screen") + suffix + QStringLiteral(".png"));
    ok = renderDemoLens(folder, suffix) && ok;
    ok = BuiltInPictures::appIcon(256).save(folder + QStringLiteral("/lensdock.png"), "PNG") && ok;
    return ok ? 0 : 1;
}
