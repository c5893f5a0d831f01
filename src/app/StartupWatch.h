#pragma once

#include <chrono>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace lensdock {

class AppShell;

// Hidden aids for the demo's smoke test and the start-up benchmark: time marks on standard error when
// the window is first painted and when the lens screen appears, and a screenshot of the screen once
// the lens screen has settled, after which the program quits (failing when it never appears).
class StartupWatch : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool printMarks = false;
        QString screenshotPath; // empty: no screenshot
        std::chrono::milliseconds bound{60000};
        std::chrono::milliseconds settleTime{1000}; // the fade, then the first alert
    };

    StartupWatch(QWidget& window, AppShell& shell, Options options);
    // True when a screenshot was asked for and not taken.
    bool failed() const { return !options_.screenshotPath.isEmpty() && !taken_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lensScreenShown();
    void takeScreenshot();
    void giveUp();
    void mark(const char* what) const;

    QWidget& window_;
    AppShell& shell_;
    const Options options_;
    QElapsedTimer clock_;
    QTimer bound_;
    bool painted_ = false;
    bool connectedOnce_ = false;
    bool taken_ = false;
};

} // namespace lensdock
