#include "CliAsker.h"

namespace lensdock::cli {

namespace {
bool isCaution(DialogId kind) {
    switch (kind) {
    case DialogId::customizeCaution:
    case DialogId::initializeCaution:
    case DialogId::updateAdapterConfirm:
    case DialogId::updateAdapterCaution:
    case DialogId::updateLensConfirm:
    case DialogId::updateLensCaution:
        return true;
    default:
        return false;
    }
}
} // namespace

void CliAsker::ask(DialogId kind, const QString&, Answer answer) {
    DialogResponse response = DialogResponse::yes;
    if (isCaution(kind)) {
        const auto question = questions_.find(kind);
        const bool agreed = question != questions_.end() && confirmation_.ask(question->second);
        if (!agreed) {
            response = DialogResponse::no;
            declined_ << kind;
        }
    } else {
        notices_ << kind;
        if (noticed)
            noticed(kind);
    }
    if (answer)
        QMetaObject::invokeMethod(
            this, [answer, response] { answer(response); }, Qt::QueuedConnection);
}

void CliAsker::clear() {
    notices_.clear();
    declined_.clear();
}

} // namespace lensdock::cli
