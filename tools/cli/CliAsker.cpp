#include "CliAsker.h"

namespace lensdock::cli {

namespace {
bool isCaution(DialogId kind) {
    static const QList<DialogId> cautions{DialogId::customizeCaution,     DialogId::initializeCaution,
                                          DialogId::updateAdapterConfirm, DialogId::updateAdapterCaution,
                                          DialogId::updateLensConfirm,    DialogId::updateLensCaution};
    return cautions.contains(kind);
}
} // namespace

void CliAsker::ask(DialogId kind, const QString&, Answer answer) {
    const DialogResponse response = isCaution(kind) ? DialogResponse::no : DialogResponse::yes;
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
