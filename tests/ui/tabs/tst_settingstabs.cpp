#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/tabs/FocusAdjustmentCell.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitSwitchIcon.h"
#include "ui/tabs/FocusLimitView.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <memory>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::LensInfo)

namespace {
// The application objects a settings tab needs, without a window or a running connection thread.
struct TabFixture {
    std::unique_ptr<AppContext> context;
    std::unique_ptr<AppShell> shell;

    explicit TabFixture(const LensInfo& lens) {
        AppOptions options;
        options.downloadHost = *DownloadHost::fromUrl(QStringLiteral("http://127.0.0.1:1"));
        context = std::make_unique<AppContext>(options);
        shell = std::make_unique<AppShell>(*context, AppShell::Options());
        context->lensInfo().set(lens);
    }
    LensAdjustData data() const { return context->currentAdjustData().get(); }
    void setData(const LensAdjustData& data) { context->currentAdjustData().set(data); }
};

// Everything offered: 8 zoom positions, 3 distances from -30 to 30, two limiter positions of 10 steps,
// the middle switch first, VC mode with mode 3.
LensInfo zoomLens() {
    LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = true;
    lens.supportsVcMode = true;
    lens.zoomFocalLengths = {28, 35, 50, 70, 100, 135, 200, 300};
    return lens;
}

// A prime lens: one zoom position, no limiter, no VC.
LensInfo primeLens() {
    LensInfo lens = zoomLens();
    lens.supportsFocusLimit = lens.supportsVcMode = false;
    lens.zoomCount = 1;
    return lens;
}

// Awkward: 5 zoom positions, 2 distances, an off-centre range, one limiter position on a scale of
// 6 steps with the bottom switch first, no mode 3 of VC, full-time manual focus not offered.
LensInfo awkwardLens() {
    LensInfo lens = zoomLens();
    lens.supportsFullTimeManual = false;
    lens.vcModeType = 1;
    lens.zoomCount = 5;
    lens.focusPointCount = 2;
    lens.focusLimitCount = 1;
    lens.focusLimitDivisions = 6;
    lens.focusLimitSwitchType = 0;
    lens.focusAdjustMax = 15;
    lens.focusAdjustMin = -10;
    return lens;
}

// The three tabs hosted the way the lens screen hosts them: pages of a stack, switched after `write`
// has been raised, so that the tab being left stores its values and the one shown starts afresh.
struct TabStack {
    TabFixture f{zoomLens()};
    QStackedWidget stack;
    FocusAdjustmentTab* focus = new FocusAdjustmentTab(*f.shell);
    FocusLimiterTab* limiter = new FocusLimiterTab(*f.shell);
    MiscellaneousTab* misc = new MiscellaneousTab(*f.shell);
    TabStack() {
        for (QWidget* tab : QWidgetList{focus, limiter, misc})
            stack.addWidget(tab);
        stack.show();
    }
};

void clickIndicator(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const auto element =
        qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      button->style()->subElementRect(element, &option, button).center());
}

void press(QWidget* widget, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(widget, key);
}

// The handle of `slider` as its style draws it.
QRect handleOf(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.tickPosition = slider->tickPosition();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// "1" for each of a limiter position's mode buttons and sliders that takes input, else "0".
QString enabledControls(const FocusLimitPosition* p) {
    QString enabled;
    for (QWidget* control : QWidgetList{p->radioRange(), p->radioSegment(), p->sliderNear(), p->sliderFar()})
        enabled += control->isEnabled() ? '1' : '0';
    return enabled;
}

// Mode, near and far of each limiter position.
QList<qint64> limits(const LensAdjustData& d) {
    return {d.focusLimitFirstMode,  d.focusLimitFirstNear,  d.focusLimitFirstFar,
            d.focusLimitSecondMode, d.focusLimitSecondNear, d.focusLimitSecondFar};
}

// The grey levels `widget` shows at the points "x,y x,y ..."; exact, as the blending is the same each time.
QList<int> greys(QWidget* widget, const QString& points) {
    const QImage image = widget->grab().toImage();
    QList<int> found;
    for (const QString& point : points.split(' '))
        found << qRed(image.pixel(point.section(',', 0, 0).toInt(), point.section(',', 1).toInt()));
    return found;
}
} // namespace

class TestSettingsTabs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Per lens: the focus cells in use, their labels, values and range, what a write stores (also with
    // the tab disabled by its screen), and that the tab's preferred size shows every column.
    void focusCellsFollowTheLens_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QPoint>("inUse");       // columns, rows
        QTest::addColumn<QStringList>("legend"); // smallest, neutral, largest
        QTest::newRow("zoom lens") << zoomLens() << QPoint(3, 8) << QStringList{"-30", "0", "30"};
        QTest::newRow("prime") << primeLens() << QPoint(3, 1) << QStringList{"-30", "0", "30"};
        QTest::newRow("(15 - 10) / 2") << awkwardLens() << QPoint(2, 5) << QStringList{"-10", "2", "15"};
        LensInfo lens = awkwardLens();
        lens.supportsFocusZoom = false; // its range is not used
        QTest::newRow("no adjustment") << lens << QPoint(0, 0) << QStringList{"-30", "0", "30"};
    }
    void focusCellsFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(QPoint, inUse);
        QFETCH(QStringList, legend);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusZoomClose = {0, 1, 2, 3, 4, 5, 6, 7};
        data.focusZoomCenter = {-1, -2, -3, -4, -5, -6, -7, -8};
        data.focusZoomInfinite.fill(5);
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QCOMPARE((QStringList{tab.txtFocusMinimum()->text(), tab.txtFocusDefault()->text(),
                              tab.txtFocusMaximum()->text()}),
                 legend);
        std::array lists{&data.focusZoomClose, &data.focusZoomCenter, &data.focusZoomInfinite};
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
        tab.resize(tab.sizeHint()); // wide sliders once hid a distance
        QCoreApplication::processEvents();
        const auto* grid = tab.findChild<QScrollArea*>(QStringLiteral("mainTable"));
        QVERIFY(!grid->horizontalScrollBar()->isVisible() &&
                grid->widget()->width() <= grid->viewport()->width());
        tab.setEnabled(false); // as the screen does while it works: the values still count
        f.shell->raiseWrite();
        data.focusLimitFirstFar = data.focusLimitSecondFar = lens.focusLimitDivisions - 1; // corrected
        QCOMPARE(f.data(), data);
    }

    // A press highlights a cell, its release opens it. Every keystroke is kept ("1.5" never becomes 15),
    // text that is no value is marked; Return takes a value, the field stays open; leaving by Tab or a
    // press keeps it or puts the old value back with a note that stays while the next field is typed in
    // (it once went at once). A write takes the field being typed in; arrow and page keys step it.
    void editingAFocusCell_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("byTab");
        QTest::newRow("plus sign") << "+7" << false << true;
        QTest::newRow("smallest") << "-10" << false << false;
        QTest::newRow("decimal point") << "1.5" << true << false;
        QTest::newRow("empty") << "" << true << true;
        QTest::newRow("too large") << "16" << true << false;
        QTest::newRow("leading space") << " 1" << true << true;
        QTest::newRow("beyond 64 bits, then a 20th digit") << "99999999999999999999" << true << false;
    }
    void editingAFocusCell() {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        QFETCH(bool, byTab);
        TabFixture f(awkwardLens());
        LensAdjustData data;
        data.focusZoomCenter[0] = 4;
        data.focusZoomClose[1] = -6;
        f.setData(data);
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        QLineEdit* field = tab.textField(0, 1);
        QTest::mousePress(field, Qt::LeftButton);
        QVERIFY(tab.cell(0, 1)->isHighlighted() && field->isReadOnly());
        QCOMPARE(field->palette().color(QPalette::Base), tab.palette().color(QPalette::Highlight));
        QTest::mouseRelease(field, Qt::LeftButton);
        QVERIFY(!tab.cell(0, 1)->isHighlighted() && !field->isReadOnly());
        QVERIFY(field->palette().color(QPalette::Base) != tab.palette().color(QPalette::Highlight));
        const QString kept = typed.left(19); // a twentieth character is refused
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        QVERIFY(field->text() == kept && tab.cell(0, 1)->isMarkedInvalid() == refused);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(field->text() == kept && !field->isReadOnly());
        const int taken = refused ? 4 : typed.toInt();
        QCOMPARE(tab.slider(0, 1)->integerValue(), taken);
        QLineEdit* next = tab.textField(1, 0);
        byTab ? QTest::keyClick(field, Qt::Key_Tab) : QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(QApplication::focusWidget() == next && !next->isReadOnly() &&
                !tab.cell(0, 1)->isMarkedInvalid());
        QVERIFY(field->text() == (refused ? QString("4") : kept) && field->isReadOnly());
        QTest::keyClicks(next, typed); // over the text selected on opening; not confirmed
        QCOMPARE(tab.editNote()->text().contains("-10 to 15"), refused);
        f.shell->raiseWrite();
        const int stored = refused ? -6 : typed.toInt();
        QVERIFY(f.data().focusZoomCenter[0] == taken && f.data().focusZoomClose[1] == stored);
        QVERIFY(field->text() == QString::number(taken) && next->text() == QString::number(stored));
        QTest::keyClick(next, Qt::Key_Up);
        QVERIFY(next->text() == QString::number(stored + 1) &&
                tab.slider(1, 0)->integerValue() == stored + 1);
        press(next, Qt::Key_PageDown, 2);
        QCOMPARE(tab.slider(1, 0)->integerValue(), std::max(stored - 9, -10));
        press(next, Qt::Key_PageUp, 20);
        QCOMPARE(next->text(), QString("15"));
        QTest::keyClicks(next, "1"); // typing goes on after stepping
        QCOMPARE(next->text(), QString("1"));
        QTest::keyClick(tab.slider(2, 1), Qt::Key_Right);
        QVERIFY(next->text() == "15" && tab.textField(2, 1)->text() == "1");
        for (auto [tenths, value] : {std::pair{125, 13}, std::pair{-5, -1}}) { // halves away from zero
            tab.slider(2, 1)->setValue(tenths);
            QVERIFY(tab.slider(2, 1)->value() == value * FocusValueSlider::stepsPerUnit &&
                    tab.textField(2, 1)->text() == QString::number(value));
        }
        QTest::mousePress(tab.cell(6, 1), Qt::LeftButton);
        QVERIFY(!tab.cell(6, 1)->isHighlighted());
        QTest::mouseRelease(tab.cell(6, 1), Qt::LeftButton);
        QVERIFY(tab.textField(6, 1)->isReadOnly() && next->isReadOnly());
        f.shell->raiseWrite();
        QVERIFY(f.data().focusZoomCenter[2] == -1 && f.data().focusZoomClose[1] == 15);
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
        QTest::keyClick(s.focus->slider(0, 0), Qt::Key_Right);
        QTest::keyClick(s.limiter->position(1)->sliderNear(), Qt::Key_Right); // hidden: not stored
        s.f.shell->raiseWrite();
        s.stack.setCurrentIndex(1);
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
        const int clicked = slider->value();
        QVERIFY(slider->hasFocus() && turnWheel() && slider->value() != clicked);
        QCOMPARE(s.limiter->position(1)->valueNear()->text(), QString::number(sliders[1]->value()));
        const int pixels = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                           slider->minimum() + slider->singleStep(),
                                                           slider->width() - handleOf(slider).width());
        QVERIFY2(pixels >= pixelsPerStep, qPrintable(QString::number(pixels)));
    }

    // Per lens: the limiter positions offered, with steps shown one up, near kept below far, each handle
    // under its mark in any style (they were once apart); one not offered stays so for the next lens.
    // Full-time manual focus and the VC modes as offered, mode 3 dropped at once where it is not.
    void limiterAndMiscellaneousFollowTheLens_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<int>("offered"); // limiter positions 1 to `offered`
        QTest::addColumn<bool>("middleFirst");
        // Full-time manual on, level, VC mode | box enabled, ticked, level enabled, level, VC rows
        // enabled, row checked, VC mode held | stored after a click on the box and the second row
        QTest::addColumn<QString>("misc");
        QTest::newRow("zoom lens, type 1") << zoomLens() << 2 << true << "1 3 3 | 111 3 111 2 3 | 0 2 1";
        QTest::newRow("prime") << primeLens() << 0 << true << "0 1 1 | 100 2 000 0 1 | 1 2 2";
        QTest::newRow("6 steps, type 0") << awkwardLens() << 1 << false << "1 3 3 | 000 2 110 0 2 | 0 2 1";
        LensInfo lens = zoomLens();
        lens.focusLimitCount = 0;
        lens.focusLimitSwitchType = 2;
        QTest::newRow("none, type 2 as 0") << lens << 0 << false << "1 1 9 | 111 1 111 0 9 | 0 2 1";
        QTest::newRow("zoom lens, off") << zoomLens() << 2 << true << "0 3 1 | 100 2 111 1 1 | 1 2 1";
    }
    void limiterAndMiscellaneousFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(int, offered);
        QFETCH(bool, middleFirst);
        QFETCH(QString, misc);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = data.focusLimitSecondNear = 2;
        data.focusLimitFirstFar = data.focusLimitSecondFar = 4;
        data.focusLimitFirstMode = data.focusLimitSecondMode = 2;
        const QString given = misc.section(" | ", 0, 0);
        data.isFullTimeManualEnable = given[0] == '1';
        data.fullTimeManual = given.section(' ', 1, 1).toInt();
        data.vcMode = given.section(' ', 2, 2).toInt();
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        MiscellaneousTab other(*f.shell);
        tab.show();
        other.show();
        QCheckBox* box = other.chkFulltimeManualFocus();
        QSlider* level = other.sliderFulltimeManualFocus();
        QString shown = given + QString::asprintf(" | %d%d%d %d ", box->isEnabled(), box->isChecked(),
                                                  level->isEnabled(), level->value());
        for (int row = 0; row < MiscellaneousTab::vcModeRows; ++row)
            shown += other.vcModeRow(row)->isEnabled() ? '1' : '0';
        shown += QString::asprintf(" %d %d | ", other.radioVcMode()->checkedId(), int(f.data().vcMode));
        clickIndicator(box);
        clickIndicator(other.vcModeRow(1));
        QCOMPARE(level->isEnabled(), box->isChecked());
        const int lastStep = lens.focusLimitDivisions - 1;
        const auto handlesUnderMarks = [&tab](FocusLimitPosition* p, int near, int far) {
            for (auto [slider, step] : {std::pair{p->sliderNear(), near}, std::pair{p->sliderFar(), far}}) {
                const QPointF mark(
                    p->view()->scaleX(p->view()->size(), qreal(step - 1) / (slider->maximum() - 1)), 0);
                const qreal gap = slider->mapTo(&tab, QRectF(handleOf(slider)).center()).x() -
                                  p->view()->mapTo(&tab, mark).x();
                QVERIFY2(qAbs(gap) <= 1.5, qPrintable(QString::number(gap)));
            }
        };
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
            QVERIFY(p->radioSegment()->isChecked() == on &&
                    p->view()->mode() == (on ? FocusLimitView::segmentMode : FocusLimitView::rangeMode));
            QCOMPARE(p->view()->nearValue(), on ? 2.0 / lastStep : 0.0);
            QCOMPARE(p->view()->farValue(), on ? 4.0 / lastStep : 1.0);
            QCOMPARE(p->valueNear()->text() + " " + p->valueFar()->text(), on ? "3 5" : "1 10");
            handlesUnderMarks(p, on ? 3 : 1, on ? 5 : 10);
            stored << (on ? QList<qint64>{2, 2, 4} : QList<qint64>{1, 0, lastStep});
        }
        if (offered > 0) {
            FocusLimitPosition* first = tab.position(1);
            press(first->sliderFar(), Qt::Key_Left, 2);   // onto near: back to near + 1
            press(first->sliderNear(), Qt::Key_Right, 1); // onto far: back to far - 1
            QCOMPARE(first->valueNear()->text() + " " + first->valueFar()->text(), QString("3 4"));
            QCOMPARE(first->view()->farValue(), 3.0 / lastStep);
            clickIndicator(first->radioRange());
            stored[0] = 1;
            stored[2] = 3;
            const QString savedStyle = QApplication::style()->name();
            const auto restoreStyle = qScopeGuard([&] { QApplication::setStyle(savedStyle); });
            QApplication::setStyle("Windows"); // put on while the tab is shown
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            handlesUnderMarks(first, 3, 4);
        }
        f.shell->raiseWrite();
        QCOMPARE(limits(f.data()), stored);
        data = f.data();
        QCOMPARE(shown + QString::asprintf("%d %d %d", data.isFullTimeManualEnable, int(data.fullTimeManual),
                                           int(data.vcMode)),
                 misc);
        f.context->lensInfo().set(zoomLens());
        f.shell->raiseControl();
        QCOMPARE(enabledControls(tab.position(1)), offered >= 1 ? "1111" : "0000");
        QCOMPARE(enabledControls(tab.position(2)), offered >= 2 ? "1111" : "0000");
    }

    // The picture in a strip 45 high along the top edge with rounded corners, shaded outside the limits
    // in range mode; the marks reach below it onto the tab's ground, where on a dark desktop they once
    // vanished. The indicator marks the ends and the middle of the scale. No picture, no drawing.
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
        // Ground 239, 203 under a mark (15 % black); picture 200, 170 under a mark; row 52 is below it.
        const int under = int(shaded * 0.85 + 0.5);
        QList<int> band{239,   shaded, 239, shaded, 200,    200, 239, shaded,
                        under, 170,    200, under,  shaded, 203, 239, 203};
        QList<int> ticks{203, 203, 239, 203, 203, 239, 170};
        if (!shaded) // the ground throughout
            band.fill(239), ticks.fill(239);
        QCOMPARE(greys(limiter.position(1)->view(), "0,0 7,0 2,44 14,44 200,2 200,44 200,45 107,20 108,20 "
                                                    "109,20 110,20 283,20 284,20 108,52 110,52 283,52"),
                 band);
        QCOMPARE(greys(focus.focusIndicator(), "39,52 40,52 41,52 196,52 352,52 353,52 196,20"), ticks);
        QCOMPARE(FocusWindowView().pictureRect(QSizeF(391, 100)).x(), -1.0); // halves away from zero
    }
};

QTEST_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
