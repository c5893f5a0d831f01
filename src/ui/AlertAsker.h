#pragma once

#include "session/Asker.h"

#include <functional>
#include <QObject>
#include <QPointer>
#include <vector>

class QMessageBox;
class QWidget;

namespace lensdock {

// Answers the flows' questions with the alert dialogs: each box is opened window-modal over the
// window of `anchor` (application-modal without one) and answers when it is closed; no nested event
// loop runs. A presenter, when given, replaces the boxes (it answers at once, but the answer is still
// delivered later). Boxes still open when the asker goes away are closed without an answer.
class AlertAsker : public QObject, public Asker {
    Q_OBJECT
public:
    using Presenter = std::function<DialogResponse(DialogId kind, const QString& extraText)>;

    explicit AlertAsker(QWidget* anchor, Presenter presenter = Presenter(), QObject* parent = nullptr);
    ~AlertAsker() override;

    void ask(DialogId kind, const QString& extraText, Answer answer) override;
    // The same, for callers that only inform.
    void tell(DialogId kind, const QString& extraText = QString());

private:
    QPointer<QWidget> anchor_;
    const Presenter presenter_;
    std::vector<QPointer<QMessageBox>> open_;
};

} // namespace lensdock
