#include "ui/tabs/FocusAdjustmentCell.h"

#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/OnlyIntegerValidator.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>

namespace lensdock {

namespace {
constexpr int textWidth = 52;
} // namespace

FocusAdjustmentCell::FocusAdjustmentCell(QWidget* parent)
    : QFrame(parent), text_(new QLineEdit(this)), slider_(new FocusValueSlider(this)) {
    text_->setValidator(new OnlyIntegerValidator(text_));
    text_->setAlignment(Qt::AlignRight);
    text_->setFixedWidth(textWidth);
    setEditable(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(text_);
    layout->addWidget(slider_, 1);
}

void FocusAdjustmentCell::showValue(qint64 value, bool enabled) {
    const QSignalBlocker blocker(slider_);
    slider_->setUnitValue(value);
    text_->setText(QString::number(value));
    slider_->setEnabled(enabled);
    text_->setEnabled(enabled);
}

void FocusAdjustmentCell::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setAutoFillBackground(highlighted);
    setBackgroundRole(highlighted ? QPalette::Highlight : QPalette::Window);
    if (!highlighted) {
        text_->setPalette(QPalette()); // back to the inherited colours
        return;
    }
    QPalette colours = text_->palette();
    colours.setColor(QPalette::Text, palette().color(QPalette::HighlightedText));
    colours.setColor(QPalette::Base, palette().color(QPalette::Highlight));
    text_->setPalette(colours);
}

void FocusAdjustmentCell::setEditable(bool editable) {
    text_->setReadOnly(!editable);
    // A read-only field takes no focus, so pressing it leaves a field being edited alone.
    text_->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
}

bool FocusAdjustmentCell::isEditable() const {
    return !text_->isReadOnly();
}

} // namespace lensdock
