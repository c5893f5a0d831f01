#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"

#include <cstring>
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

using namespace lensdock;

namespace {
void describeApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("lensdock"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LENSDOCK_VERSION));
}

void addOptions(QCommandLineParser& parser) {
    parser.addHelpOption();
    parser.addVersionOption();
    AppOptions::addCommandLineOptions(parser);
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
} // namespace

int main(int argc, char* argv[]) {
    if (asksForTextOnly(argc, argv))
        return printTextOnly(argc, argv);
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
    const auto options = AppOptions::fromCommandLine(parser, &error);
    if (!options) {
        qCritical("lensdock: %s", qPrintable(error));
        return 2;
    }

    AppContext context(*options);
    AppShell shell(context, AppShell::Options());
    MainWindow window(shell, MainWindow::Options());
    window.show();
    return QApplication::exec();
}
