#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentCell.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/OnlyIntegerValidator.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::LensInfo)

namespace {
// Presses and releases a cell the way the user opens it for typing.
void openForTyping(FocusAdjustmentTab& tab, int row, int column) {
    QTest::mouseClick(tab.textField(row, column), Qt::LeftButton);
}

// Replaces the text of an opened field by `text` and ends the edit with Return.
void typeAndFinish(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

LensInfo sixZoomLens() {
    LensInfo lens = zoomLens();
    lens.zoomCount = 6;
    return lens;
}

// A lens that reports its zoom positions and range but offers no focus adjustment.
LensInfo withoutFocusAdjustment(LensInfo lens) {
    lens.supportsFocusZoom = false;
    return lens;
}

void addLensRows() {
    QTest::addColumn<LensInfo>("lens");
    QTest::addColumn<int>("rowsInUse");
    QTest::addColumn<int>("columnsInUse");
    QTest::newRow("zoom lens") << zoomLens() << 8 << 3;
    QTest::newRow("prime") << primeLens() << 1 << 3;
    QTest::newRow("awkward") << awkwardLens() << 5 << 2;
    QTest::newRow("no focus adjustment") << bareLens() << 0 << 0;
    QTest::newRow("six zoom positions") << sixZoomLens() << 6 << 3;
    QTest::newRow("zoom lens without focus adjustment") << withoutFocusAdjustment(zoomLens()) << 0 << 0;
}
} // namespace

class TestFocusAdjustmentTab : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void cellsInUseFollowTheLens_data() { addLensRows(); }
    void cellsInUseFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(int, rowsInUse);
        QFETCH(int, columnsInUse);
        TabFixture f(lens);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 3; ++c) {
                const bool used = r < rowsInUse && c < columnsInUse;
                QCOMPARE(tab.slider(r, c)->isEnabled(), used);
                QCOMPARE(tab.textField(r, c)->isEnabled(), used);
            }
        }
    }

    void rowLabelsShowTheFocalLengths_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("zoom lens") << zoomLens() << QStringList{"28mm",  "35mm",  "50mm",  "70mm",
                                                                "100mm", "135mm", "200mm", "300mm"};
        QTest::newRow("prime") << primeLens() << QStringList{"45mm", "", "", "", "", "", "", ""};
        QTest::newRow("awkward") << awkwardLens()
                                 << QStringList{"18mm", "24mm", "40mm", "85mm", "120mm", "", "", ""};
        QTest::newRow("no focus adjustment") << bareLens() << QStringList{"", "", "", "", "", "", "", ""};
        QTest::newRow("six zoom positions")
            << sixZoomLens() << QStringList{"28mm", "35mm", "50mm", "70mm", "100mm", "135mm", "", ""};
        QTest::newRow("zoom lens without focus adjustment")
            << withoutFocusAdjustment(zoomLens()) << QStringList{"", "", "", "", "", "", "", ""};
    }
    void rowLabelsShowTheFocalLengths() {
        QFETCH(LensInfo, lens);
        QFETCH(QStringList, labels);
        TabFixture f(lens);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        for (int r = 0; r < 8; ++r)
            QCOMPARE(tab.zoomDistanceLabel(r)->text(), labels.at(r));
    }

    void largestSmallestAndNeutralLabels_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("neutral");
        QTest::newRow("zoom lens") << zoomLens() << "30"
                                   << "-30"
                                   << "0";
        QTest::newRow("prime") << primeLens() << "20"
                               << "-20"
                               << "0";
        QTest::newRow("awkward: (15 - 10) / 2") << awkwardLens() << "15"
                                                << "-10"
                                                << "2";
        QTest::newRow("no focus adjustment") << bareLens() << "30"
                                             << "-30"
                                             << "0";
        QTest::newRow("range reported without focus adjustment")
            << withoutFocusAdjustment(awkwardLens()) << "30"
            << "-30"
            << "0";
        LensInfo oddNegative = zoomLens();
        oddNegative.focusAdjustMax = 10;
        oddNegative.focusAdjustMin = -25;
        QTest::newRow("-15 / 2 truncates to -7") << oddNegative << "10"
                                                 << "-25"
                                                 << "-7";
    }
    void largestSmallestAndNeutralLabels() {
        QFETCH(LensInfo, lens);
        QFETCH(QString, maximum);
        QFETCH(QString, minimum);
        QFETCH(QString, neutral);
        TabFixture f(lens);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QCOMPARE(tab.txtFocusMaximum()->text(), maximum);
        QCOMPARE(tab.txtFocusMinimum()->text(), minimum);
        QCOMPARE(tab.txtFocusDefault()->text(), neutral);
    }

    void showsTheValuesAndTheNeutralValueInUnusedCells() {
        TabFixture f(awkwardLens());
        LensAdjustData data;
        data.focusZoomClose = {5, -10, 15, 0, 7, 9, 9, 9};
        data.focusZoomCenter = {-1, -2, -3, -4, -5, 9, 9, 9};
        data.focusZoomInfinite = {9, 9, 9, 9, 9, 9, 9, 9};
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        const int close[] = {5, -10, 15, 0, 7, 2, 2, 2};
        const int center[] = {-1, -2, -3, -4, -5, 2, 2, 2};
        for (int r = 0; r < 8; ++r) {
            QCOMPARE(tab.textField(r, 0)->text(), QString::number(close[r]));
            QCOMPARE(tab.slider(r, 0)->integerValue(), close[r]);
            QCOMPARE(tab.textField(r, 1)->text(), QString::number(center[r]));
            QCOMPARE(tab.slider(r, 1)->integerValue(), center[r]);
            QCOMPARE(tab.textField(r, 2)->text(), QString("2"));
            QCOMPARE(tab.slider(r, 2)->integerValue(), 2);
        }
        QCOMPARE(tab.slider(0, 0)->minimum() / FocusValueSlider::stepsPerUnit, -10);
        QCOMPARE(tab.slider(0, 0)->maximum() / FocusValueSlider::stepsPerUnit, 15);
    }

    void withoutFocusAdjustmentEverythingShowsZeroOnTheDefaultRange() {
        // The lens's own range (-10 to 15) is not used.
        TabFixture f(withoutFocusAdjustment(awkwardLens()));
        LensAdjustData data;
        data.focusZoomClose.fill(7);
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(tab.textField(r, c)->text(), QString("0"));
                QCOMPARE(tab.slider(r, c)->integerValue(), 0);
                QCOMPARE(tab.slider(r, c)->minimum() / FocusValueSlider::stepsPerUnit, -30);
                QCOMPARE(tab.slider(r, c)->maximum() / FocusValueSlider::stepsPerUnit, 30);
            }
        }
    }

    void writeStoresTheSlidersOfTheCellsInUse_data() { addLensRows(); }
    void writeStoresTheSlidersOfTheCellsInUse() {
        QFETCH(LensInfo, lens);
        QFETCH(int, rowsInUse);
        QFETCH(int, columnsInUse);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusZoomClose.fill(1);
        data.focusZoomCenter.fill(1);
        data.focusZoomInfinite.fill(1);
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        // Each cell in use gets its own value: 3 steps right, then (r + c) % 3 steps left.
        for (int r = 0; r < rowsInUse; ++r) {
            for (int c = 0; c < columnsInUse; ++c) {
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(tab.slider(r, c), Qt::Key_Right);
                for (int i = 0; i < (r + c) % 3; ++i)
                    QTest::keyClick(tab.slider(r, c), Qt::Key_Left);
            }
        }
        f.shell->raiseWrite();
        const LensAdjustData stored = f.data();
        const LensAdjustData::FocusList* lists[] = {&stored.focusZoomClose, &stored.focusZoomCenter,
                                                    &stored.focusZoomInfinite};
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 3; ++c) {
                const bool used = r < rowsInUse && c < columnsInUse;
                QCOMPARE((*lists[c])[r], used ? 1 + 3 - (r + c) % 3 : 0);
            }
        }
    }

    void aTabDisabledByItsScreenStillStoresItsValues() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomCenter[6] = -12;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        tab.setEnabled(false);
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomCenter[6], -12);
        QCOMPARE(tab.textField(6, 1)->text(), QString("-12"));
    }

    void writeAppliesTheCorrection() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusLimitFirstNear = 5;
        data.focusLimitFirstFar = 5;
        data.vcMode = 7;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusLimitFirstNear, 0);
        QCOMPARE(f.data().focusLimitFirstFar, 9);
        QCOMPARE(f.data().vcMode, 1);
    }

    void sliderStopsRoundHalvesAwayFromZero_data() {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<int>("value");
        QTest::newRow("12.5") << 125 << 13;
        QTest::newRow("-12.5") << -125 << -13;
        QTest::newRow("12.4") << 124 << 12;
        QTest::newRow("-12.4") << -124 << -12;
        QTest::newRow("0.5") << 5 << 1;
        QTest::newRow("-0.5") << -5 << -1;
        QTest::newRow("29.6") << 296 << 30;
    }
    void sliderStopsRoundHalvesAwayFromZero() {
        QFETCH(int, tenths);
        QFETCH(int, value);
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        tab.slider(2, 1)->setValue(tenths);
        QCOMPARE(tab.slider(2, 1)->value(), value * FocusValueSlider::stepsPerUnit);
        QCOMPARE(tab.textField(2, 1)->text(), QString::number(value));
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomCenter[2], value);
    }

    void validatorJudgesAgainstTheLensRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        const int whole = QValidator::Acceptable, shownAsWrong = QValidator::Intermediate,
                  refused = QValidator::Invalid;
        QTest::newRow("digit") << "7" << whole;
        QTest::newRow("signed") << "-12" << whole;
        QTest::newRow("plus signed") << "+30" << whole;
        QTest::newRow("leading zeros") << "007" << whole;
        QTest::newRow("smallest") << "-30" << whole;
        QTest::newRow("empty") << "" << shownAsWrong;
        QTest::newRow("minus alone") << "-" << shownAsWrong;
        QTest::newRow("plus alone") << "+" << shownAsWrong;
        QTest::newRow("one too many") << "31" << shownAsWrong;
        QTest::newRow("one too few") << "-31" << shownAsWrong;
        QTest::newRow("decimal point") << "1.5" << shownAsWrong;
        QTest::newRow("decimal comma") << "1,5" << shownAsWrong;
        QTest::newRow("letter") << "a" << shownAsWrong;
        QTest::newRow("sign inside") << "1-" << shownAsWrong;
        QTest::newRow("two signs") << "--1" << shownAsWrong;
        QTest::newRow("leading space") << " 1" << shownAsWrong;
        QTest::newRow("full-width digit") << QString(QChar(0xFF11)) << shownAsWrong;
        QTest::newRow("Arabic-Indic digit") << QString(QChar(0x0663)) << shownAsWrong;
        QTest::newRow("beyond 64 bits") << "9999999999999999999" << shownAsWrong;
        QTest::newRow("20 characters") << "12345678901234567890" << refused;
    }
    void validatorJudgesAgainstTheLensRange() {
        QFETCH(QString, text);
        QFETCH(int, state);
        OnlyIntegerValidator validator;
        validator.setRange(-30, 30);
        int position = 0;
        QCOMPARE(int(validator.validate(text, position)), state);
    }

    void aTwentiethTypedCharacterIsRefused() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 0, 0);
        QLineEdit* field = tab.textField(0, 0);
        field->selectAll();
        QTest::keyClicks(field, "12345678901234567890");
        QCOMPARE(field->text(), QString("1234567890123456789"));
        QTest::keyClicks(field, "x");
        QCOMPARE(field->text(), QString("1234567890123456789"));
    }

    // Every keystroke is kept, so "1.5" can never turn into 15; what is not a value is marked.
    void typedTextStaysAsTypedAndIsMarkedUnlessItIsAValue_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("marked");
        QTest::newRow("in range") << "12" << false;
        QTest::newRow("decimal point") << "1.5" << true;
        QTest::newRow("out of range") << "999" << true;
        QTest::newRow("far below") << "-999" << true;
        QTest::newRow("one too many") << "31" << true;
        QTest::newRow("minus alone") << "-" << true;
        QTest::newRow("empty") << "" << true;
    }
    void typedTextStaysAsTypedAndIsMarkedUnlessItIsAValue() {
        QFETCH(QString, typed);
        QFETCH(bool, marked);
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 2, 1);
        QLineEdit* field = tab.textField(2, 1);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), typed);
        QCOMPARE(tab.cell(2, 1)->isMarkedInvalid(), marked);
        QCOMPARE(field->placeholderText(), QString("-30 to 30"));
        QCOMPARE(field->toolTip(), QString("-30 to 30"));
    }

    // Return takes a value and leaves the field open for more typing; it does nothing to text that
    // is not a value. Leaving the field keeps a value or puts the old one back with a note.
    void returnTakesAValueAndLeavingPutsBackWhatIsNot_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("afterReturn");
        QTest::addColumn<QString>("shownAfterLeaving");
        QTest::addColumn<bool>("noted");
        QTest::newRow("in range") << "12" << 12 << "12" << false;
        QTest::newRow("plus sign") << "+7" << 7 << "+7" << false;
        QTest::newRow("smallest") << "-30" << -30 << "-30" << false;
        QTest::newRow("largest") << "30" << 30 << "30" << false;
        QTest::newRow("decimal point") << "1.5" << 4 << "4" << true;
        QTest::newRow("minus alone") << "-" << 4 << "4" << true;
        QTest::newRow("plus alone") << "+" << 4 << "4" << true;
        QTest::newRow("empty") << "" << 4 << "4" << true;
        QTest::newRow("too large") << "45" << 4 << "4" << true;
        QTest::newRow("too small") << "-31" << 4 << "4" << true;
        QTest::newRow("beyond 64 bits") << "9999999999999999999" << 4 << "4" << true;
    }
    void returnTakesAValueAndLeavingPutsBackWhatIsNot() {
        QFETCH(QString, typed);
        QFETCH(int, afterReturn);
        QFETCH(QString, shownAfterLeaving);
        QFETCH(bool, noted);
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomInfinite[1] = 4;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 1, 2);
        QLineEdit* field = tab.textField(1, 2);
        typeAndFinish(field, typed);
        QCOMPARE(field->text(), typed);
        QVERIFY(!field->isReadOnly());
        QCOMPARE(tab.slider(1, 2)->integerValue(), afterReturn);
        openForTyping(tab, 0, 0);
        QCOMPARE(field->text(), shownAfterLeaving);
        QVERIFY(field->isReadOnly());
        QCOMPARE(!tab.editNote()->text().isEmpty(), noted);
        if (noted)
            QVERIFY2(tab.editNote()->text().contains("-30 to 30"), qPrintable(tab.editNote()->text()));
        QVERIFY(!tab.cell(1, 2)->isMarkedInvalid());
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomInfinite[1], afterReturn);
    }

    // Tab to the next field: the note on the text put back stays to be read while the next field is
    // typed in, and goes once that edit ends with a value.
    void theNoteOutlastsTheMoveToTheNextField() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        openForTyping(tab, 0, 0);
        QLineEdit* first = tab.textField(0, 0);
        first->selectAll();
        QTest::keyClicks(first, QStringLiteral("1.5"));
        QTest::keyClick(first, Qt::Key_Tab);
        QLineEdit* next = tab.textField(0, 1);
        QCOMPARE(QApplication::focusWidget(), next);
        QCOMPARE(first->text(), QStringLiteral("0"));
        QVERIFY2(tab.editNote()->text().contains(QStringLiteral("1.5")), qPrintable(tab.editNote()->text()));
        next->selectAll();
        QTest::keyClicks(next, QStringLiteral("3"));
        QVERIFY(!tab.editNote()->text().isEmpty());
        QTest::keyClick(next, Qt::Key_Tab);
        QVERIFY(tab.editNote()->text().isEmpty());
        QCOMPARE(tab.slider(0, 1)->integerValue(), 3);
    }

    // With the keyboard alone: Tab walks the fields in use row by row, each one open for typing,
    // and the arrow and page keys step the value within the range.
    void theKeyboardWalksAndStepsTheGrid_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QList<QPoint>>("walk"); // (column, row) of the fields in Tab order
        QTest::newRow("zoom lens") << zoomLens()
                                   << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}};
        QTest::newRow("two distances")
            << awkwardLens() << QList<QPoint>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2}, {0, 3}};
    }
    void theKeyboardWalksAndStepsTheGrid() {
        QFETCH(LensInfo, lens);
        QFETCH(QList<QPoint>, walk);
        TabFixture f(lens);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        tab.textField(0, 0)->setFocus(Qt::TabFocusReason);
        for (qsizetype i = 0; i < walk.size(); ++i) {
            QLineEdit* expected = tab.textField(walk[i].y(), walk[i].x());
            QVERIFY2(QApplication::focusWidget() == expected, qPrintable(QString::number(i)));
            QVERIFY(!expected->isReadOnly());
            if (i + 1 < walk.size())
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const QPoint last = walk.last();
        QLineEdit* field = tab.textField(last.y(), last.x());
        FocusValueSlider* slider = tab.slider(last.y(), last.x());
        QTest::keyClicks(field, "7"); // replaces the text Tab selected
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(slider->integerValue(), 7);
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(field->text(), QString("8"));
        QCOMPARE(slider->integerValue(), 8);
        QTest::keyClick(field, Qt::Key_PageDown);
        QTest::keyClick(field, Qt::Key_PageDown);
        QCOMPARE(slider->integerValue(), -2);
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(field, Qt::Key_PageUp);
        QCOMPARE(field->text(), QString::number(lens.focusAdjustMax));
        QTest::keyClicks(field, "1"); // typing goes on after stepping
        QCOMPARE(field->text(), QString("1"));
    }

    // The wheel over the grid scrolls; it moves a slider only once the user has clicked it.
    void theWheelMovesOnlyAFocusedSlider() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        FocusValueSlider* slider = tab.slider(3, 1);
        auto turnWheel = [&] {
            const QPointF centre = QRectF(slider->rect()).center();
            QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(slider, &wheel);
            return wheel.isAccepted();
        };
        QVERIFY(!turnWheel());
        QCOMPARE(slider->value(), 0);
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(slider->hasFocus());
        const int clicked = slider->value();
        QVERIFY(turnWheel());
        QVERIFY(slider->value() != clicked);
    }

    // One whole value is a deliberate move of the mouse, not a pixel or two.
    void aWholeValueIsSeveralPixelsOfTheSliderTrack() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        FocusValueSlider* slider = tab.slider(0, 0);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        const QRect handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
        const int span = slider->width() - handle.width();
        const int perValue = QStyle::sliderPositionFromValue(
            slider->minimum(), slider->maximum(), slider->minimum() + FocusValueSlider::stepsPerUnit, span);
        QVERIFY2(perValue >= 3, qPrintable(QString::number(perValue)));
    }

    // Wide sliders must not hide a distance: at its preferred size the tab shows every column.
    void atItsPreferredSizeTheTabShowsEveryColumn_data() { addLensRows(); }
    void atItsPreferredSizeTheTabShowsEveryColumn() {
        QFETCH(LensInfo, lens);
        TabFixture f(lens);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        tab.resize(tab.sizeHint());
        QCoreApplication::processEvents();
        auto* grid = tab.findChild<QScrollArea*>(QStringLiteral("mainTable"));
        QVERIFY(grid);
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
        const QRect visible(QPoint(0, 0), grid->viewport()->size());
        for (int column = 0; column < FocusAdjustmentTab::columnCount; ++column) {
            QLineEdit* field = tab.textField(0, column);
            const QRect inViewport(field->mapTo(grid->viewport(), QPoint(0, 0)), field->size());
            QVERIFY2(visible.contains(inViewport), qPrintable(QString::number(column)));
        }
    }

    void pressHighlightsAndReleaseOpensTheCell() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QLineEdit* field = tab.textField(3, 2);
        QVERIFY(field->isReadOnly());
        QTest::mousePress(field, Qt::LeftButton);
        QVERIFY(tab.cell(3, 2)->isHighlighted());
        QCOMPARE(tab.selectText(), field);
        QVERIFY(field->isReadOnly());
        QTest::mouseRelease(field, Qt::LeftButton);
        QVERIFY(!tab.cell(3, 2)->isHighlighted());
        QVERIFY(!field->isReadOnly());
    }

    void pressingAnUnusedCellNeitherHighlightsNorOpensAnything() {
        TabFixture f(awkwardLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 0, 0);
        QTest::mousePress(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(!tab.cell(6, 2)->isHighlighted());
        QTest::mouseRelease(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(tab.selectText() != tab.textField(6, 2));
        QVERIFY(tab.textField(6, 2)->isReadOnly());
        QVERIFY(tab.textField(0, 0)->isReadOnly());
    }

    void pressingAnotherCellEndsTheEditInProgress() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 0, 0);
        QTest::keyClicks(tab.textField(0, 0), "12");
        openForTyping(tab, 1, 0);
        QCOMPARE(tab.textField(0, 0)->text(), QString("12"));
        QVERIFY(tab.textField(0, 0)->isReadOnly());
        QCOMPARE(tab.slider(0, 0)->integerValue(), 12);
        QVERIFY(!tab.textField(1, 0)->isReadOnly());
        QCOMPARE(tab.selectText(), tab.textField(1, 0));
    }

    void movingTheKeyboardFocusAwayEndsTheEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("accepted") << "-9"
                                  << "-9";
        QTest::newRow("refused") << "45"
                                 << "0";
    }
    void movingTheKeyboardFocusAwayEndsTheEdit() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        openForTyping(tab, 4, 1);
        QVERIFY(tab.textField(4, 1)->hasFocus());
        QTest::keyClicks(tab.textField(4, 1), typed);
        tab.slider(6, 2)->setFocus();
        QCOMPARE(tab.textField(4, 1)->text(), shown);
        QVERIFY(tab.textField(4, 1)->isReadOnly());
        QCOMPARE(tab.slider(4, 1)->integerValue(), shown.toInt());
    }

    void writeShowsTheStoredValueInTheText() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 0, 1);
        typeAndFinish(tab.textField(0, 1), "+05");
        QCOMPARE(tab.textField(0, 1)->text(), QString("+05"));
        f.shell->raiseWrite();
        QCOMPARE(tab.textField(0, 1)->text(), QString("5"));
        QCOMPARE(f.data().focusZoomCenter[0], 5);
    }

    // A write (Apply by its shortcut, with the field still open) stores a value typed but not yet
    // confirmed, and puts back text that is no value.
    void writeTakesAValueBeingTypedAndDropsOtherText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("a value") << "11" << 11;
        QTest::newRow("no value") << "1.5" << -6;
    }
    void writeTakesAValueBeingTypedAndDropsOtherText() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomClose[2] = -6;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 2, 0);
        QTest::keyClicks(tab.textField(2, 0), typed);
        f.shell->raiseWrite();
        QCOMPARE(tab.textField(2, 0)->text(), QString::number(stored));
        QCOMPARE(f.data().focusZoomClose[2], stored);
    }

    void movingASliderAbandonsTheEditAndShowsItsValue() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomClose[0] = 3;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 0, 0);
        QTest::keyClicks(tab.textField(0, 0), "22");
        QTest::keyClick(tab.slider(5, 1), Qt::Key_Right);
        QCOMPARE(tab.textField(0, 0)->text(), QString("3"));
        QVERIFY(tab.textField(0, 0)->isReadOnly());
        QCOMPARE(tab.textField(5, 1)->text(), QString("1"));
    }

    void controlShowsTheDataAgain() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QTest::keyClick(tab.slider(0, 0), Qt::Key_Right);
        LensAdjustData data;
        data.focusZoomClose[0] = -17;
        data.focusZoomInfinite[7] = 23;
        f.setData(data);
        f.shell->raiseControl();
        QCOMPARE(tab.textField(0, 0)->text(), QString("-17"));
        QCOMPARE(tab.slider(0, 0)->integerValue(), -17);
        QCOMPARE(tab.textField(7, 2)->text(), QString("23"));
        QCOMPARE(tab.slider(7, 2)->integerValue(), 23);
    }

    void aHiddenTabIgnoresTheFlagsAndShowsAfreshWhenShownAgain() {
        TabFixture f(zoomLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QVERIFY(tab.isObserving());
        tab.hide();
        QVERIFY(!tab.isObserving());
        QTest::keyClick(tab.slider(0, 0), Qt::Key_Right);
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomClose[0], 0);
        LensAdjustData data;
        data.focusZoomClose[0] = 8;
        f.setData(data);
        f.shell->raiseControl();
        QCOMPARE(tab.textField(0, 0)->text(), QString("1"));
        tab.show();
        QCOMPARE(tab.textField(0, 0)->text(), QString("8"));
    }

    void thePictureGoesToTheIndicator() {
        TabFixture f(zoomLens());
        QImage picture(392, 45, QImage::Format_ARGB32);
        picture.fill(Qt::green);
        f.shell->pictures().focusAdjustmentImage.set(picture);
        FocusAdjustmentTab tab(*f.shell);
        QCOMPARE(tab.focusIndicator()->focusIndicatorImage(), picture);
    }
};

QTEST_MAIN(TestFocusAdjustmentTab)
#include "tst_focusadjustmenttab.moc"
