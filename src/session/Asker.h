#pragma once

#include "session/DialogId.h"

#include <functional>
#include <QString>

namespace lensdock {

// How a flow puts a question or a notice to the user. The window answers with an alert, the
// command-line tool with its options, a prompt or a printed line. The answer comes later, never
// from inside ask(): `answer` is called once, on the flow's own thread, or not at all when the
// face goes away first.
class Asker {
public:
    using Answer = std::function<void(DialogResponse)>;

    virtual ~Asker() = default;
    virtual void ask(DialogId kind, const QString& extraText, Answer answer) = 0;
};

} // namespace lensdock
