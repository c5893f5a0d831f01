#include "ui/AlertBox.h"

#include <QEvent>
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
    if (QWidget* owner = ownerWindow())
        owner->installEventFilter(this);
    centreOnParentWindow();
}

bool AlertBox::eventFilter(QObject* watched, QEvent* event) {
    const bool ownerChanged = event->type() == QEvent::Resize || event->type() == QEvent::Move;
    if (ownerChanged && isVisible() && watched == ownerWindow())
        centreOnParentWindow();
    return QMessageBox::eventFilter(watched, event);
}

QWidget* AlertBox::ownerWindow() const {
    return parentWidget() ? parentWidget()->window() : nullptr;
}

void AlertBox::centreOnParentWindow() {
    const QWidget* owner = ownerWindow();
    if (!owner || !owner->isVisible())
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
}

} // namespace lensdock
