#include "TabFixture.h"
#include "TextCatalogue.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitSwitchIcon.h"
#include "ui/tabs/FocusLimitView.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStyleOptionSlider>
#include <QTranslator>
#include <QWheelEvent>

using namespace lensdock;

namespace {
// "1" for each of a position's mode buttons and sliders that takes input, else "0".
QString enabledControls(const FocusLimitPosition* p) {
    QString enabled;
    for (QWidget* control :
         std::initializer_list<QWidget*>{p->radioRange(), p->radioSegment(), p->sliderNear(), p->sliderFar()})
        enabled += control->isEnabled() ? '1' : '0';
    return enabled;
}

// Mode, near and far of each limiter position.
QList<qint64> limits(const LensAdjustData& d) {
    return {d.focusLimitFirstMode,  d.focusLimitFirstNear,  d.focusLimitFirstFar,
            d.focusLimitSecondMode, d.focusLimitSecondNear, d.focusLimitSecondFar};
}

QRect handleOf(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.tickPosition = slider->tickPosition();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// Turns the wheel one notch away from the user over `slider`; whether it took it.
bool turnWheel(QSlider* slider) {
    const QPointF centre = QRectF(slider->rect()).center();
    QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    return wheel.isAccepted();
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
        for (QWidget* tab : std::initializer_list<QWidget*>{focus, limiter, misc})
            stack.addWidget(tab);
        stack.show();
    }
};

struct MiscCase {
    LensInfo lens;
    bool fullTimeManual;
    int level, vcMode;
    QString shown;  // box enabled, ticked, level enabled, level; VC rows enabled, row checked
    bool tick;      // the box is clicked
    int vcRow;      // clicked, -1 for none
    QString stored; // full-time manual on, level, VC mode; after the write
};
} // namespace
Q_DECLARE_METATYPE(MiscCase)

class TestSettingsTabs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

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
        QCOMPARE(s.f.data().focusZoomClose[0], 1);
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
        QLabel* step = s.limiter->position(1)->valueNear();
        QSlider* slider = page == 0   ? s.focus->slider(3, 1)
                          : page == 1 ? s.limiter->position(1)->sliderNear()
                                      : s.misc->sliderFulltimeManualFocus();
        const int before = slider->value();
        QVERIFY(!turnWheel(slider));
        QCOMPARE(slider->value(), before);
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(slider->hasFocus());
        const int clicked = slider->value();
        QVERIFY(turnWheel(slider));
        QVERIFY(slider->value() != clicked);
        QVERIFY(page != 1 || step->text() == QString::number(slider->value()));
        const int pixels = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                           slider->minimum() + slider->singleStep(),
                                                           slider->width() - handleOf(slider).width());
        QVERIFY2(pixels >= pixelsPerStep, qPrintable(QString::number(pixels)));
    }

    // Per lens: which positions take input and which switch they show; one offered shows the stored
    // steps one up and its band, one not offered the default scale; a write stores them (the others
    // as corrected defaults); a position found unavailable stays so when another lens shows up.
    void limiterPositionsFollowTheLens_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<int>("offered"); // positions 1 to `offered`
        QTest::addColumn<bool>("middleFirst");
        QTest::newRow("zoom lens, switch type 1") << zoomLens() << 2 << true;
        QTest::newRow("prime without limiter") << primeLens() << 0 << true;
        QTest::newRow("one position of 6 steps, type 0") << awkwardLens() << 1 << false;
        LensInfo none = zoomLens();
        none.focusLimitCount = 0;
        none.focusLimitSwitchType = 2;
        QTest::newRow("no positions, type 2 as type 0") << none << 0 << false;
    }
    void limiterPositionsFollowTheLens() {
        QFETCH(LensInfo, lens);
        QFETCH(int, offered);
        QFETCH(bool, middleFirst);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = data.focusLimitSecondNear = 2;
        data.focusLimitFirstFar = data.focusLimitSecondFar = 4;
        data.focusLimitFirstMode = data.focusLimitSecondMode = 2;
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        const int lastStep = lens.focusLimitDivisions - 1;
        QList<qint64> stored;
        for (int number : {1, 2}) {
            const FocusLimitPosition* p = tab.position(number);
            const bool on = number <= offered;
            const bool middle = (number == 1) == middleFirst;
            QCOMPARE(
                p->icon()->pixmap().toImage(),
                FocusLimitSwitchIcon::named(middle ? "MiddleFocusLimitSwitch" : "BottomFocusLimitSwitch"));
            QCOMPARE(p->title()->text(),
                     middle ? QString("Switch in the middle") : QString("Switch at the bottom"));
            QCOMPARE(enabledControls(p), on ? "1111" : "0000");
            QCOMPARE(p->sliderFar()->maximum(), on ? lens.focusLimitDivisions : 10);
            QCOMPARE(p->sliderNear()->value(), on ? 3 : 1);
            QCOMPARE(p->sliderFar()->value(), on ? 5 : 10);
            QCOMPARE(p->radioSegment()->isChecked(), on);
            QCOMPARE(p->view()->mode(), on ? FocusLimitView::segmentMode : FocusLimitView::rangeMode);
            QCOMPARE(p->view()->nearValue(), on ? 2.0 / lastStep : 0.0);
            QCOMPARE(p->view()->farValue(), on ? 4.0 / lastStep : 1.0);
            stored << (on ? QList<qint64>{2, 2, 4} : QList<qint64>{1, 0, lastStep});
        }
        f.shell->raiseWrite();
        QCOMPARE(limits(f.data()), stored);
        f.context->lensInfo().set(zoomLens());
        f.shell->raiseControl();
        QCOMPARE(enabledControls(tab.position(1)), offered >= 1 ? "1111" : "0000");
        QCOMPARE(enabledControls(tab.position(2)), offered >= 2 ? "1111" : "0000");
    }

    // The near limit stays below the far one; a mode clicked belongs to its position; a write stores
    // the slider steps one down.
    void editsOfAPositionAreStoredOneDown() {
        TabFixture f(zoomLens());
        LensAdjustData data;
        data.focusLimitFirstNear = 3; // slider 4
        data.focusLimitFirstFar = 5;  // slider 6
        f.setData(data);
        FocusLimiterTab tab(*f.shell);
        tab.show();
        FocusLimitPosition* first = tab.position(1);
        press(first->sliderNear(), Qt::Key_Right, 2); // onto far: held at 5
        QCOMPARE(first->sliderNear()->value(), 5);
        QCOMPARE(first->view()->nearValue(), 4.0 / 9);
        press(first->sliderFar(), Qt::Key_Left, 1); // onto near: far goes back to near + 1
        QCOMPARE(first->sliderFar()->value(), 6);
        QCOMPARE(first->view()->farValue(), 5.0 / 9);
        press(tab.position(2)->sliderNear(), Qt::Key_Right, 8);
        clickIndicator(tab.position(2)->radioSegment());
        QCOMPARE(tab.position(2)->view()->mode(), FocusLimitView::segmentMode);
        f.shell->raiseWrite();
        QCOMPARE(limits(f.data()), (QList<qint64>{1, 4, 5, 2, 8, 9}));
        clickIndicator(tab.position(2)->radioRange());
        f.shell->raiseWrite();
        QCOMPARE(f.data().focusLimitSecondMode, 1);
    }

    // The limiter was seen drawing its marks off the handles: each handle sits under the mark it
    // moves, whatever the style, and shows its step.
    void eachHandleSitsUnderItsLimitAndShowsItsStep_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<QPoint>("steps"); // near, far
        QTest::addColumn<QString>("style");
        QTest::newRow("first and last of ten") << zoomLens() << QPoint(0, 9) << QString();
        QTest::newRow("middle of ten") << zoomLens() << QPoint(4, 5) << QString();
        QTest::newRow("middle of six") << awkwardLens() << QPoint(2, 3) << QString();
        // A style with a narrower handle, put on while the tab is shown.
        QTest::newRow("first and last, other style") << zoomLens() << QPoint(0, 9) << "Windows";
    }
    void eachHandleSitsUnderItsLimitAndShowsItsStep() {
        QFETCH(LensInfo, lens);
        QFETCH(QPoint, steps);
        QFETCH(QString, style);
        TabFixture f(lens);
        LensAdjustData data;
        data.focusLimitFirstNear = steps.x();
        data.focusLimitFirstFar = steps.y();
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
        for (auto [slider, label, step] : {std::tuple{first->sliderNear(), first->valueNear(), steps.x()},
                                           std::tuple{first->sliderFar(), first->valueFar(), steps.y()}}) {
            const qreal fraction = qreal(step) / (lens.focusLimitDivisions - 1);
            const qreal drawn = view->mapTo(&tab, QPointF(view->scaleX(view->size(), fraction), 0)).x();
            const qreal gap = slider->mapTo(&tab, QRectF(handleOf(slider)).center()).x() - drawn;
            QVERIFY2(qAbs(gap) <= 1.5, qPrintable(QString::number(gap)));
            QCOMPARE(label->text(), QString::number(step + 1));
        }
    }

    // Full-time manual focus and the VC mode rows as the lens offers them, clicked and stored.
    void miscellaneousSettingsAsTheLensOffersThem_data() {
        QTest::addColumn<MiscCase>("c");
        QTest::newRow("on at 3, VC row 3")
            << MiscCase{zoomLens(), true, 3, 2, "111 3, 111 0", false, 2, "1 3 3"};
        QTest::newRow("on at 1, VC mode 1")
            << MiscCase{zoomLens(), true, 1, 1, "111 1, 111 1", false, 0, "1 1 2"};
        // Off stores level 0, which the write corrects to 2.
        QTest::newRow("off, VC mode 3")
            << MiscCase{zoomLens(), false, 3, 3, "100 2, 111 2", false, 1, "0 2 1"};
        QTest::newRow("ticked on") << MiscCase{zoomLens(), false, 1, 9, "100 2, 111 0", true, -1, "1 2 2"};
        QTest::newRow("ticked off") << MiscCase{zoomLens(), true, 3, 2, "111 3, 111 0", true, -1, "0 2 2"};
        // Mode 3 is dropped at once, with nothing written.
        QTest::newRow("no mode 3, no full-time manual")
            << MiscCase{awkwardLens(), true, 3, 3, "000 2, 110 0", false, -1, "0 2 2"};
        QTest::newRow("no VC") << MiscCase{primeLens(), true, 2, 3, "111 2, 000 0", false, -1, "1 2 2"};
    }
    void miscellaneousSettingsAsTheLensOffersThem() {
        QFETCH(MiscCase, c);
        TabFixture f(c.lens);
        LensAdjustData data;
        data.isFullTimeManualEnable = c.fullTimeManual;
        data.fullTimeManual = c.level;
        data.vcMode = c.vcMode;
        f.setData(data);
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QCheckBox* box = tab.chkFulltimeManualFocus();
        QSlider* level = tab.sliderFulltimeManualFocus();
        QString vcRows;
        for (int row = 0; row < MiscellaneousTab::vcModeRows; ++row)
            vcRows += tab.vcModeRow(row)->isEnabled() ? '1' : '0';
        QCOMPARE(QString("%1%2%3 %4, %5 %6")
                     .arg(box->isEnabled())
                     .arg(box->isChecked())
                     .arg(level->isEnabled())
                     .arg(level->value())
                     .arg(vcRows)
                     .arg(tab.radioVcMode()->checkedId()),
                 c.shown);
        QCOMPARE(f.data().vcMode, c.lens.vcModeType == 1 ? 2 : c.vcMode);
        if (c.tick)
            clickIndicator(box);
        QCOMPARE(level->isEnabled(), box->isChecked());
        if (c.vcRow >= 0)
            clickIndicator(tab.vcModeRow(c.vcRow));
        f.shell->raiseWrite();
        const LensAdjustData stored = f.data();
        QCOMPARE(QString("%1 %2 %3")
                     .arg(stored.isFullTimeManualEnable)
                     .arg(stored.fullTimeManual)
                     .arg(stored.vcMode),
                 c.stored);
    }

    // Every key the tabs look up has a text in both languages and shadows no key of the shell; the
    // locale's catalogue is the one installed.
    void everyKeyHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }
    void everyKeyHasATextInEveryLanguage() {
        QFETCH(QString, language);
        const QStringList keys = TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_TABS_SOURCE_DIR));
        QVERIFY(keys.contains("focusLimitSwPos2TitleType1") && keys.size() >= 29);
        const QString folder = QStringLiteral(LENSDOCK_TABS_TS_DIR "/");
        const QStringList ids = TextCatalogue::idsIn(folder + "lensdock_tabs_" + language + ".ts");
        const QStringList shellIds = TextCatalogue::idsIn(folder + "lensdock_en.ts");
        QTranslator translator;
        QVERIFY(translator.load("lensdock_tabs_" + language, ":/i18n/tabs"));
        for (const QString& key : keys) {
            QVERIFY2(ids.contains(key) && !shellIds.contains(key), qPrintable(language + ": " + key));
            QVERIFY2(!translator.translate(nullptr, qPrintable(key)).isEmpty(),
                     qPrintable(language + ": " + key));
        }
        // Last: installed catalogues stay.
        const QLocale locale(language == "ja" ? QLocale::Japanese : QLocale::English);
        QCOMPARE(Translations::install(*qApp, locale).last(), language);
        QCOMPARE(qtTrId("focusUnit3"),
                 language == "ja" ? QStringLiteral("無限遠") : QStringLiteral("Infinity"));
    }
};

QTEST_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
