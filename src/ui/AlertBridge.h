#pragma once

#include "ui/DialogId.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <QObject>
#include <QString>
#include <vector>

namespace lensdock {

// Shows alerts on the GUI thread for callers on any thread. A caller on another thread blocks until
// the user has answered; the GUI thread never waits for anyone. Lives on the GUI thread.
class AlertBridge : public QObject {
    Q_OBJECT
public:
    using Presenter = std::function<DialogResponse(DialogId kind, const QString& extraText)>;

    // Without a presenter the alerts are real message boxes (AlertDialog::showAlert).
    explicit AlertBridge(Presenter presenter = Presenter(), QObject* parent = nullptr);
    ~AlertBridge() override;

    // Runs the alert and returns the answer. After abandon() callers on other threads get `no` at once.
    DialogResponse showAlert(DialogId kind, const QString& extraText = QString());
    // Releases every caller still waiting and refuses new ones (the screen is going away).
    void abandon();
    bool isAbandoned() const;

private:
    struct Pending;
    DialogResponse present(DialogId kind, const QString& extraText);
    DialogResponse waitFor(const std::shared_ptr<Pending>& pending);

    Presenter presenter_;
    mutable std::mutex mutex_;
    bool abandoned_ = false;
    std::vector<std::shared_ptr<Pending>> pending_;
};

} // namespace lensdock
