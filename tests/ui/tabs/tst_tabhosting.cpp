#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/MiscellaneousTab.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QSlider>
#include <QStackedWidget>

using namespace lensdock;

// The three tabs hosted the way the lens screen hosts them: pages of a stack, switched after `write`
// has been raised, so that the tab being left stores its values and the one shown starts afresh.
class TestTabHosting : public QObject {
    Q_OBJECT
private slots:
    void onlyTheShownTabFollowsTheFlags() {
        TabFixture f(zoomLens());
        QStackedWidget stack;
        auto* focus = new FocusAdjustmentTab(*f.shell);
        auto* limiter = new FocusLimiterTab(*f.shell);
        auto* misc = new MiscellaneousTab(*f.shell);
        stack.addWidget(focus);
        stack.addWidget(limiter);
        stack.addWidget(misc);
        stack.show();
        QVERIFY(focus->isObserving());
        QVERIFY(!limiter->isObserving());
        QVERIFY(!misc->isObserving());

        QTest::keyClick(focus->slider(0, 0), Qt::Key_Right);
        QTest::keyClick(limiter->position(1)->sliderNear(), Qt::Key_Right); // hidden: not stored
        f.shell->raiseWrite();
        stack.setCurrentIndex(1);
        QVERIFY(!focus->isObserving());
        QVERIFY(limiter->isObserving());
        QCOMPARE(f.data().focusZoomClose[0], 1);
        QCOMPARE(f.data().focusLimitFirstNear, 0);
        // Shown afresh from the data.
        QCOMPARE(limiter->position(1)->sliderNear()->value(), 1);

        QTest::keyClick(limiter->position(1)->sliderFar(), Qt::Key_Left);
        QTest::keyClick(focus->slider(0, 0), Qt::Key_Right); // hidden: not stored
        f.shell->raiseWrite();
        stack.setCurrentIndex(2);
        QCOMPARE(f.data().focusLimitFirstFar, 8);
        QCOMPARE(f.data().focusZoomClose[0], 1);
    }

    void controlRefreshesTheShownTabAndTheOthersWhenShown() {
        TabFixture f(zoomLens());
        QStackedWidget stack;
        auto* focus = new FocusAdjustmentTab(*f.shell);
        auto* misc = new MiscellaneousTab(*f.shell);
        stack.addWidget(focus);
        stack.addWidget(misc);
        stack.show();
        LensAdjustData factory;
        factory.focusZoomCenter[3] = -4;
        factory.vcMode = 3;
        f.setData(factory);
        f.shell->raiseControl();
        QCOMPARE(focus->textField(3, 1)->text(), QString("-4"));
        // Hidden: not shown yet, so mode 3 is not selected.
        QVERIFY(misc->radioVcMode()->checkedId() != 2);
        stack.setCurrentIndex(1);
        QCOMPARE(misc->radioVcMode()->checkedId(), 2);
    }
};

QTEST_MAIN(TestTabHosting)
#include "tst_tabhosting.moc"
