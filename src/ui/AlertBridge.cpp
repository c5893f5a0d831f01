#include "ui/AlertBridge.h"

#include "ui/AlertDialog.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <QThread>

namespace lensdock {

namespace {
// A waiting caller re-checks for abandonment at least this often.
constexpr std::chrono::seconds answerCheckInterval{1};
} // namespace

struct AlertBridge::Pending {
    std::condition_variable answered;
    std::optional<DialogResponse> answer;
};

AlertBridge::AlertBridge(Presenter presenter, QObject* parent)
    : QObject(parent), presenter_(std::move(presenter)) {}

AlertBridge::~AlertBridge() {
    abandon();
}

DialogResponse AlertBridge::present(DialogId kind, const QString& extraText) {
    return presenter_ ? presenter_(kind, extraText) : AlertDialog::showAlert(kind, extraText);
}

DialogResponse AlertBridge::showAlert(DialogId kind, const QString& extraText) {
    if (QThread::currentThread() == thread())
        return present(kind, extraText);
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(mutex_);
        if (abandoned_)
            return DialogResponse::no;
        pending_.push_back(pending);
    }
    QMetaObject::invokeMethod(
        this,
        [this, pending, kind, extraText] {
            const DialogResponse answer = present(kind, extraText);
            std::lock_guard lock(mutex_);
            pending->answer = answer;
            pending->answered.notify_all();
        },
        Qt::QueuedConnection);
    return waitFor(pending);
}

DialogResponse AlertBridge::waitFor(const std::shared_ptr<Pending>& pending) {
    std::unique_lock lock(mutex_);
    while (!pending->answer && !abandoned_)
        pending->answered.wait_for(lock, answerCheckInterval);
    std::erase(pending_, pending);
    return pending->answer.value_or(DialogResponse::no);
}

void AlertBridge::abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    for (const auto& pending : pending_)
        pending->answered.notify_all();
}

bool AlertBridge::isAbandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

} // namespace lensdock
