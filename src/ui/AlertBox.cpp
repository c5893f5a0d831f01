#include "ui/AlertBox.h"

#include <QLabel>

namespace lensdock {

AlertBox::AlertBox(QWidget* parent) : QMessageBox(parent) {
    setTextFormat(Qt::PlainText);
}

void AlertBox::setPlainInformativeText(const QString& text) {
    setInformativeText(text);
    auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (!label)
        return;
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // The box takes the width its layout needs at least: this keeps the lines long.
    label->setMinimumWidth(minimumTextWidth);
}

// The box sizes itself only while it is being shown, after its dialog base has placed it: placed
// again here, the centre is the centre of the final size.
void AlertBox::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event);
    centreOnParentWindow();
}

void AlertBox::centreOnParentWindow() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible())
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
}

} // namespace lensdock
