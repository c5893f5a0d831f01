#include "context/AppContext.h"
#include "DemoMenu.h"
#include "DemoSession.h"
#include "DisplayCheck.h"
#include "QuitOnSignal.h"
#include "StartupWatch.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

using namespace lensdock;

namespace {
QCommandLineOption hidden(QCommandLineOption option) {
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// For the benchmark: time marks on standard error.
QCommandLineOption timeMarksOption() {
    return hidden(QCommandLineOption(QStringLiteral("time-marks")));
}

// For the smoke test: a screenshot once the lens screen shows, then quit.
QCommandLineOption screenshotOption() {
    return hidden(
        QCommandLineOption(QStringLiteral("screenshot-when-connected"), QString(), QStringLiteral("FILE")));
}

void describeApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("lensdock"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LENSDOCK_VERSION));
}

void addOptions(QCommandLineParser& parser) {
    parser.addHelpOption();
    parser.addVersionOption();
    AppOptions::addCommandLineOptions(parser);
    parser.addOption(DemoSession::commandLineOption());
    parser.addOption(timeMarksOption());
    parser.addOption(screenshotOption());
}

// --help and --version print and end without needing a display.
bool asksForTextOnly(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

int printTextOnly(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    describeApplication();
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app); // prints and exits
    return 0;
}

// The options the command line asks for; with --demo, the demo session is started and supplies the
// port and the download host. Nothing, with the reason, when that cannot be done.
std::optional<AppOptions> readOptions(const QCommandLineParser& parser, std::unique_ptr<DemoSession>& demo,
                                      QString* error) {
    auto options = AppOptions::fromCommandLine(parser, error);
    if (!options || !parser.isSet(DemoSession::commandLineOption()))
        return options;
    if (parser.isSet(QStringLiteral("port")) || parser.isSet(QStringLiteral("download-url"))) {
        *error = QStringLiteral("--demo brings its own dock and download host: leave out --port and "
                                "--download-url");
        return std::nullopt;
    }
    demo = std::make_unique<DemoSession>();
    if (!demo->start(error))
        return std::nullopt;
    return demo->appOptions(*options);
}

MainWindow::Options windowOptions(const DemoSession* demo) {
    MainWindow::Options options;
    if (demo) {
        options.connect.libraryFolder = options.lens.libraryFolder = demo->libraryFolder();
        options.lens.libraryIsTemporary = true;
    }
    return options;
}

StartupWatch::Options watchOptions(const QCommandLineParser& parser) {
    StartupWatch::Options options;
    options.printMarks = parser.isSet(timeMarksOption());
    options.screenshotPath = parser.value(screenshotOption());
    return options;
}
} // namespace

int main(int argc, char* argv[]) {
    if (asksForTextOnly(argc, argv))
        return printTextOnly(argc, argv);
    if (!displayPlatformAvailable(argc, argv)) {
        std::fprintf(stderr, "%s\n", noDisplayMessage("lensdock").c_str());
        return 1;
    }
    QApplication app(argc, argv);
    describeApplication();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(BuiltInPictures::appIcon(256))));
    // The program ends through the connection thread's termination, not when the last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(app);

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    QString error;
    std::unique_ptr<DemoSession> demo; // outlives the context, whose thread uses its port
    const auto options = readOptions(parser, demo, &error);
    if (!options) {
        qCritical("lensdock: %s", qPrintable(error));
        return 2;
    }

    AppContext context(*options);
    AppShell shell(context, AppShell::Options());
    MainWindow window(shell, windowOptions(demo.get()));
    if (demo)
        DemoMenu::install(window, demo->dock());
    const QuitOnSignal interrupts([&shell] { shell.quit(); });
    const StartupWatch watch(window, shell, watchOptions(parser));
    window.show();
    const int code = QApplication::exec();
    return watch.failed() ? 1 : code;
}
