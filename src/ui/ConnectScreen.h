#pragma once

#include "session/ConnectFlow.h"
#include "ui/ConnectOptions.h"

#include <QPointer>
#include <QWidget>

namespace lensdock {

class AppShell;
class AlertAsker;
class ConnectStep;
class UpdateWindow;

// What the main window shows while no lens is ready: how to connect the dock and a lens. Behind it
// a ConnectFlow drives the connection; this screen shows its questions, keeps the lens's pictures,
// opens the adapter update window when the user has agreed to an update, and tells the shell when
// the lens is ready. GUI thread only.
class ConnectScreen : public QWidget {
    Q_OBJECT
public:
    ConnectScreen(AppShell& shell, ConnectOptions options, QWidget* parent = nullptr);
    ~ConnectScreen() override;

    static ConnectPolicy policyOf(const ConnectOptions& options);

    ConnectFlow& flow() { return *flow_; }
    // The adapter update window while it is open.
    UpdateWindow* updateWindow() const;
    // The two steps of the instructions: plug in the dock, mount a lens.
    ConnectStep* adapterStep() const { return adapterStep_; }
    ConnectStep* lensStep() const { return lensStep_; }

signals:
    void updateWindowOpened(lensdock::UpdateWindow* window);

private:
    QWidget* makeDiagram();
    QWidget* makeInstructions();
    void followSteps();
    void openUpdateWindow();
    void takePicture(NetworkFileType type, const std::optional<QByteArray>& data);

    AppShell& shell_;
    ConnectOptions options_;
    AlertAsker* asker_;
    ConnectFlow* flow_;
    QPointer<UpdateWindow> windowUpdate_;
    ConnectStep* adapterStep_ = nullptr;
    ConnectStep* lensStep_ = nullptr;
};

} // namespace lensdock
