#include "ui/tabs/FocusAdjustmentCell.h"

#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/OnlyIntegerValidator.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>

namespace lensdock {

namespace {
constexpr int textWidth = 52;
const char* const invalidProperty = "invalid";
const QString invalidOutline = QStringLiteral("QLineEdit { border: 2px solid #d32f2f; border-radius: 2px; }");
} // namespace

FocusAdjustmentCell::FocusAdjustmentCell(QWidget* parent)
    : QFrame(parent), text_(new QLineEdit(this)), slider_(new FocusValueSlider(this)),
      validator_(new OnlyIntegerValidator(text_)) {
    text_->setValidator(validator_);
    text_->setAlignment(Qt::AlignRight);
    text_->setFixedWidth(textWidth);
    setEditable(false);
    connect(text_, &QLineEdit::textChanged, this, [this] { markInvalid(!text_->hasAcceptableInput()); });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(text_);
    layout->addWidget(slider_, 1);
}

void FocusAdjustmentCell::setRange(int minimum, int maximum) {
    validator_->setRange(minimum, maximum);
    slider_->setUnitRange(minimum, maximum);
    //% "%1 to %2"
    const QString range = qtTrId("focusValueRange").arg(minimum).arg(maximum);
    text_->setPlaceholderText(range);
    text_->setToolTip(range);
    slider_->setToolTip(range);
}

void FocusAdjustmentCell::showValue(qint64 value, bool enabled) {
    const QSignalBlocker blocker(slider_);
    slider_->setUnitValue(value);
    text_->setText(QString::number(value));
    slider_->setEnabled(enabled);
    text_->setEnabled(enabled);
}

std::optional<int> FocusAdjustmentCell::typedValue() const {
    return validator_->valueOf(text_->text());
}

bool FocusAdjustmentCell::takeTypedValue() {
    const std::optional<int> value = typedValue();
    if (!value)
        return false;
    const QSignalBlocker blocker(slider_);
    slider_->setUnitValue(*value);
    return true;
}

void FocusAdjustmentCell::markInvalid(bool invalid) {
    if (isMarkedInvalid() == invalid)
        return;
    text_->setProperty(invalidProperty, invalid);
    text_->setStyleSheet(invalid ? invalidOutline : QString());
}

bool FocusAdjustmentCell::isMarkedInvalid() const {
    return text_->property(invalidProperty).toBool();
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
    // A field not being edited is reached with Tab but not by a press of the mouse, so that a press
    // highlights the cell first and leaves a field being edited elsewhere alone.
    text_->setFocusPolicy(editable ? Qt::StrongFocus : Qt::TabFocus);
}

bool FocusAdjustmentCell::isEditable() const {
    return !text_->isReadOnly();
}

} // namespace lensdock
