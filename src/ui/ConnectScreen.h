#pragma once

#include "ui/ConnectOptions.h"

#include <QPointer>
#include <QWidget>

namespace lensdock {

class AppShell;
class InitialViewController;
class UpdateWindow;

// What the main window shows while no lens is ready: how to connect the dock and a lens. Behind it
// the InitialViewController drives the connection; this widget opens the adapter update window
// when the user has agreed to an update.
class ConnectScreen : public QWidget {
    Q_OBJECT
public:
    ConnectScreen(AppShell& shell, ConnectOptions options, QWidget* parent = nullptr);
    ~ConnectScreen() override;

    InitialViewController& controller() { return *controller_; }
    // The adapter update window while it is open.
    UpdateWindow* updateWindow() const;

signals:
    void updateWindowOpened(lensdock::UpdateWindow* window);

private:
    QWidget* makeDiagram();
    QWidget* makeInstructions();
    void openUpdateWindow();

    AppShell& shell_;
    ConnectOptions options_;
    InitialViewController* controller_;
    QPointer<UpdateWindow> windowUpdate_;
};

} // namespace lensdock
