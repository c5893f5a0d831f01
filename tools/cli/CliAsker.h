#pragma once

#include "Confirmation.h"
#include "session/Asker.h"

#include <functional>
#include <map>
#include <QList>
#include <QObject>

namespace lensdock::cli {

// The flows' questions and notices on a terminal: a caution the command has given a question for is
// put to the user (or agreed to by --yes); every other caution is declined; notices are kept for the
// command to turn into its result. Answers are delivered later, on the main thread, like a window's.
class CliAsker : public QObject, public Asker {
public:
    explicit CliAsker(const Confirmation& confirmation) : confirmation_(confirmation) {}

    // The question to print for `kind`; without one the caution is declined unasked.
    void setQuestion(DialogId kind, const QString& question) { questions_[kind] = question; }

    void ask(DialogId kind, const QString& extraText, Answer answer) override;

    // Called with every notice as it is given.
    std::function<void(DialogId)> noticed;

    const QList<DialogId>& notices() const { return notices_; }
    bool wasDeclined(DialogId kind) const { return declined_.contains(kind); }
    void clear();

private:
    const Confirmation& confirmation_;
    std::map<DialogId, QString> questions_;
    QList<DialogId> notices_;
    QList<DialogId> declined_;
};

} // namespace lensdock::cli
