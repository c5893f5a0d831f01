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
    const bool agreed = isCaution(kind) ? caution && caution(kind) : true;
    const DialogResponse response = agreed ? DialogResponse::yes : DialogResponse::no;
    if (!isCaution(kind)) {
        notices_ << kind;
        if (noticed)
            noticed(kind);
    }
    if (answer)
        QMetaObject::invokeMethod(
            this, [answer, response] { answer(response); }, Qt::QueuedConnection);
}

} // namespace lensdock::cli
