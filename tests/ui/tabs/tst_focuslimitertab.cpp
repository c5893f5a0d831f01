#include "TabFixture.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitSwitchIcon.h"
#include "ui/tabs/FocusLimitView.h"
#include "ui/Translations.h"

#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSlider>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QWheelEvent>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::LensInfo)

namespace {
// Clicks the round indicator of a radio button.
void clickRadio(QRadioButton* radio) {
    QStyleOptionButton option;
    option.initFrom(radio);
    const QRect indicator = radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
    QTest::mouseClick(radio, Qt::LeftButton, {}, indicator.center());
}

void press(QSlider* slider, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(slider, key);
}

bool isEditable(const FocusLimitPosition* position) {
    return position->radioRange()->isEnabled() && position->radioSegment()->isEnabled() &&
           position->sliderNear()->isEnabled() && position->sliderFar()->isEnabled();
}

// The x of the centre of the handle as the style draws it, in `common`.
qreal handleCentreX(const QSlider* slider, const QWidget* common) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.tickPosition = slider->tickPosition();
    const QRectF handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    return slider->mapTo(common, handle.center()).x();
}

// Turns the wheel one notch away from the user over `slider`; whether it took it.
bool turnWheel(QSlider* slider) {
    const QPointF centre = QRectF(slider->rect()).center();
    QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    return wheel.isAccepted();
}

bool isLocked(const FocusLimitPosition* position) {
    return !position->radioRange()->isEnabled() && !position->radioSegment()->isEnabled() &&
           !position->sliderNear()->isEnabled() && !position->sliderFar()->isEnabled();
}
} // namespace

class TestFocusLimiterTab : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void positionsOfferedByTheLensAreEditable_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::newRow("zoom lens") << zoomLens() << true << true;
        QTest::newRow("prime without limiter") << primeLens() << false << false;
        QTest::newRow("awkward with one position") << awkwardLens() << true << false;
        LensInfo none = zoomLens();
        none.focusLimitCount = 0;
        QTest::newRow("limiter with no positions") << none << false << false;
    }
    void positionsOfferedByTheLensAreEditable() {
        QFETCH(LensInfo, lens);
        QFETCH(bool, first);
        QFETCH(bool, second);
        TabFixture f(lens);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        QVERIFY(first ? isEditable(tab.position(1)) : isLocked(tab.position(1)));
        QVERIFY(second ? isEditable(tab.position(2)) : isLocked(tab.position(2)));
    }

    void anUnavailablePositionShowsTheDefaultScaleAndStoresCorrectedDefaults() {
        TabFixture f(awkwardLens());
        LensAdjustData data;
        data.focusLimitSecondNear = 2;
        data.focusLimitSecondFar = 3;
        data.focusLimitSecondMode = 2;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        FocusLimitPosition* second = tab.position(2);
        QVERIFY(second->radioRange()->isChecked());
        QVERIFY(!second->radioSegment()->isChecked());
        QCOMPARE(second->sliderNear()->value(), 1);
        QCOMPARE(second->sliderFar()->value(), 10);
        QCOMPARE(second->sliderFar()->maximum(), 10);
        f.shell->raiseWrite();
        // Mode 0 becomes 1, near and far 0 and 0 become 0 and D (5 on a scale of 6 steps).
        QCOMPARE(f.data().focusLimitSecondMode, 1);
        QCOMPARE(f.data().focusLimitSecondNear, 0);
        QCOMPARE(f.data().focusLimitSecondFar, 5);
    }

    void showsTheStepsOneUpAndTheViewFractions() {
        TabFixture f(awkwardLens());
        LensAdjustData data;
        data.focusLimitFirstNear = 2;
        data.focusLimitFirstFar = 4;
        data.focusLimitFirstMode = 2;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        FocusLimitPosition* first = tab.position(1);
        QCOMPARE(first->sliderNear()->minimum(), 1);
        QCOMPARE(first->sliderNear()->maximum(), 6);
        QCOMPARE(first->sliderNear()->value(), 3);
        QCOMPARE(first->sliderFar()->value(), 5);
        QVERIFY(first->radioSegment()->isChecked());
        QCOMPARE(first->view()->mode(), FocusLimitView::segmentMode);
        QCOMPARE(first->view()->nearValue(), 0.4);
        QCOMPARE(first->view()->farValue(), 0.8);
    }

    void theWholeScaleRunsFromTheFirstToTheLastTick() {
        TabFixture f(zoomLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        for (int number : {1, 2}) {
            FocusLimitPosition* position = tab.position(number);
            QCOMPARE(position->sliderNear()->value(), 1);
            QCOMPARE(position->sliderFar()->value(), 10);
            QCOMPARE(position->view()->nearValue(), 0.0);
            QCOMPARE(position->view()->farValue(), 1.0);
            QCOMPARE(position->view()->mode(), FocusLimitView::rangeMode);
        }
    }

    void nearIsKeptBelowFar() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusLimitFirstNear = 3; // slider 4
        data.focusLimitFirstFar = 5;  // slider 6
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        QSlider* nearSlider = tab.position(1)->sliderNear();
        QSlider* farSlider = tab.position(1)->sliderFar();
        press(nearSlider, Qt::Key_Right, 2); // onto far: back to 5
        QCOMPARE(nearSlider->value(), 5);
        QCOMPARE(farSlider->value(), 6);
        QCOMPARE(tab.position(1)->view()->nearValue(), 4.0 / 9);
        press(farSlider, Qt::Key_Left, 1); // onto near: far becomes near + 1
        QCOMPARE(farSlider->value(), 6);
        QCOMPARE(nearSlider->value(), 5);
        QCOMPARE(tab.position(1)->view()->farValue(), 5.0 / 9);
    }

    void clickingAModeChangesItForThatPositionOnly() {
        TabFixture f(zoomLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        clickRadio(tab.position(2)->radioSegment());
        QCOMPARE(tab.position(2)->mode(), FocusLimitPosition::segmentMode);
        QCOMPARE(tab.position(2)->view()->mode(), FocusLimitView::segmentMode);
        QCOMPARE(tab.position(1)->mode(), FocusLimitPosition::rangeMode);
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusLimitFirstMode, 1);
        QCOMPARE(f.data().focusLimitSecondMode, 2);
        clickRadio(tab.position(2)->radioRange());
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusLimitSecondMode, 1);
    }

    void writeStoresTheSlidersOneDown() {
        TabFixture f(zoomLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        press(tab.position(1)->sliderFar(), Qt::Key_Left, 3);   // 10 -> 7
        press(tab.position(1)->sliderNear(), Qt::Key_Right, 2); // 1 -> 3
        press(tab.position(2)->sliderNear(), Qt::Key_Right, 8); // 1 -> 9
        f.shell->raiseWrite();
        const LensAdjustData stored = f.data();
        QCOMPARE(stored.focusLimitFirstNear, 2);
        QCOMPARE(stored.focusLimitFirstFar, 6);
        QCOMPARE(stored.focusLimitSecondNear, 8);
        QCOMPARE(stored.focusLimitSecondFar, 9);
    }

    void switchLayoutChoosesIconsAndTitles_data() {
        QTest::addColumn<int>("switchType");
        QTest::addColumn<QString>("icon1");
        QTest::addColumn<QString>("title1");
        QTest::addColumn<QString>("icon2");
        QTest::addColumn<QString>("title2");
        QTest::newRow("type 1") << 1 << "MiddleFocusLimitSwitch"
                                << "Switch in the middle"
                                << "BottomFocusLimitSwitch"
                                << "Switch at the bottom";
        QTest::newRow("type 0") << 0 << "BottomFocusLimitSwitch"
                                << "Switch at the bottom"
                                << "MiddleFocusLimitSwitch"
                                << "Switch in the middle";
        QTest::newRow("type 2 as type 0") << 2 << "BottomFocusLimitSwitch"
                                          << "Switch at the bottom"
                                          << "MiddleFocusLimitSwitch"
                                          << "Switch in the middle";
    }
    void switchLayoutChoosesIconsAndTitles() {
        QFETCH(int, switchType);
        QFETCH(QString, icon1);
        QFETCH(QString, title1);
        QFETCH(QString, icon2);
        QFETCH(QString, title2);
        LensInfo lens = zoomLens();
        lens.focusLimitSwitchType = switchType;
        TabFixture f(lens);
        FocusLimiterTab tab(*f.shell);
        QCOMPARE(tab.position(1)->icon()->pixmap().toImage(), FocusLimitSwitchIcon::named(icon1));
        QCOMPARE(tab.position(1)->title()->text(), title1);
        QCOMPARE(tab.position(2)->icon()->pixmap().toImage(), FocusLimitSwitchIcon::named(icon2));
        QCOMPARE(tab.position(2)->title()->text(), title2);
    }

    void aPositionFoundUnavailableStaysSo() {
        TabFixture f(primeLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        f.context->lensInfo().set(zoomLens());
        f.shell->raiseControl();
        QVERIFY(isLocked(tab.position(1)));
        QVERIFY(isLocked(tab.position(2)));
    }

    void controlShowsTheDataAgain() {
        TabFixture f(zoomLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        LensAdjustData data;
        data.focusLimitSecondNear = 4;
        data.focusLimitSecondFar = 7;
        data.focusLimitSecondMode = 2;
        f.setData(data);
        f.shell->raiseControl();
        QCOMPARE(tab.position(2)->sliderNear()->value(), 5);
        QCOMPARE(tab.position(2)->sliderFar()->value(), 8);
        QVERIFY(tab.position(2)->radioSegment()->isChecked());
    }

    void aScaleOfOneStepDrawsEverythingAtItsStart() {
        LensInfo lens = zoomLens();
        lens.focusLimitDivisions = 1;
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = 0;
        data.focusLimitFirstFar = 0;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        QCOMPARE(tab.position(1)->view()->nearValue(), 0.0);
        QCOMPARE(tab.position(1)->view()->farValue(), 0.0);
    }

    void eachHandleSitsUnderItsLimitAndShowsItsStep_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<int>("near");
        QTest::addColumn<int>("far");
        QTest::addColumn<QString>("style");
        QTest::newRow("first and last of ten") << zoomLens() << 0 << 9 << QString();
        QTest::newRow("middle of ten") << zoomLens() << 4 << 5 << QString();
        QTest::newRow("middle of six") << awkwardLens() << 2 << 3 << QString();
        // A style with a narrower handle, put on while the tab is shown.
        QTest::newRow("first and last, other style") << zoomLens() << 0 << 9 << "Windows";
    }
    void eachHandleSitsUnderItsLimitAndShowsItsStep() {
        QFETCH(LensInfo, lens);
        QFETCH(int, near);
        QFETCH(int, far);
        QFETCH(QString, style);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = near;
        data.focusLimitFirstFar = far;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        const QString savedStyle = QApplication::style()->name();
        const auto restoreStyle = qScopeGuard([&] { QApplication::setStyle(savedStyle); });
        if (!style.isEmpty())
            QApplication::setStyle(style);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const FocusLimitPosition* first = tab.position(1);
        const FocusLimitView* view = first->view();
        for (auto [slider, step] :
             {std::pair{first->sliderNear(), near}, std::pair{first->sliderFar(), far}}) {
            const qreal fraction = qreal(step) / (lens.focusLimitDivisions - 1);
            const qreal drawn = view->mapTo(&tab, QPointF(view->scaleX(view->size(), fraction), 0)).x();
            const qreal gap = handleCentreX(slider, &tab) - drawn;
            QVERIFY2(qAbs(gap) <= 1.5, qPrintable(QString::number(gap)));
        }
        QCOMPARE(first->valueNear()->text(), QString::number(near + 1));
        QCOMPARE(first->valueFar()->text(), QString::number(far + 1));
    }

    // The wheel over the tab scrolls the page; it moves a slider only once the user has clicked it.
    void theWheelMovesOnlyAFocusedSliderAndItsStepFollows() {
        TabFixture f(zoomLens());
        FocusLimiterTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        QSlider* slider = tab.position(1)->sliderNear();
        QVERIFY(!turnWheel(slider));
        QCOMPARE(slider->value(), 1);
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(slider->hasFocus());
        const int clicked = slider->value();
        QVERIFY(turnWheel(slider));
        QCOMPARE(slider->value(), clicked + 1);
        QCOMPARE(tab.position(1)->valueNear()->text(), QString::number(clicked + 1));
    }

    void thePictureGoesToBothViews() {
        TabFixture f(zoomLens());
        QImage picture(392, 45, QImage::Format_ARGB32);
        picture.fill(Qt::blue);
        f.shell->pictures().focusLimitImage.set(picture);
        FocusLimiterTab tab(*f.shell);
        QCOMPARE(tab.position(1)->view()->focusIndicatorImage(), picture);
        QCOMPARE(tab.position(2)->view()->focusIndicatorImage(), picture);
    }
};

QTEST_MAIN(TestFocusLimiterTab)
#include "tst_focuslimitertab.moc"
