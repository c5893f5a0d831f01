#include "ui/AlertDialog.h"

#include "ui/AlertBox.h"
#include "ui/AlertCatalogue.h"

#include <QMessageBox>
#include <QPushButton>

namespace lensdock {

QString AlertDialog::informativeText(DialogId kind, const QString& extraText) {
    const AlertRow& row = alertRow(kind);
    QString text = qtTrId(row.messageKey);
    if (row.reasonKey)
        text += QLatin1Char('\n') + qtTrId(row.reasonKey);
    if (!extraText.isEmpty())
        text += QLatin1Char('\n') + extraText;
    return text;
}

std::unique_ptr<QMessageBox> AlertDialog::build(DialogId kind, const QString& extraText, QWidget* parent) {
    const AlertRow& row = alertRow(kind);
    auto box = std::make_unique<AlertBox>(parent);
    box->setWindowTitle(qtTrId(row.titleKey));
    box->setText(qtTrId(row.titleKey));
    box->setPlainInformativeText(informativeText(kind, extraText));
    box->setIcon(row.kind == AlertRow::Kind::error         ? QMessageBox::Critical
                 : row.kind == AlertRow::Kind::information ? QMessageBox::Information
                                                           : QMessageBox::Warning);
    const bool twoButtons = row.buttonKeys.size() == 2;
    QStringList buttonIds;
    for (std::size_t i = 0; i < row.buttonKeys.size(); ++i) {
        // The first of two buttons declines; the last one confirms.
        const bool declines = twoButtons && i == 0;
        QPushButton* button = box->addButton(qtTrId(row.buttonKeys[i]),
                                             declines ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        button->setObjectName(QString::fromLatin1(row.buttonKeys[i]));
        buttonIds << button->objectName();
        if (declines)
            box->setEscapeButton(button);
        if (declines == row.safeDefault)
            box->setDefaultButton(button);
    }
    // The button box orders buttons by role; keep the catalogue order for whoever inspects the box.
    box->setProperty("buttonIds", buttonIds);
    return box;
}

// A box closed without a click (the window closed, the program quitting) declines: a question
// never gets its "yes" from anything but the user.
DialogResponse AlertDialog::responseOf(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    const bool declined =
        box.buttons().size() == 2 &&
        (!clicked || box.buttonRole(const_cast<QAbstractButton*>(clicked)) == QMessageBox::RejectRole);
    return declined ? DialogResponse::no : DialogResponse::yes;
}

} // namespace lensdock
