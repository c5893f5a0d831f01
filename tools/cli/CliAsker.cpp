#include "CliAsker.h"

namespace lensdock::cli {

namespace {
bool isCaution(DialogId kind) {
    static const QList<DialogId> cautions{
        DialogId::customizeCaution,       DialogId::initializeCaution,         DialogId::updateAdapterConfirm,
        DialogId::updateAdapterCaution,   DialogId::updateLensConfirm,         DialogId::updateLensCaution,
        DialogId::restoreSettingsConfirm, DialogId::updateLensCautionWithEdits};
    return cautions.contains(kind);
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
