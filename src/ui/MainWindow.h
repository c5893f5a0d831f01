#pragma once

#include "adjust/LensAdjustData.h"
#include "ui/ConnectOptions.h"
#include "ui/lens/LensScreenOptions.h"

#include <chrono>
#include <optional>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QStackedLayout;

namespace lensdock {

class AppShell;
class LensScreen;

// The one main window: the connect screen while no lens is connected, the lens screen while one is,
// switched with a short fade whenever the shell's `connected` changes. Closing it asks the connection
// thread to terminate; the program ends when the thread reports the end of that.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds fadeDuration{250};
        ConnectOptions connect;
        LensScreenOptions lens;
    };

    MainWindow(AppShell& shell, Options options, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    QAction* action(const QString& objectName) const;

public slots:
    void showFocusAdjustment() { showTab(0); }
    void showFocusLimiter() { showTab(1); }
    void showMiscellaneous() { showTab(2); }
    void applySettings();
    void restoreToFactorySettings();
    void openLensAdjustFile();
    void saveLensAdjustFile();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildFileMenu();
    void buildViewMenu();
    void buildHelpMenu();
    void stepTab(int step);
    void quitAfterAsking();
    QAction* addAction(QMenu* menu, const QString& text, const QString& name);
    void showContent(bool connected);
    QWidget* makeLensScreen();
    void keepUnappliedEdits();
    bool hasUnappliedEdits() const;
    void askToDiscardThenQuit();
    void replaceContent(QWidget* next);
    QSize sizeFor(QWidget* next);
    void finishSwitch(QWidget* previous, QWidget* next);
    void showTab(int index);
    LensScreen* lensScreen() const;
    void updateActionStates();

    AppShell& shell_;
    const Options options_;
    QStackedLayout* stack_;
    QPointer<QWidget> content_;
    QList<QAction*> lensActions_;
    bool closing_ = false;
    bool askingToDiscard_ = false;
    struct LostEdits {
        QString modelCode;
        QString serialCode;
        LensAdjustData values;
        bool dockUnplugged = false; // not the lens alone: the dock went with it
    };
    std::optional<LostEdits> lostEdits_;
};

} // namespace lensdock
