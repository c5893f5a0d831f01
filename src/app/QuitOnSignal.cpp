#include "QuitOnSignal.h"

#include <csignal>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

namespace lensdock {

namespace {
// The handler may only write to a descriptor; the notifier reads it on the GUI thread.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}
} // namespace

QuitOnSignal::QuitOnSignal(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit_(std::move(quit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return; // the default action then ends the program at once
    notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        quit_();
    });
    handle(SIGINT, onSignal);
    handle(SIGTERM, onSignal);
}

QuitOnSignal::~QuitOnSignal() {
    if (!notifier_)
        return;
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace lensdock
