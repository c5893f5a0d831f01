#include "StartupWatch.h"

#include "ui/AppShell.h"

#include <cstdio>
#include <QEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace lensdock {

StartupWatch::StartupWatch(QWidget& window, AppShell& shell, Options options)
    : window_(window), shell_(shell), options_(std::move(options)) {
    clock_.start();
    if (options_.printMarks)
        window_.installEventFilter(this);
    connect(&shell_, &AppShell::connectedChanged, this, [this](bool connected) {
        if (connected && !connectedOnce_) {
            connectedOnce_ = true;
            lensScreenShown();
        }
    });
    if (!options_.screenshotPath.isEmpty()) {
        bound_.setSingleShot(true);
        connect(&bound_, &QTimer::timeout, this, &StartupWatch::giveUp);
        bound_.start(options_.bound);
    }
}

bool StartupWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        mark("window-shown");
    }
    return QObject::eventFilter(watched, event);
}

void StartupWatch::lensScreenShown() {
    mark("lens-screen");
    if (!options_.screenshotPath.isEmpty())
        QTimer::singleShot(options_.settleTime, this, &StartupWatch::takeScreenshot);
}

void StartupWatch::takeScreenshot() {
    bound_.stop();
    // The whole screen shows the alerts on top of the window too; the offscreen platform has no
    // screen worth grabbing, so there the window alone.
    QPixmap picture;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && QGuiApplication::platformName() != QLatin1String("offscreen"))
        picture = screen->grabWindow(0);
    if (picture.isNull())
        picture = window_.grab();
    taken_ = picture.save(options_.screenshotPath, "PNG");
    std::fprintf(stderr, "lensdock: %s %s\n", taken_ ? "wrote" : "could not write",
                 qPrintable(options_.screenshotPath));
    shell_.quit();
}

void StartupWatch::giveUp() {
    std::fprintf(stderr, "lensdock: the lens screen did not appear within %lld ms\n",
                 static_cast<long long>(options_.bound.count()));
    shell_.quit();
}

void StartupWatch::mark(const char* what) const {
    if (options_.printMarks)
        std::fprintf(stderr, "lensdock: mark %s %lld ms\n", what, static_cast<long long>(clock_.elapsed()));
}

} // namespace lensdock
