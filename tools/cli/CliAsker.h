#pragma once

#include "session/Asker.h"

#include <functional>
#include <QList>
#include <QObject>

namespace lensdock::cli {

// The flows' questions and notices on a terminal. The commands put their own cautions to the user
// before a flow's command starts, so any caution a flow asks here is declined; notices are kept for
// the command to turn into its result. Answers are delivered later, on the main thread, like a
// window's.
class CliAsker : public QObject, public Asker {
public:
    void ask(DialogId kind, const QString& extraText, Answer answer) override;

    // Called with every notice as it is given.
    std::function<void(DialogId)> noticed;

    const QList<DialogId>& notices() const { return notices_; }
    void clear() { notices_.clear(); }

private:
    QList<DialogId> notices_;
};

} // namespace lensdock::cli
