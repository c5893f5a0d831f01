#include "ui/AlertAsker.h"

#include "ui/AlertDialog.h"

#include <QMessageBox>
#include <QWidget>

namespace lensdock {

AlertAsker::AlertAsker(QWidget* anchor, Presenter presenter, QObject* parent)
    : QObject(parent), anchor_(anchor), presenter_(std::move(presenter)) {}

AlertAsker::~AlertAsker() {
    for (const QPointer<QMessageBox>& box : open_) {
        if (!box)
            continue;
        box->disconnect(this);
        box->hide();
        box->deleteLater();
    }
}

void AlertAsker::ask(DialogId kind, const QString& extraText, Answer answer) {
    if (presenter_) {
        QMetaObject::invokeMethod(
            this,
            [this, kind, extraText, answer = std::move(answer)] { answer(presenter_(kind, extraText)); },
            Qt::QueuedConnection);
        return;
    }
    QWidget* parent = anchor_ ? anchor_->window() : nullptr;
    QMessageBox* box = AlertDialog::build(kind, extraText, parent).release();
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    open_.emplace_back(box);
    connect(box, &QMessageBox::finished, this, [this, box, answer = std::move(answer)]() mutable {
        // Taken out first: answering may close this asker's boxes, and with them this connection.
        const Answer then = std::move(answer);
        box->disconnect(this);
        const DialogResponse response = AlertDialog::responseOf(*box);
        std::erase_if(open_, [box](const QPointer<QMessageBox>& entry) { return entry == box || !entry; });
        box->deleteLater();
        if (then)
            then(response);
    });
    box->open();
}

void AlertAsker::tell(DialogId kind, const QString& extraText) {
    ask(kind, extraText, Answer());
}

} // namespace lensdock
