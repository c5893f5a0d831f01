#pragma once

#include "adjust/LensAdjustData.h"
#include "ui/tabs/SettingsTab.h"

#include <array>

class QLabel;
class QLineEdit;
class QScrollArea;

namespace lensdock {

class FocusAdjustmentCell;
class FocusIndicatorView;
class FocusValueSlider;

// The focus adjustment values of the current adjust data: 8 zoom positions by 3 focus distances
// (close, middle, infinite), each a text field and a slider. A cell is pressed to highlight it and
// released to edit its text, or reached with Tab; moving a slider rounds it to a whole value and
// shows it in the text. Return takes a typed value and keeps the field open; Up/Down and
// PageUp/PageDown step it. Text that is not a value of the lens is put back, with a note, only
// when the field is left.
class FocusAdjustmentTab : public SettingsTab {
    Q_OBJECT
public:
    static constexpr int rowCount = 8;
    static constexpr int columnCount = 3;

    explicit FocusAdjustmentTab(AppShell& shell, QWidget* parent = nullptr);
    ~FocusAdjustmentTab() override;

    void showAdjustData() override;
    void storeAdjustData() override;

    FocusAdjustmentCell* cell(int row, int column) const { return cells_.at(row).at(column); }
    QLineEdit* textField(int row, int column) const;
    FocusValueSlider* slider(int row, int column) const;
    QLabel* zoomDistanceLabel(int row) const { return zoomDistance_.at(row); }
    QLabel* txtFocusMaximum() const { return txtFocusMaximum_; }
    QLabel* txtFocusMinimum() const { return txtFocusMinimum_; }
    QLabel* txtFocusDefault() const { return txtFocusDefault_; }
    FocusIndicatorView* focusIndicator() const { return focusIndicator_; }
    // The text field last pressed (the one that is or was being edited), if any.
    QLineEdit* selectText() const { return selectText_; }
    // Says why a typed text was put back; empty until then.
    QLabel* editNote() const { return editNote_; }

    // The cell is used by the lens last shown.
    bool isInUse(int row, int column) const;

protected:
    void copyControls(LensAdjustData& data) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildIndicator();
    QWidget* buildLegend(QWidget* parent);
    QScrollArea* buildGrid();
    void showLabels();
    void showCells(const LensAdjustData& data);

    bool filterCellEvent(int row, int column, QObject* watched, QEvent* event);
    void pressCell(int row, int column);
    void releaseClick();
    void openFromKeyboard(int row, int column);
    void changeValue(int row, int column);
    void takeTypedValue(FocusAdjustmentCell* cell);
    bool stepValue(FocusAdjustmentCell* cell, int key);
    void finishEdit();
    void abandonEdit();
    void keepEditOfFocusedField();
    void removeHighlight();
    FocusAdjustmentCell* editedCell() const;

    std::array<std::array<FocusAdjustmentCell*, columnCount>, rowCount> cells_{};
    std::array<QLabel*, rowCount> zoomDistance_{};
    QLabel* txtFocusMaximum_ = nullptr;
    QLabel* txtFocusMinimum_ = nullptr;
    QLabel* txtFocusDefault_ = nullptr;
    FocusIndicatorView* focusIndicator_ = nullptr;
    QScrollArea* scrollView_ = nullptr;
    QLabel* editNote_ = nullptr;

    LensInfo shownLens_;
    int selectColumn_ = -1;
    int selectRow_ = -1;
    FocusAdjustmentCell* selectCell_ = nullptr;
    QLineEdit* selectText_ = nullptr;
    QString selectTextOldStr_ = QStringLiteral("0");
    bool isClicking_ = false;

    const QString zoomUnitText_;
    const QString focusUnit1Text_;
    const QString focusUnit2Text_;
    const QString focusUnit3Text_;
};

} // namespace lensdock
