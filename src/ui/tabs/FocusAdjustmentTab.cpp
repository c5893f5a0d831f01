#include "ui/tabs/FocusAdjustmentTab.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/tabs/FocusAdjustmentCell.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusValueSlider.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lensdock {

namespace {
// Shown when the lens has no focus adjustment.
constexpr int defaultValue = 0;
constexpr int defaultMaximumValue = 30;
constexpr int defaultMinimumValue = -30;

LensAdjustData::FocusList& column(LensAdjustData& data, int index) {
    return index == 0 ? data.focusZoomClose : index == 1 ? data.focusZoomCenter : data.focusZoomInfinite;
}

// Asks for room for every column of the grid, so that the window shows all three distances side by
// side; the grid scrolls sideways only on a screen too narrow for it.
class WholeGridScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const QSize hint = QScrollArea::sizeHint();
        if (!widget())
            return hint;
        const int width =
            widget()->sizeHint().width() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
        return {std::max(hint.width(), width), hint.height()};
    }
};

int neutralValue(const LensInfo& lens) {
    return (lens.focusAdjustMax + lens.focusAdjustMin) / 2;
}
} // namespace

FocusAdjustmentTab::FocusAdjustmentTab(AppShell& shell, QWidget* parent)
    : SettingsTab(shell, parent),
      //% "mm"
      zoomUnitText_(qtTrId("zoomUnit")),
      //% "Close"
      focusUnit1Text_(qtTrId("focusUnit1")),
      //% "Middle"
      focusUnit2Text_(qtTrId("focusUnit2")),
      //% "Infinity"
      focusUnit3Text_(qtTrId("focusUnit3")) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildIndicator());
    layout->addWidget(buildGrid(), 1);
    editNote_ = new QLabel(this);
    editNote_->setObjectName(QStringLiteral("editNote"));
    editNote_->setWordWrap(true);
    editNote_->setMinimumHeight(editNote_->fontMetrics().lineSpacing());
    layout->addWidget(editNote_);
    const QImage picture = shell.pictures().focusAdjustmentImage.get();
    if (!picture.isNull())
        focusIndicator_->setFocusIndicatorImage(picture);
    // Shown at once, not only when the tab is first shown: the window sizes itself to the tab before
    // that, and the lens's range decides how wide the sliders are.
    showAdjustData();
    scrollView_->verticalScrollBar()->setValue(0);
}

FocusAdjustmentTab::~FocusAdjustmentTab() {
    // The base class hides the fields as it goes, and a focused field reports the end of its edit
    // then: that must not reach this part of the tab, which is gone by that time.
    for (const auto& row : cells_) {
        for (FocusAdjustmentCell* cell : row) {
            cell->text()->disconnect(this);
            cell->slider()->disconnect(this);
            cell->text()->removeEventFilter(this);
            cell->removeEventFilter(this);
        }
    }
}

QWidget* FocusAdjustmentTab::buildIndicator() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    focusIndicator_ = new FocusIndicatorView(box);
    focusIndicator_->setObjectName(QStringLiteral("focusIndicator"));
    focusIndicator_->setFixedWidth(int(focusIndicator_->imageWidth));
    layout->addWidget(focusIndicator_, 0, Qt::AlignHCenter);
    layout->addWidget(buildLegend(box), 0, Qt::AlignHCenter);
    return box;
}

QWidget* FocusAdjustmentTab::buildLegend(QWidget* parent) {
    // Under the indicator's marks: the smallest value at the left end, the neutral one in the middle.
    auto* legend = new QWidget(parent);
    legend->setFixedWidth(int(focusIndicator_->imageWidth));
    auto* layout = new QHBoxLayout(legend);
    const int inset = int(focusIndicator_->focusIndicatorImageInsets) / 2;
    layout->setContentsMargins(inset, 0, inset, 0);
    auto newLabel = [&](const char* name, Qt::Alignment alignment) {
        auto* label = new QLabel(legend);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(alignment | Qt::AlignVCenter);
        layout->addWidget(label, 1);
        return label;
    };
    txtFocusMinimum_ = newLabel("txtFocusMinimum", Qt::AlignLeft);
    txtFocusDefault_ = newLabel("txtFocusDefault", Qt::AlignHCenter);
    txtFocusMaximum_ = newLabel("txtFocusMaximum", Qt::AlignRight);
    return legend;
}

QScrollArea* FocusAdjustmentTab::buildGrid() {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    const QString headings[columnCount] = {focusUnit1Text_, focusUnit2Text_, focusUnit3Text_};
    for (int c = 0; c < columnCount; ++c)
        layout->addWidget(new QLabel(headings[c], grid), 0, c + 1, Qt::AlignHCenter);
    for (int r = 0; r < rowCount; ++r) {
        zoomDistance_[r] = new QLabel(grid);
        zoomDistance_[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        zoomDistance_[r]->setMinimumWidth(64);
        layout->addWidget(zoomDistance_[r], r + 1, 0);
        for (int c = 0; c < columnCount; ++c) {
            auto* cell = new FocusAdjustmentCell(grid);
            cells_[r][c] = cell;
            layout->addWidget(cell, r + 1, c + 1);
            cell->installEventFilter(this);
            cell->text()->installEventFilter(this);
            // Return (or leaving the field) with a value of the lens; the field stays open.
            connect(cell->text(), &QLineEdit::editingFinished, this, [this, cell] {
                if (cell->text() == selectText_ && cell->isEditable())
                    takeTypedValue(cell);
            });
            connect(cell->slider(), &QSlider::valueChanged, this, [this, r, c] { changeValue(r, c); });
        }
    }
    scrollView_ = new WholeGridScrollArea(this);
    scrollView_->setObjectName(QStringLiteral("mainTable"));
    scrollView_->setWidgetResizable(true);
    scrollView_->setWidget(grid);
    return scrollView_;
}

QLineEdit* FocusAdjustmentTab::textField(int row, int column) const {
    return cell(row, column)->text();
}

FocusValueSlider* FocusAdjustmentTab::slider(int row, int column) const {
    return cell(row, column)->slider();
}

bool FocusAdjustmentTab::isInUse(int row, int column) const {
    return shownLens_.supportsFocusZoom && row >= 0 && row < shownLens_.zoomCount && column >= 0 &&
           column < shownLens_.focusPointCount && row < rowCount && column < columnCount;
}

void FocusAdjustmentTab::showAdjustData() {
    abandonEdit();
    removeHighlight();
    shownLens_ = context().lensInfo().get();
    showLabels();
    showCells(context().currentAdjustData().get());
    keepEditOfFocusedField();
    scrollView_->updateGeometry(); // its size hint follows the grid's
}

void FocusAdjustmentTab::showLabels() {
    const LensInfo& lens = shownLens_;
    const bool supported = lens.supportsFocusZoom;
    txtFocusDefault_->setNum(supported ? neutralValue(lens) : defaultValue);
    txtFocusMaximum_->setNum(supported ? lens.focusAdjustMax : defaultMaximumValue);
    txtFocusMinimum_->setNum(supported ? lens.focusAdjustMin : defaultMinimumValue);
    for (int r = 0; r < rowCount; ++r) {
        const bool used = supported && r < lens.zoomCount;
        zoomDistance_[r]->setText(used ? QString::number(lens.zoomFocalLengths[r]) + zoomUnitText_
                                       : QString());
    }
}

void FocusAdjustmentTab::showCells(const LensAdjustData& data) {
    const LensInfo& lens = shownLens_;
    LensAdjustData values = data;
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            FocusAdjustmentCell* cell = cells_[r][c];
            const QSignalBlocker blocker(cell->slider());
            if (!lens.supportsFocusZoom) {
                cell->setRange(defaultMinimumValue, defaultMaximumValue);
                cell->showValue(defaultValue, false);
                continue;
            }
            cell->setRange(lens.focusAdjustMin, lens.focusAdjustMax);
            if (isInUse(r, c))
                cell->showValue(column(values, c)[r], true);
            else
                cell->showValue(neutralValue(lens), false);
        }
    }
}

void FocusAdjustmentTab::storeAdjustData() {
    // A value typed but not yet confirmed is what the user sees, so it is what gets stored.
    if (FocusAdjustmentCell* cell = editedCell())
        takeTypedValue(cell);
    LensAdjustData shown;
    copyControls(shown);
    abandonEdit();
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            QLineEdit* text = cells_[r][c]->text();
            const QString value = QString::number(column(shown, c)[r]);
            if (text->isEnabledTo(this) && text->text() != value)
                text->setText(value);
        }
    }
    const LensInfo lens = context().lensInfo().get();
    context().currentAdjustData().update([&](LensAdjustData& data) {
        for (int c = 0; c < columnCount; ++c)
            column(data, c) = column(shown, c);
        data.correctSettings(lens);
    });
    keepEditOfFocusedField();
}

void FocusAdjustmentTab::copyControls(LensAdjustData& data) const {
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            FocusValueSlider* slider = cells_[r][c]->slider();
            // The cell's own state: a screen that disables the whole tab must not zero the values.
            column(data, c)[r] = slider->isEnabledTo(this) ? slider->integerValue() : 0;
        }
    }
}

bool FocusAdjustmentTab::eventFilter(QObject* watched, QEvent* event) {
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            FocusAdjustmentCell* cell = cells_[r][c];
            if (watched == cell || watched == cell->text())
                return filterCellEvent(r, c, watched, event);
        }
    }
    return SettingsTab::eventFilter(watched, event);
}

bool FocusAdjustmentTab::filterCellEvent(int row, int column, QObject* watched, QEvent* event) {
    FocusAdjustmentCell* cell = cells_[row][column];
    const bool onText = watched == cell->text();
    switch (event->type()) {
    case QEvent::FocusIn:
        if (onText)
            openFromKeyboard(row, column);
        return false;
    case QEvent::FocusOut:
        // A context menu of the field is part of the edit.
        if (watched == selectText_ && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            finishEdit();
        return false;
    case QEvent::KeyPress:
        return watched == selectText_ && cell->isEditable() &&
               stepValue(cell, static_cast<QKeyEvent*>(event)->key());
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // A field being edited handles its own mouse presses (caret, selection).
        if (onText && cell->isEditable())
            return false;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            pressCell(row, column);
        else if (isClicking_)
            releaseClick();
        return true;
    default:
        return false;
    }
}

void FocusAdjustmentTab::hideEvent(QHideEvent* event) {
    // A press whose release never came must not block the next one.
    isClicking_ = false;
    SettingsTab::hideEvent(event);
}

void FocusAdjustmentTab::pressCell(int row, int column) {
    if (isClicking_)
        return;
    isClicking_ = true;
    finishEdit();
    removeHighlight();
    if (!isInUse(row, column)) {
        // Releasing over an unused cell must not reopen the cell pressed before.
        selectRow_ = selectColumn_ = -1;
        selectCell_ = nullptr;
        return;
    }
    selectCell_ = cells_[row][column];
    selectRow_ = row;
    selectColumn_ = column;
    selectCell_->setHighlighted(true);
    selectText_ = selectCell_->text();
    selectTextOldStr_ = selectText_->text();
}

void FocusAdjustmentTab::releaseClick() {
    isClicking_ = false;
    removeHighlight();
    if (!isInUse(selectRow_, selectColumn_))
        return;
    FocusAdjustmentCell* cell = cells_[selectRow_][selectColumn_];
    cell->setEditable(true);
    cell->text()->setFocus(Qt::MouseFocusReason);
    cell->text()->selectAll();
    selectCell_ = nullptr;
}

FocusAdjustmentCell* FocusAdjustmentTab::editedCell() const {
    for (const auto& row : cells_) {
        for (FocusAdjustmentCell* cell : row) {
            if (cell->text() == selectText_ && cell->isEditable())
                return cell;
        }
    }
    return nullptr;
}

void FocusAdjustmentTab::openFromKeyboard(int row, int column) {
    FocusAdjustmentCell* cell = cells_[row][column];
    if (cell->isEditable() || !isInUse(row, column))
        return;
    finishEdit();
    removeHighlight();
    selectCell_ = nullptr;
    selectRow_ = row;
    selectColumn_ = column;
    selectText_ = cell->text();
    selectTextOldStr_ = selectText_->text();
    cell->setEditable(true);
    selectText_->selectAll();
}

void FocusAdjustmentTab::takeTypedValue(FocusAdjustmentCell* cell) {
    if (!cell->takeTypedValue())
        return;
    selectTextOldStr_ = cell->text()->text();
    emit controlsChanged(); // the slider took the value silently
}

bool FocusAdjustmentTab::stepValue(FocusAdjustmentCell* cell, int key) {
    const int pageStep = cell->slider()->pageStep() / FocusValueSlider::stepsPerUnit;
    const int step = key == Qt::Key_Up         ? 1
                     : key == Qt::Key_Down     ? -1
                     : key == Qt::Key_PageUp   ? pageStep
                     : key == Qt::Key_PageDown ? -pageStep
                                               : 0;
    if (step == 0)
        return false;
    // From what is typed if it is a value, else from the value the cell holds.
    const qint64 from = cell->typedValue().value_or(int(cell->slider()->integerValue()));
    const qint64 stepped =
        std::clamp<qint64>(from + step, shownLens_.focusAdjustMin, shownLens_.focusAdjustMax);
    cell->text()->setText(QString::number(stepped));
    takeTypedValue(cell);
    cell->text()->selectAll();
    return true;
}

void FocusAdjustmentTab::finishEdit() {
    FocusAdjustmentCell* cell = editedCell();
    if (!cell)
        return;
    cell->setEditable(false);
    // The note of a text put back stays while the next field is edited, until that edit ends.
    if (cell->typedValue()) {
        takeTypedValue(cell);
        editNote_->clear();
        return;
    }
    const QString typed = cell->text()->text();
    cell->text()->setText(selectTextOldStr_);
    //% "“%1” is not a whole number from %2 to %3, so the field shows %4 again."
    editNote_->setText(qtTrId("focusValueRestored")
                           .arg(typed)
                           .arg(shownLens_.focusAdjustMin)
                           .arg(shownLens_.focusAdjustMax)
                           .arg(selectTextOldStr_));
}

void FocusAdjustmentTab::abandonEdit() {
    FocusAdjustmentCell* cell = editedCell();
    if (!cell)
        return;
    cell->text()->setText(selectTextOldStr_);
    // A field that keeps the keyboard focus stays open for typing.
    if (!cell->text()->hasFocus())
        cell->setEditable(false);
}

void FocusAdjustmentTab::keepEditOfFocusedField() {
    if (editedCell())
        selectTextOldStr_ = selectText_->text();
}

void FocusAdjustmentTab::removeHighlight() {
    for (const auto& row : cells_) {
        for (FocusAdjustmentCell* cell : row)
            cell->setHighlighted(false);
    }
}

void FocusAdjustmentTab::changeValue(int row, int column) {
    abandonEdit();
    removeHighlight();
    FocusAdjustmentCell* cell = cells_[row][column];
    const qint64 rounded = cell->slider()->integerValue();
    {
        const QSignalBlocker blocker(cell->slider());
        cell->slider()->setUnitValue(rounded);
    }
    cell->text()->setText(QString::number(rounded));
}

} // namespace lensdock
