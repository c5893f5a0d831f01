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

    void validatorAcceptance_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("digit") << "7" << true;
        QTest::newRow("minus alone") << "-" << true;
        QTest::newRow("plus alone") << "+" << true;
        QTest::newRow("signed") << "-12" << true;
        QTest::newRow("plus signed") << "+30" << true;
        QTest::newRow("leading zeros") << "007" << true;
        QTest::newRow("19 digits") << "1234567890123456789" << true;
        QTest::newRow("sign and 18 digits") << "-123456789012345678" << true;
        QTest::newRow("20 digits") << "12345678901234567890" << false;
        QTest::newRow("sign and 19 digits") << "-1234567890123456789" << false;
        QTest::newRow("letter") << "a" << false;
        QTest::newRow("sign inside") << "1-" << false;
        QTest::newRow("two signs") << "--1" << false;
        QTest::newRow("leading space") << " 1" << false;
        QTest::newRow("decimal point") << "1.5" << false;
        QTest::newRow("full-width digit") << QString(QChar(0xFF11)) << false;
        QTest::newRow("Arabic-Indic digit") << QString(QChar(0x0663)) << false;
    }
    void validatorAcceptance() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        OnlyIntegerValidator validator;
        int position = 0;
        QCOMPARE(validator.validate(text, position), accepted ? QValidator::Acceptable : QValidator::Invalid);
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
        QTest::keyClick(tab.textField(0, 0), Qt::Key_Return);
        QVERIFY(tab.textField(0, 0)->isReadOnly());
        QTest::mousePress(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(!tab.cell(6, 2)->isHighlighted());
        QTest::mouseRelease(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(tab.selectText() != tab.textField(6, 2));
        QVERIFY(tab.textField(6, 2)->isReadOnly());
        QVERIFY(tab.textField(0, 0)->isReadOnly());
    }

    void endingAnEditKeepsOrRestoresTheText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("in range") << "12"
                                  << "12" << 12;
        QTest::newRow("plus sign") << "+7"
                                   << "+7" << 7;
        QTest::newRow("smallest") << "-30"
                                  << "-30" << -30;
        QTest::newRow("largest") << "30"
                                 << "30" << 30;
        QTest::newRow("minus alone") << "-"
                                     << "4" << 4;
        QTest::newRow("plus alone") << "+"
                                    << "4" << 4;
        QTest::newRow("empty") << ""
                               << "4" << 4;
        QTest::newRow("too large") << "45"
                                   << "4" << 4;
        QTest::newRow("too small") << "-31"
                                   << "4" << 4;
        QTest::newRow("beyond 64 bits") << "9999999999999999999"
                                        << "4" << 4;
    }
    void endingAnEditKeepsOrRestoresTheText() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomInfinite[1] = 4;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 1, 2);
        typeAndFinish(tab.textField(1, 2), typed);
        QCOMPARE(tab.textField(1, 2)->text(), shown);
        QVERIFY(tab.textField(1, 2)->isReadOnly());
        QCOMPARE(tab.slider(1, 2)->integerValue(), stored);
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomInfinite[1], stored);
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

    void writeAbandonsAnEditInProgress() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomClose[2] = -6;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        openForTyping(tab, 2, 0);
        QTest::keyClicks(tab.textField(2, 0), "11");
        f.shell->raiseWrite();
        QCOMPARE(tab.textField(2, 0)->text(), QString("-6"));
        QVERIFY(tab.textField(2, 0)->isReadOnly());
        QCOMPARE(f.data().focusZoomClose[2], -6);
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
