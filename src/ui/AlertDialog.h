#pragma once

#include "session/DialogId.h"

#include <memory>
#include <QString>

class QMessageBox;
class QWidget;

namespace lensdock {

// Every message box of the application, built from the one catalogue.
class AlertDialog {
public:
    // The box for `kind`, not yet shown: title line, informative text, style and buttons in
    // catalogue order.
    static std::unique_ptr<QMessageBox> build(DialogId kind, const QString& extraText = QString(),
                                              QWidget* parent = nullptr);
    // The message, the reason (if the row has one) and the extra text, one per line.
    static QString informativeText(DialogId kind, const QString& extraText = QString());
    // The answer a closed box gives: `no` only when it has two buttons and the first was chosen.
    static DialogResponse responseOf(const QMessageBox& box);
};

} // namespace lensdock
