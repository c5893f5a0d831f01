#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/MainWindow.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

using namespace lensdock;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lensdock"));
    QApplication::setApplicationVersion(QStringLiteral(LENSDOCK_VERSION));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(BuiltInPictures::appIcon(256))));
    // The program ends through the connection thread's termination, not when the last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(app);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    AppOptions::addCommandLineOptions(parser);
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
