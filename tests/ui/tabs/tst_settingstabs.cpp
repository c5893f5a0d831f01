#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentCell.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitSwitchIcon.h"
#include "ui/tabs/FocusLimitView.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/MiscellaneousTab.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QWheelEvent>

using namespace lensdock;

namespace {
// The grey levels `widget` shows at `points`, exact: the blending is done the same way each time.
QList<int> greys(QWidget* widget, const QList<QPoint>& points) {
    const QImage image = widget->grab().toImage();
    QList<int> found;
    for (const QPoint& point : points)
        found << qRed(image.pixel(point));
    return found;
}
} // namespace

class TestSettingsTabs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Per lens: the focus cells in use, their labels, values and range, what a write stores (also with
    // the tab disabled by its screen), and that at its preferred size the tab shows every column.
    void focusCellsFollowTheLens_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QPoint>("inUse");       // columns, rows
        QTest::addColumn<QStringList>("legend"); // smallest, neutral, largest
        QTest::newRow("zoom lens") << zoomLens() << QPoint(3, 8) << QStringList{"-30", "0", "30"};
        QTest::newRow("prime") << primeLens() << QPoint(3, 1) << QStringList{"-20", "0", "20"};
        QTest::newRow("(15 - 10) / 2") << awkwardLens() << QPoint(2, 5) << QStringList{"-10", "2", "15"};
        LensInfo lens = zoomLens();
        lens.focusAdjustMin = -25;
        lens.focusAdjustMax = 10;
        QTest::newRow("-15 / 2 truncates") << lens << QPoint(3, 8) << QStringList{"-25", "-7", "10"};
        lens = awkwardLens();
        lens.supportsFocusZoom = false; // its range is not used
        QTest::newRow("no adjustment") << lens << QPoint(0, 0) << QStringList{"-30", "0", "30"};
    }
    void focusCellsFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(QPoint, inUse);
        QFETCH(QStringList, legend);
        TabFixture f(lens);
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
        QCOMPARE((QStringList{tab.txtFocusMinimum()->text(), tab.txtFocusDefault()->text(),
                              tab.txtFocusMaximum()->text()}),
                 legend);
        LensAdjustData::FocusList* lists[] = {&data.focusZoomClose, &data.focusZoomCenter,
                                              &data.focusZoomInfinite};
        for (int r = 0; r < 8; ++r) {
            const QString focalLength = QString::number(lens.zoomFocalLengths[r]) + "mm";
            QCOMPARE(tab.zoomDistanceLabel(r)->text(), r < inUse.y() ? focalLength : QString());
            for (int c = 0; c < 3; ++c) {
                const bool used = r < inUse.y() && c < inUse.x();
                const int shown = used ? int((*lists[c])[r]) : legend[1].toInt();
                FocusValueSlider* slider = tab.slider(r, c);
                QVERIFY2(tab.textField(r, c)->isEnabled() == used && slider->isEnabled() == used &&
                             tab.textField(r, c)->text() == QString::number(shown) &&
                             slider->integerValue() == shown &&
                             slider->minimum() == legend[0].toInt() * FocusValueSlider::stepsPerUnit &&
                             slider->maximum() == legend[2].toInt() * FocusValueSlider::stepsPerUnit,
                         qPrintable(QString("%1, %2").arg(r).arg(c)));
                press(slider, Qt::Key_Right, used ? (r + c) % 3 + 1 : 0); // its own value
                (*lists[c])[r] = used ? shown + (r + c) % 3 + 1 : 0;
            }
        }
        // Wide sliders once hid a distance.
        tab.resize(tab.sizeHint());
        QCoreApplication::processEvents();
        auto* grid = tab.findChild<QScrollArea*>(QStringLiteral("mainTable"));
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
        for (int c = 0; c < 3; ++c) {
            QLineEdit* field = tab.textField(0, c);
            const QRect inViewport(field->mapTo(grid->viewport(), QPoint(0, 0)), field->size());
            QVERIFY(QRect(QPoint(0, 0), grid->viewport()->size()).contains(inViewport));
        }
        tab.setEnabled(false); // as the screen does while it works: the values still count
        f.shell->raiseWrite();
        data.vcMode = 1;
        data.focusLimitFirstFar = data.focusLimitSecondFar = lens.focusLimitDivisions - 1;
        QCOMPARE(f.data(), data);
    }

    // Every keystroke is kept (so "1.5" never turns into 15) and text that is no value of the lens is
    // marked. Return takes a value and leaves the field open; Tab walks on, keeping the text or putting
    // the old value back with a note that stays while the next field is typed in (it once went at
    // once). A write takes the field being typed in and shows what it stored; the arrow and page keys
    // step the value within the range.
    void typedTextIsTakenOrPutBack_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("plus sign") << "+7" << false;
        QTest::newRow("leading zeros") << "-007" << false;
        QTest::newRow("smallest") << "-30" << false;
        QTest::newRow("decimal point") << "1.5" << true;
        QTest::newRow("minus alone") << "-" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("too large") << "31" << true;
        QTest::newRow("leading space") << " 1" << true;
        QTest::newRow("beyond 64 bits") << "9999999999999999999" << true;
    }
    void typedTextIsTakenOrPutBack() {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusZoomInfinite[0] = 4;
        data.focusZoomClose[1] = -6;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        QTest::mouseClick(tab.textField(0, 2), Qt::LeftButton);
        QLineEdit* field = tab.textField(0, 2);
        QCOMPARE(field->placeholderText(), QString("-30 to 30"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        QVERIFY(field->text() == typed && tab.cell(0, 2)->isMarkedInvalid() == refused);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(field->text() == typed && !field->isReadOnly());
        QCOMPARE(tab.slider(0, 2)->integerValue(), refused ? 4 : typed.toInt());
        QTest::keyClick(field, Qt::Key_Tab); // to the next row
        QLineEdit* next = tab.textField(1, 0);
        QVERIFY(QApplication::focusWidget() == next && !next->isReadOnly());
        QVERIFY(field->text() == (refused ? QString("4") : typed) && field->isReadOnly());
        QVERIFY(!tab.cell(0, 2)->isMarkedInvalid());
        QTest::keyClicks(next, typed); // over the text Tab selected; not confirmed
        QCOMPARE(tab.editNote()->text().contains("-30 to 30"), refused);
        f.shell->raiseWrite();
        const int stored = refused ? -6 : typed.toInt();
        QVERIFY(f.data().focusZoomInfinite[0] == (refused ? 4 : typed.toInt()) &&
                f.data().focusZoomClose[1] == stored);
        QVERIFY(field->text() == QString::number(f.data().focusZoomInfinite[0]) &&
                next->text() == QString::number(stored));
        QTest::keyClick(next, Qt::Key_Up);
        QVERIFY(next->text() == QString::number(stored + 1) &&
                tab.slider(1, 0)->integerValue() == stored + 1);
        press(next, Qt::Key_PageDown, 2);
        QCOMPARE(tab.slider(1, 0)->integerValue(), std::max(stored - 9, -30));
        press(next, Qt::Key_PageUp, 20);
        QCOMPARE(next->text(), QString("30"));
        QTest::keyClicks(next, "1"); // typing goes on after stepping
        QCOMPARE(next->text(), QString("1"));
    }

    // A press highlights a cell in use and its release opens it; pressing another cell or moving a
    // slider ends the edit in progress, keeping a value or putting the old text back.
    void theMouseOpensAndEndsEdits() {
        TabFixture f(awkwardLens());
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QLineEdit* field = tab.textField(3, 1);
        // The colour the field is filled with, left of its right-aligned text.
        auto fill = [field] {
            return field->grab().toImage().pixel(field->width() / 4, field->height() / 2);
        };
        const QRgb plain = fill();
        QTest::mousePress(field, Qt::LeftButton);
        QVERIFY(tab.cell(3, 1)->isHighlighted() && field->isReadOnly());
        QCOMPARE(fill(), tab.palette().color(QPalette::Highlight).rgb());
        QTest::mouseRelease(field, Qt::LeftButton);
        QVERIFY(!tab.cell(3, 1)->isHighlighted() && !field->isReadOnly());
        QCOMPARE(fill(), plain);
        QTest::keyClicks(field, "12");
        QTest::mouseClick(tab.textField(0, 0), Qt::LeftButton);
        QVERIFY(field->text() == "12" && field->isReadOnly() && tab.selectText() == tab.textField(0, 0));
        QCOMPARE(tab.slider(3, 1)->integerValue(), 12);
        // An unused cell neither highlights nor opens, but ends the edit.
        QTest::mousePress(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(!tab.cell(6, 2)->isHighlighted());
        QTest::mouseRelease(tab.cell(6, 2), Qt::LeftButton);
        QVERIFY(tab.textField(6, 2)->isReadOnly() && tab.textField(0, 0)->isReadOnly());
        QTest::mouseClick(tab.textField(1, 0), Qt::LeftButton);
        QTest::keyClicks(tab.textField(1, 0), "9");
        QTest::keyClick(tab.slider(2, 1), Qt::Key_Right);
        QVERIFY(tab.textField(1, 0)->text() == "0" && tab.textField(1, 0)->isReadOnly());
        QCOMPARE(tab.textField(2, 1)->text(), QString("1"));
        // A slider stops at whole values, halves away from zero.
        for (auto [tenths, value] : {std::pair{125, 13}, std::pair{-5, -1}}) {
            tab.slider(2, 1)->setValue(tenths);
            QVERIFY(tab.slider(2, 1)->value() == value * FocusValueSlider::stepsPerUnit &&
                    tab.textField(2, 1)->text() == QString::number(value));
        }
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusZoomCenter[2], -1);
    }

    void onlyTheShownTabFollowsTheFlags() {
        TabStack s;
        LensAdjustData data;
        data.focusZoomCenter[3] = -4;
        data.vcMode = 3;
        s.f.setData(data);
        s.f.shell->raiseControl();
        QCOMPARE(s.focus->textField(3, 1)->text(), QString("-4"));
        QVERIFY(s.misc->radioVcMode()->checkedId() != 2); // hidden: shown when shown
        QVERIFY(s.focus->isObserving() && !s.limiter->isObserving() && !s.misc->isObserving());
        QTest::keyClick(s.focus->slider(0, 0), Qt::Key_Right);
        QTest::keyClick(s.limiter->position(1)->sliderNear(), Qt::Key_Right); // hidden: not stored
        s.f.shell->raiseWrite();
        s.stack.setCurrentIndex(1);
        QVERIFY(!s.focus->isObserving() && s.limiter->isObserving());
        QCOMPARE(s.limiter->position(1)->sliderNear()->value(), 1); // afresh from the data
        QTest::keyClick(s.limiter->position(1)->sliderFar(), Qt::Key_Left);
        QTest::keyClick(s.focus->slider(0, 0), Qt::Key_Right); // hidden: not stored
        s.f.shell->raiseWrite();
        s.stack.setCurrentIndex(2);
        QCOMPARE(limits(s.f.data()), (QList<qint64>{1, 0, 8, 1, 0, 9}));
        QCOMPARE(s.f.data().focusZoomClose[0], 1);
        QCOMPARE(s.misc->radioVcMode()->checkedId(), 2);
    }

    // The wheel over a tab scrolls the page: it moves a slider only once the user has clicked it. One
    // step of a slider is a deliberate move of the mouse, not a pixel or two.
    void slidersTakeTheWheelOnlyOnceClicked_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pixelsPerStep"); // at least
        QTest::newRow("focus cell") << 0 << 3;
        QTest::newRow("limiter") << 1 << 10;
        QTest::newRow("full-time manual level") << 2 << 20;
    }
    void slidersTakeTheWheelOnlyOnceClicked() {
        QFETCH(int, page);
        QFETCH(int, pixelsPerStep);
        TabStack s;
        s.stack.setCurrentIndex(page);
        QApplication::setActiveWindow(&s.stack);
        QVERIFY(QTest::qWaitForWindowActive(&s.stack));
        QSlider* sliders[] = {s.focus->slider(3, 1), s.limiter->position(1)->sliderNear(),
                              s.misc->sliderFulltimeManualFocus()};
        QSlider* slider = sliders[page];
        auto turnWheel = [slider] {
            const QPointF centre = QRectF(slider->rect()).center();
            QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(slider, &wheel);
            return wheel.isAccepted();
        };
        const int before = slider->value();
        QVERIFY(!turnWheel() && slider->value() == before);
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(slider->hasFocus());
        const int clicked = slider->value();
        QVERIFY(turnWheel() && slider->value() != clicked);
        QCOMPARE(s.limiter->position(1)->valueNear()->text(), QString::number(sliders[1]->value()));
        const int pixels = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                           slider->minimum() + slider->singleStep(),
                                                           slider->width() - handleOf(slider).width());
        QVERIFY2(pixels >= pixelsPerStep, qPrintable(QString::number(pixels)));
    }

    // Per lens: which limiter positions take input and which switch they show; one offered shows the
    // stored steps one up and its band, keeps its near limit below the far one and takes a mode
    // clicked, one not offered shows the default scale; each handle sits under the mark it moves (they
    // were once apart), whatever the style; a position found unavailable stays so when another lens
    // shows up. Full-time manual focus and the VC modes as the lens offers them, mode 3 dropped at
    // once where it is not. A write stores them all (what is not offered as corrected defaults).
    void limiterAndMiscellaneousFollowTheLens_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<int>("offered"); // limiter positions 1 to `offered`
        QTest::addColumn<bool>("middleFirst");
        QTest::addColumn<QString>("misc"); // box enabled, ticked, level enabled, level; VC rows -> stored
        QTest::addColumn<QString>("style");
        QTest::newRow("zoom lens, switch type 1")
            << zoomLens() << 2 << true << "111 3, 111 2 -> 0 2 1" << QString();
        QTest::newRow("prime") << primeLens() << 0 << true << "111 3, 000 0 -> 0 2 2" << QString();
        QTest::newRow("6 steps, type 0")
            << awkwardLens() << 1 << false << "000 2, 110 0 -> 0 2 1" << QString();
        LensInfo none = zoomLens();
        none.focusLimitCount = 0;
        none.focusLimitSwitchType = 2;
        QTest::newRow("no positions, type 2 as type 0")
            << none << 0 << false << "111 3, 111 2 -> 0 2 1" << QString();
        // A style with a narrower handle, put on while the tab is shown.
        QTest::newRow("other style") << zoomLens() << 2 << true << "111 3, 111 2 -> 0 2 1"
                                     << "Windows";
    }
    void limiterAndMiscellaneousFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(int, offered);
        QFETCH(bool, middleFirst);
        QFETCH(QString, misc);
        QFETCH(QString, style);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = data.focusLimitSecondNear = 2;
        data.focusLimitFirstFar = data.focusLimitSecondFar = 4;
        data.focusLimitFirstMode = data.focusLimitSecondMode = 2;
        data.fullTimeManual = data.vcMode = 3;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        MiscellaneousTab other(*f.shell);
        tab.show();
        other.show();
        QCOMPARE(f.data().vcMode, lens.vcModeType == 1 ? 2 : 3);
        QCheckBox* box = other.chkFulltimeManualFocus();
        QSlider* level = other.sliderFulltimeManualFocus();
        QString rows;
        for (int row = 0; row < MiscellaneousTab::vcModeRows; ++row)
            rows += other.vcModeRow(row)->isEnabled() ? '1' : '0';
        const QString shown =
            QString::asprintf("%d%d%d %d, %s %d", box->isEnabled(), box->isChecked(), level->isEnabled(),
                              level->value(), qPrintable(rows), other.radioVcMode()->checkedId());
        clickIndicator(box);
        clickIndicator(other.vcModeRow(1));
        QCOMPARE(level->isEnabled(), box->isChecked());
        const QString savedStyle = QApplication::style()->name();
        const auto restoreStyle = qScopeGuard([&] { QApplication::setStyle(savedStyle); });
        if (!style.isEmpty())
            QApplication::setStyle(style);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const int lastStep = lens.focusLimitDivisions - 1;
        QList<qint64> stored;
        for (FocusLimitPosition* p : {tab.position(1), tab.position(2)}) {
            const bool on = p->number() <= offered, middle = (p->number() == 1) == middleFirst;
            QCOMPARE(
                p->icon()->pixmap().toImage(),
                FocusLimitSwitchIcon::named(middle ? "MiddleFocusLimitSwitch" : "BottomFocusLimitSwitch"));
            QCOMPARE(p->title()->text(),
                     middle ? QString("Switch in the middle") : QString("Switch at the bottom"));
            QCOMPARE(enabledControls(p), on ? "1111" : "0000");
            QCOMPARE(p->sliderFar()->maximum(), on ? lens.focusLimitDivisions : 10);
            QCOMPARE(p->view()->mode(), on ? FocusLimitView::segmentMode : FocusLimitView::rangeMode);
            QVERIFY(p->radioSegment()->isChecked() == on && p->radioRange()->isChecked() == !on);
            QCOMPARE(p->view()->nearValue(), on ? 2.0 / lastStep : 0.0);
            QCOMPARE(p->view()->farValue(), on ? 4.0 / lastStep : 1.0);
            for (auto [slider, label, step] : {std::tuple{p->sliderNear(), p->valueNear(), on ? 3 : 1},
                                               std::tuple{p->sliderFar(), p->valueFar(), on ? 5 : 10}}) {
                const qreal fraction = qreal(step - 1) / (slider->maximum() - 1);
                const QPointF mark(p->view()->scaleX(p->view()->size(), fraction), 0);
                const qreal gap = slider->mapTo(&tab, QRectF(handleOf(slider)).center()).x() -
                                  p->view()->mapTo(&tab, mark).x();
                QVERIFY2(qAbs(gap) <= 1.5, qPrintable(QString::number(gap)));
                QVERIFY(slider->value() == step && label->text() == QString::number(step));
            }
            stored << (on ? QList<qint64>{2, 2, 4} : QList<qint64>{1, 0, lastStep});
        }
        if (offered > 0) {
            FocusLimitPosition* first = tab.position(1);
            press(first->sliderFar(), Qt::Key_Left, 2);   // onto near: back to near + 1
            press(first->sliderNear(), Qt::Key_Right, 1); // onto far: back to far - 1
            QVERIFY(first->sliderNear()->value() == 3 && first->sliderFar()->value() == 4);
            QCOMPARE(first->view()->farValue(), 3.0 / lastStep);
            clickIndicator(first->radioRange());
            stored[0] = 1;
            stored[2] = 3;
        }
        f.shell->raiseWrite();
        QCOMPARE(limits(f.data()), stored);
        data = f.data();
        QCOMPARE(shown + QString::asprintf(" -> %d %d %d", data.isFullTimeManualEnable,
                                           int(data.fullTimeManual), int(data.vcMode)),
                 misc);
        f.context->lensInfo().set(zoomLens());
        f.shell->raiseControl();
        QCOMPARE(enabledControls(tab.position(1)), offered >= 1 ? "1111" : "0000");
        QCOMPARE(enabledControls(tab.position(2)), offered >= 2 ? "1111" : "0000");
    }

    // The limiter's window in its tab: the picture in a strip 45 high along the top edge, its upper
    // corners rounded less than its lower ones, shaded outside the limits in range mode; the marks at
    // the limits reach below the strip onto the tab's ground, where on a dark desktop they once
    // vanished: the tab keeps its light ground. The focus indicator marks the ends and the middle of
    // its scale. Nothing is drawn without a picture.
    void viewsDrawOnALightGround_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("shaded"); // the picture outside the limits; 0 for no picture
        QTest::newRow("range") << 1 << 180;
        QTest::newRow("segment") << 2 << 200;
        QTest::newRow("no picture") << 1 << 0;
    }
    void viewsDrawOnALightGround() {
        QFETCH(int, mode);
        QFETCH(int, shaded);
        const QPalette saved = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(saved); });
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35))); // dark throughout, white text
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusLimitFirstNear = 2; // x = 40 + 312 * 2 / 9, rounded: 109
        data.focusLimitFirstFar = 7;  // x = 40 + 312 * 7 / 9, rounded: 283
        data.focusLimitFirstMode = mode;
        f.setData(data);
        QImage picture(392, 45, QImage::Format_ARGB32);
        picture.fill(QColor(200, 200, 200));
        for (auto* image : {&f.shell->pictures().focusLimitImage, &f.shell->pictures().focusAdjustmentImage})
            image->set(shaded ? picture : QImage());
        FocusLimiterTab limiter(*f.shell);
        FocusAdjustmentTab focus(*f.shell);
        limiter.show();
        focus.show();
        // The ground is 239, 203 under a mark (15 % black); the picture is 200, 170 under a mark.
        const int under = int(shaded * 0.85 + 0.5), y = focus.focusIndicator()->height() - 1;
        QList<int> band{239,   shaded, 239, shaded, 200,    200, 239, shaded,
                        under, 170,    200, under,  shaded, 203, 239, 203};
        QList<int> ticks{203, 203, 239, 203, 203, 239, 170};
        if (!shaded) // the ground throughout
            band.fill(239), ticks.fill(239);
        QCOMPARE(greys(limiter.position(1)->view(), {{0, 0},
                                                     {7, 0},
                                                     {2, 44},
                                                     {14, 44},
                                                     {200, 2},
                                                     {200, 44},
                                                     {200, 45},
                                                     {107, 20},
                                                     {108, 20},
                                                     {109, 20},
                                                     {110, 20},
                                                     {283, 20},
                                                     {284, 20},
                                                     {108, y},
                                                     {110, y},
                                                     {283, y}}),
                 band);
        QCOMPARE(greys(focus.focusIndicator(),
                       {{39, y}, {40, y}, {41, y}, {196, y}, {352, y}, {353, y}, {196, 20}}),
                 ticks);
        QCOMPARE(FocusWindowView().pictureRect(QSizeF(391, 100)).x(), -1.0); // halves away from zero
    }
};

QTEST_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
