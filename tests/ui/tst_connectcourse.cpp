#include "adjust/AdjustPayload.h"
#include "DockProfile.h"
#include "GuiFixture.h"
#include "IdentityEncoder.h"
#include "session/ConnectFlow.h"
#include "ui/AlertAsker.h"
#include "ui/ConnectScreen.h"
#include "ui/Translations.h"

#include <QSignalSpy>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::ApplicationState)
Q_DECLARE_METATYPE(lensdock::ExchangeResult)

namespace {
constexpr int answerBoundMs = 10000;
const QString lensConnectError = QStringLiteral("Lens connection error");
const QString overCurrent = QStringLiteral("Over-current");

enum class Reply { none, connected, notConnected, lensIdentity, garbage, adjustData };

std::optional<CommDataFormat> replyOf(Reply kind) {
    const LensInfo lens = DockProfile::zoomLens().lens;
    CommDataFormat reply;
    switch (kind) {
    case Reply::none:
        return std::nullopt;
    case Reply::connected:
        reply.setPayload(QByteArray(1, '\x01'));
        break;
    case Reply::notConnected:
        reply.setPayload(QByteArray(1, '\x00'));
        break;
    case Reply::lensIdentity:
        reply.setPayload(*IdentityEncoder::lensPayload(lens));
        break;
    case Reply::garbage:
        reply.setPayload(QByteArray(3, '\x07'));
        break;
    case Reply::adjustData: {
        LensAdjustData data = LensAdjustData::factorySettings(lens);
        data.fullTimeManual = 1;
        data.focusZoomClose[2] = 5;
        reply.setPayload(AdjustPayload::encode(data, lens));
        break;
    }
    }
    return reply;
}

// The connect course without a window, played the connection thread's reports directly; its alerts
// are real boxes answered by the fixture.
struct Course {
    GuiFixture gui;
    std::unique_ptr<AlertAsker> asker;
    std::unique_ptr<ConnectFlow> flow;

    Course() {
        gui.launchWithoutWindow();
        asker = std::make_unique<AlertAsker>(nullptr);
        flow = std::make_unique<ConnectFlow>(
            *gui.context, *asker, ConnectScreen::policyOf(gui.connectOptions()), FileIO(gui.libraryFolder));
    }

    // The course resumes at `state`, as when it takes over a thread sent there.
    void resumeAt(ApplicationState state) {
        thread().requestState(state);
        flow->listen();
    }
    void report(ApplicationState state, ExchangeResult error, Reply reply) {
        flow->exchange(state, error, replyOf(reply));
    }
    ConnectionThread& thread() { return gui.context->connectionThread(); }
};
} // namespace

class TestConnectCourse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void reports_data() {
        QTest::addColumn<ApplicationState>("state");
        QTest::addColumn<ExchangeResult>("error");
        QTest::addColumn<int>("reply");
        QTest::addColumn<QStringList>("alerts");
        QTest::addColumn<ApplicationState>("requested"); // the reported state: nothing requested
        QTest::addColumn<bool>("takeOff");               // awaitLensRemoval set
        using S = ApplicationState;
        using E = ExchangeResult;
        const QStringList none;
        QTest::newRow("lens mounted")
            << S::waitingForLens << E::success << int(Reply::none) << none << S::connectingLens << false;
        QTest::newRow("mount check failed")
            << S::waitingForLens << E::failure << int(Reply::none) << none << S::waitingForLens << false;
        QTest::newRow("lens connected")
            << S::connectingLens << E::success << int(Reply::connected) << none << S::lensConnected << false;
        QTest::newRow("connect refused") << S::connectingLens << E::success << int(Reply::notConnected)
                                         << QStringList{lensConnectError} << S::waitingForLens << true;
        QTest::newRow("connect failed") << S::connectingLens << E::failure << int(Reply::none)
                                        << QStringList{lensConnectError} << S::waitingForLens << true;
        QTest::newRow("identity") << S::lensConnected << E::success << int(Reply::lensIdentity) << none
                                  << S::holdingAdapter << false;
        QTest::newRow("identity undecodable") << S::lensConnected << E::success << int(Reply::garbage)
                                              << QStringList{lensConnectError} << S::releasingLens << true;
        QTest::newRow("identity failed") << S::lensConnected << E::failure << int(Reply::none)
                                         << QStringList{lensConnectError} << S::releasingLens << true;
        QTest::newRow("over-current") << S::lensConnected << E::overcurrent << int(Reply::none)
                                      << QStringList{overCurrent} << S::releasingLens << true;
        QTest::newRow("lens gone") << S::releasingLens << E::success << int(Reply::none) << none
                                   << S::waitingForLens << false;
        QTest::newRow("other state") << S::writingSettings << E::success << int(Reply::none) << none
                                     << S::writingSettings << false;
    }
    void reports() {
        QFETCH(ApplicationState, state);
        QFETCH(ExchangeResult, error);
        QFETCH(int, reply);
        QFETCH(QStringList, alerts);
        QFETCH(ApplicationState, requested);
        QFETCH(bool, takeOff);
        Course course;
        course.resumeAt(state);
        course.report(state, error, Reply(reply));
        QTRY_COMPARE_WITH_TIMEOUT(course.thread().appNewState(), requested, answerBoundMs);
        QCOMPARE(course.gui.answerer->titles(), alerts);
        QCOMPARE(course.thread().awaitLensRemoval(), takeOff);
    }

    void firstIdentityTakesTheLensAndLaterPollsChangeNothing() {
        Course course;
        course.resumeAt(ApplicationState::connectingLens);
        course.report(ApplicationState::connectingLens, ExchangeResult::success, Reply::connected);
        course.report(ApplicationState::lensConnected, ExchangeResult::success, Reply::lensIdentity);
        const LensInfo lens = course.gui.context->lensInfo().get();
        QCOMPARE(lens.modelCode, QStringLiteral("A036"));
        // The zoom lens's factory limiter: first 0..9 in mode 1, second 2..7 in mode 2.
        const LensAdjustData defaults = course.gui.context->defaultAdjustData().get();
        QCOMPARE(defaults.focusLimitFirstNear, 0);
        QCOMPARE(defaults.focusLimitFirstFar, 9);
        QCOMPARE(defaults.focusLimitSecondNear, 2);
        QCOMPARE(defaults.focusLimitSecondFar, 7);
        QCOMPARE(defaults.focusLimitFirstMode, 1);
        QCOMPARE(defaults.focusLimitSecondMode, 2);
        course.report(ApplicationState::lensConnected, ExchangeResult::success, Reply::lensIdentity);
        QCOMPARE(course.thread().appNewState(), ApplicationState::holdingAdapter);
        QVERIFY(course.gui.answerer->seen().isEmpty());
    }

    void adjustDataBecomesTheCurrentSettings() {
        Course course;
        course.gui.context->setConnectedLens(DockProfile::zoomLens().lens);
        course.resumeAt(ApplicationState::readingSettings);
        course.report(ApplicationState::readingSettings, ExchangeResult::success, Reply::adjustData);
        const LensAdjustData current = course.gui.context->currentAdjustData().get();
        QCOMPARE(current.fullTimeManual, 1);
        QCOMPARE(current.focusZoomClose[2], 5);
        QVERIFY(course.gui.answerer->seen().isEmpty());
    }

    void unreadableAdjustDataStartsFromTheFactoryValues() {
        Course course;
        course.gui.context->setConnectedLens(DockProfile::zoomLens().lens);
        LensAdjustData edited;
        edited.fullTimeManual = 0;
        course.gui.context->currentAdjustData().set(edited);
        course.resumeAt(ApplicationState::readingSettings);
        course.report(ApplicationState::readingSettings, ExchangeResult::failure, Reply::none);
        QTRY_COMPARE(course.gui.answerer->titles(), QStringList{"Reading the settings failed"});
        QCOMPARE(course.gui.context->currentAdjustData().get(),
                 course.gui.context->defaultAdjustData().get());
    }

    void terminationEndsTheProcess() {
        Course course;
        course.resumeAt(ApplicationState::terminating);
        QSignalSpy ended(course.flow.get(), &ConnectFlow::endRequested);
        course.report(ApplicationState::terminating, ExchangeResult::success, Reply::none);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toInt(), 0);
    }
};

QTEST_MAIN(TestConnectCourse)
#include "tst_connectcourse.moc"
