#pragma once

#include "session/Asker.h"

#include <functional>
#include <QList>
#include <QObject>

namespace lensdock::cli {

// The flows' questions and notices on a terminal. A caution is put to `caution` while a command
// has set it (the connection thread is parked meanwhile, as under the window's caution) and is
// declined otherwise; notices are kept for the command to turn into its result. Answers are
// delivered later, on the main thread, like a window's.
class CliAsker : public QObject, public Asker {
public:
    void ask(DialogId kind, const QString& extraText, Answer answer) override;

    // Called with every notice as it is given.
    std::function<void(DialogId)> noticed;
    // Answers a caution: true to go on.
    std::function<bool(DialogId)> caution;

    const QList<DialogId>& notices() const { return notices_; }
    void clear() { notices_.clear(); }

private:
    QList<DialogId> notices_;
};

} // namespace lensdock::cli
