#include "ui/AlertDialog.h"

#include "ui/AlertCatalogue.h"

#include <QMessageBox>
#include <QPushButton>

namespace lensdock {

QString AlertDialog::informativeText(DialogId kind, const QString& extraText) {
    const AlertSpec& spec = alertSpec(kind);
    QString text = qtTrId(spec.messageKey);
    if (spec.reasonKey)
        text += QLatin1Char('\n') + qtTrId(spec.reasonKey);
    if (!extraText.isEmpty())
        text += QLatin1Char('\n') + extraText;
    return text;
}

std::unique_ptr<QMessageBox> AlertDialog::build(DialogId kind, const QString& extraText, QWidget* parent) {
    const AlertSpec& spec = alertSpec(kind);
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(qtTrId(spec.titleKey));
    box->setText(qtTrId(spec.titleKey));
    box->setInformativeText(informativeText(kind, extraText));
    box->setIcon(spec.critical ? QMessageBox::Critical : QMessageBox::Warning);
    const bool twoButtons = spec.buttonKeys.size() == 2;
    QStringList buttonIds;
    for (std::size_t i = 0; i < spec.buttonKeys.size(); ++i) {
        // The first of two buttons declines; the last one confirms.
        const bool declines = twoButtons && i == 0;
        QPushButton* button = box->addButton(qtTrId(spec.buttonKeys[i]),
                                             declines ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        button->setObjectName(QString::fromLatin1(spec.buttonKeys[i]));
        buttonIds << button->objectName();
        if (declines)
            box->setEscapeButton(button);
        else
            box->setDefaultButton(button);
    }
    // The button box orders buttons by role; keep the catalogue order for whoever inspects the box.
    box->setProperty("buttonIds", buttonIds);
    return box;
}

DialogResponse AlertDialog::showAlert(DialogId kind, const QString& extraText, QWidget* parent) {
    const auto box = build(kind, extraText, parent);
    box->exec();
    const auto buttons = box->buttons();
    const bool declined = buttons.size() == 2 && box->clickedButton() &&
                          box->buttonRole(box->clickedButton()) == QMessageBox::RejectRole;
    return declined ? DialogResponse::no : DialogResponse::yes;
}

} // namespace lensdock
