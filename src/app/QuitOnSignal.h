#pragma once

#include <functional>
#include <QObject>

class QSocketNotifier;

namespace lensdock {

// Turns SIGINT and SIGTERM into a call of `quit` on the GUI thread, so that the program ends the
// orderly way (lens released, port closed, the demo's temporary files removed) when it is
// interrupted from a terminal or stopped by a script. One per process.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace lensdock
