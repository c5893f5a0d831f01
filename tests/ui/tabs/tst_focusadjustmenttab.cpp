#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentCell.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/OnlyIntegerValidator.h"
#include "ui/Translations.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

using namespace lensdock;

namespace {
struct LensCase {
    LensInfo lens;
    int rows, columns;         // in use
    std::array<int, 3> legend; // smallest, neutral, largest
};

LensInfo withoutAdjustment(LensInfo lens) {
    lens.supportsFocusZoom = false;
    return lens;
}

void openForTyping(FocusAdjustmentTab& tab, int row, int column) {
    QTest::mouseClick(tab.textField(row, column), Qt::LeftButton);
}

// The colour a field is filled with, left of its right-aligned text.
QRgb fillOf(QLineEdit* field) {
    return field->grab().toImage().pixel(field->width() / 4, field->height() / 2);
}
} // namespace
Q_DECLARE_METATYPE(LensCase)

class TestFocusAdjustmentTab : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Per lens: the cells in use, the labels, the values and range shown, what a write stores (also
    // with the tab disabled by its screen), and that at its preferred size the tab shows every column.
    void eachLensShowsAndStoresItsCells_data() {
        QTest::addColumn<LensCase>("c");
        QTest::newRow("zoom lens") << LensCase{zoomLens(), 8, 3, {-30, 0, 30}};
        QTest::newRow("prime") << LensCase{primeLens(), 1, 3, {-20, 0, 20}};
        QTest::newRow("awkward: (15 - 10) / 2") << LensCase{awkwardLens(), 5, 2, {-10, 2, 15}};
        LensInfo offCentre = zoomLens();
        offCentre.focusAdjustMax = 10;
        offCentre.focusAdjustMin = -25;
        QTest::newRow("-15 / 2 truncates to -7") << LensCase{offCentre, 8, 3, {-25, -7, 10}};
        // The lens's own range is not used.
        QTest::newRow("no adjustment") << LensCase{withoutAdjustment(awkwardLens()), 0, 0, {-30, 0, 30}};
        QTest::newRow("nothing offered") << LensCase{LensInfo(), 0, 0, {-30, 0, 30}};
    }
    void eachLensShowsAndStoresItsCells() {
        QFETCH(LensCase, c);
        TabFixture f(c.lens);
        LensAdjustData data;
        for (int r = 0; r < 8; ++r) {
            data.focusZoomClose[r] = r;
            data.focusZoomCenter[r] = -r - 1;
            data.focusZoomInfinite[r] = 5;
        }
        data.vcMode = 7; // no mode: corrected by the write
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        const QLabel* legend[] = {tab.txtFocusMinimum(), tab.txtFocusDefault(), tab.txtFocusMaximum()};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(legend[i]->text(), QString::number(c.legend[i]));
        LensAdjustData::FocusList* lists[] = {&data.focusZoomClose, &data.focusZoomCenter,
                                              &data.focusZoomInfinite};
        for (int r = 0; r < 8; ++r) {
            const QString focalLength = QString::number(c.lens.zoomFocalLengths[r]) + "mm";
            QCOMPARE(tab.zoomDistanceLabel(r)->text(), r < c.rows ? focalLength : QString());
            for (int col = 0; col < 3; ++col) {
                const bool used = r < c.rows && col < c.columns;
                const int shown = used ? int((*lists[col])[r]) : c.legend[1];
                FocusValueSlider* slider = tab.slider(r, col);
                QCOMPARE(tab.textField(r, col)->isEnabled(), used);
                QCOMPARE(slider->isEnabled(), used);
                QCOMPARE(tab.textField(r, col)->text(), QString::number(shown));
                QCOMPARE(slider->integerValue(), shown);
                QCOMPARE(slider->minimum(), c.legend[0] * FocusValueSlider::stepsPerUnit);
                QCOMPARE(slider->maximum(), c.legend[2] * FocusValueSlider::stepsPerUnit);
                // Each cell in use gets its own value.
                press(slider, Qt::Key_Right, used ? (r + col) % 3 + 1 : 0);
                (*lists[col])[r] = used ? shown + (r + col) % 3 + 1 : 0;
            }
        }
        // Wide sliders once hid a distance.
        tab.resize(tab.sizeHint());
        QCoreApplication::processEvents();
        auto* grid = tab.findChild<QScrollArea*>(QStringLiteral("mainTable"));
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
        for (int col = 0; col < 3; ++col) {
            QLineEdit* field = tab.textField(0, col);
            const QRect inViewport(field->mapTo(grid->viewport(), QPoint(0, 0)), field->size());
            QVERIFY2(QRect(QPoint(0, 0), grid->viewport()->size()).contains(inViewport),
                     qPrintable(QString::number(col)));
        }
        tab.setEnabled(false); // as the screen does while it works: the values still count
        f.shell->raiseWrite();
        const LensAdjustData stored = f.data();
        QVERIFY(stored.focusZoomClose == data.focusZoomClose &&
                stored.focusZoomCenter == data.focusZoomCenter);
        QVERIFY(stored.focusZoomInfinite == data.focusZoomInfinite);
        QCOMPARE(stored.vcMode, 1);
    }

    void onlyWholeNumbersOfTheRangeAreValues() {
        OnlyIntegerValidator validator;
        validator.setRange(-30, 30);
        const QStringList values{"7", "-12", "+30", "007", "-30"};
        const QStringList notValues{"",
                                    "-",
                                    "+",
                                    "31",
                                    "-31",
                                    "1.5",
                                    "1,5",
                                    "a",
                                    "1-",
                                    "--1",
                                    " 1",
                                    QString(QChar(0xFF11)),
                                    QString(QChar(0x0663)),
                                    "9999999999999999999"};
        int position = 0;
        for (QString text : values + notValues) {
            const auto expected = values.contains(text) ? QValidator::Acceptable : QValidator::Intermediate;
            QVERIFY2(validator.validate(text, position) == expected, qPrintable(text));
        }
        QString twentyCharacters = QStringLiteral("12345678901234567890");
        QCOMPARE(validator.validate(twentyCharacters, position), QValidator::Invalid);
    }

    // Every keystroke is kept (so "1.5" never turns into 15) and text that is no value is marked. Return
    // takes a value and leaves the field open; leaving it keeps the text or puts the old value back with
    // a note. A write takes a field still being typed in and shows what it stored.
    void typedTextIsTakenOrPutBack_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("plus sign") << "+7" << false;
        QTest::newRow("smallest") << "-30" << false;
        QTest::newRow("decimal point") << "1.5" << true;
        QTest::newRow("minus alone") << "-" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("too large") << "45" << true;
    }
    void typedTextIsTakenOrPutBack() {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomInfinite[1] = 4;
        data.focusZoomClose[2] = -6;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 1, 2);
        QLineEdit* field = tab.textField(1, 2);
        QCOMPARE(field->placeholderText(), QString("-30 to 30"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), typed);
        QCOMPARE(tab.cell(1, 2)->isMarkedInvalid(), refused);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), typed);
        QVERIFY(!field->isReadOnly());
        QCOMPARE(tab.slider(1, 2)->integerValue(), refused ? 4 : typed.toInt());
        openForTyping(tab, 2, 0);
        QCOMPARE(field->text(), refused ? QString("4") : typed);
        QVERIFY(field->isReadOnly() && !tab.cell(1, 2)->isMarkedInvalid());
        QCOMPARE(tab.editNote()->text().contains("-30 to 30"), refused);
        QTest::keyClicks(tab.textField(2, 0), typed); // not confirmed
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomInfinite[1], refused ? 4 : typed.toInt());
        QCOMPARE(f.data().focusZoomClose[2], refused ? -6 : typed.toInt());
        QCOMPARE(field->text(), QString::number(f.data().focusZoomInfinite[1]));
        QCOMPARE(tab.textField(2, 0)->text(), QString::number(f.data().focusZoomClose[2]));
    }

    // With the keyboard alone: Tab walks the fields in use row by row, each open for typing; a refused
    // text's note stays while the next field is typed in (it once went at once) and goes when that edit
    // ends with a value; the arrow and page keys step the value within the range.
    void theKeyboardWalksAndStepsTheGrid_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QList<QPoint>>("walk"); // (column, row) of the fields in Tab order
        QTest::newRow("zoom lens") << zoomLens() << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}};
        QTest::newRow("two distances") << awkwardLens() << QList<QPoint>{{0, 0}, {1, 0}, {0, 1}, {1, 1}};
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
            QLineEdit* field = tab.textField(walk[i].y(), walk[i].x());
            QVERIFY2(QApplication::focusWidget() == field, qPrintable(QString::number(i)));
            QVERIFY(!field->isReadOnly());
            if (i == 1) {
                QCOMPARE(tab.textField(0, 0)->text(), QString("0"));
                QTest::keyClicks(field, "3");
                QVERIFY(tab.editNote()->text().contains("1.5"));
            }
            if (i == 2) {
                QVERIFY(tab.editNote()->text().isEmpty());
                QCOMPARE(tab.slider(walk[1].y(), walk[1].x())->integerValue(), 3);
            }
            QTest::keyClicks(field, i == 0 ? "1.5" : i == walk.size() - 1 ? "7" : ""); // over the selection
            if (i + 1 < walk.size())
                QTest::keyClick(field, Qt::Key_Tab);
        }
        QLineEdit* field = tab.textField(walk.last().y(), walk.last().x());
        FocusValueSlider* slider = tab.slider(walk.last().y(), walk.last().x());
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(field->text(), QString("8"));
        QCOMPARE(slider->integerValue(), 8);
        press(field, Qt::Key_PageDown, 2);
        QCOMPARE(slider->integerValue(), -2);
        press(field, Qt::Key_PageUp, 20);
        QCOMPARE(field->text(), QString::number(lens.focusAdjustMax));
        QTest::keyClicks(field, "1"); // typing goes on after stepping
        QCOMPARE(field->text(), QString("1"));
    }

    // A press highlights a cell in use and its release opens it; pressing another cell or moving a
    // slider ends the edit in progress, keeping a value or putting the old text back.
    void theMouseOpensAndEndsEdits() {
        TabFixture f(awkwardLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QLineEdit* field = tab.textField(3, 1);
        const QRgb plain = fillOf(field);
        QTest::mousePress(field, Qt::LeftButton);
        QVERIFY(tab.cell(3, 1)->isHighlighted() && field->isReadOnly());
        QCOMPARE(fillOf(field), tab.palette().color(QPalette::Highlight).rgb());
        QTest::mouseRelease(field, Qt::LeftButton);
        QVERIFY(!tab.cell(3, 1)->isHighlighted() && !field->isReadOnly());
        QCOMPARE(fillOf(field), plain);
        QTest::keyClicks(field, "12");
        openForTyping(tab, 0, 0);
        QCOMPARE(field->text(), QString("12"));
        QVERIFY(field->isReadOnly());
        QCOMPARE(tab.slider(3, 1)->integerValue(), 12);
        QCOMPARE(tab.selectText(), tab.textField(0, 0));
        // An unused cell neither highlights nor opens, but ends the edit.
        QTest::mousePress(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(!tab.cell(6, 2)->isHighlighted());
        QTest::mouseRelease(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(tab.textField(6, 2)->isReadOnly() && tab.textField(0, 0)->isReadOnly());
        openForTyping(tab, 1, 0);
        QTest::keyClicks(tab.textField(1, 0), "9");
        QTest::keyClick(tab.slider(2, 1), Qt::Key_Right);
        QCOMPARE(tab.textField(1, 0)->text(), QString("0"));
        QVERIFY(tab.textField(1, 0)->isReadOnly());
        QCOMPARE(tab.textField(2, 1)->text(), QString("1"));
        // A slider stops at whole values, halves away from zero.
        for (auto [tenths, value] : {std::pair{125, 13}, std::pair{-5, -1}}) {
            tab.slider(2, 1)->setValue(tenths);
            QCOMPARE(tab.slider(2, 1)->value(), value * FocusValueSlider::stepsPerUnit);
            QCOMPARE(tab.textField(2, 1)->text(), QString::number(value));
        }
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomCenter[2], -1);
    }
};

QTEST_MAIN(TestFocusAdjustmentTab)
#include "tst_focusadjustmenttab.moc"
