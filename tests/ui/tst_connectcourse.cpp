#include "adjust/AdjustPayload.h"
#include "DockProfile.h"
#include "GuiFixture.h"
#include "IdentityEncoder.h"
#include "ui/InitialViewController.h"
#include "ui/Translations.h"

#include <atomic>
#include <QTest>
#include <thread>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::ApplicationState)
Q_DECLARE_METATYPE(lensdock::UsbThreadErrorCode)

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

// The screen's logic without a window, fed the connection thread's reports from another thread.
struct Course {
    GuiFixture gui;
    std::unique_ptr<InitialViewController> controller;

    Course() {
        gui.launchWithoutWindow();
        controller = std::make_unique<InitialViewController>(*gui.shell, gui.connectOptions());
    }
    ~Course() { controller.reset(); }

    // Reports from a thread of its own, as the connection thread does, while alerts are answered here.
    bool report(ApplicationState state, UsbThreadErrorCode error, Reply reply) {
        std::atomic<bool> done{false};
        std::jthread thread([&] {
            controller->usbSerialThreadResult(state, error, replyOf(reply));
            done = true;
        });
        return QTest::qWaitFor([&] { return done.load(); }, answerBoundMs);
    }
    UsbSerialThread& thread() { return gui.context->usbSerialThread(); }
};
} // namespace

class TestConnectCourse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void reports_data() {
        QTest::addColumn<ApplicationState>("state");
        QTest::addColumn<UsbThreadErrorCode>("error");
        QTest::addColumn<int>("reply");
        QTest::addColumn<QStringList>("alerts");
        QTest::addColumn<ApplicationState>("requested"); // processing: nothing requested
        QTest::addColumn<bool>("takeOff");               // waitNotAdhesion set
        using S = ApplicationState;
        using E = UsbThreadErrorCode;
        const QStringList none;
        QTest::newRow("lens mounted")
            << S::lensDisadhesion << E::success << int(Reply::none) << none << S::lensDisconnect << false;
        QTest::newRow("mount check failed")
            << S::lensDisadhesion << E::failure << int(Reply::none) << none << S::processing << false;
        QTest::newRow("lens connected")
            << S::lensDisconnect << E::success << int(Reply::connected) << none << S::lensConnect << false;
        QTest::newRow("connect refused") << S::lensDisconnect << E::success << int(Reply::notConnected)
                                         << QStringList{lensConnectError} << S::lensDisadhesion << true;
        QTest::newRow("connect failed") << S::lensDisconnect << E::failure << int(Reply::none)
                                        << QStringList{lensConnectError} << S::lensDisadhesion << true;
        QTest::newRow("identity") << S::lensConnect << E::success << int(Reply::lensIdentity) << none
                                  << S::initialProcessing << false;
        QTest::newRow("identity undecodable") << S::lensConnect << E::success << int(Reply::garbage)
                                              << QStringList{lensConnectError} << S::lensDisconnected << true;
        QTest::newRow("identity failed") << S::lensConnect << E::failure << int(Reply::none)
                                         << QStringList{lensConnectError} << S::lensDisconnected << true;
        QTest::newRow("over-current") << S::lensConnect << E::overcurrent << int(Reply::none)
                                      << QStringList{overCurrent} << S::lensDisconnected << true;
        QTest::newRow("lens gone") << S::lensDisconnected << E::success << int(Reply::none) << none
                                   << S::lensDisadhesion << false;
        QTest::newRow("other state") << S::adjDataWriting << E::success << int(Reply::none) << none
                                     << S::processing << false;
    }
    void reports() {
        QFETCH(ApplicationState, state);
        QFETCH(UsbThreadErrorCode, error);
        QFETCH(int, reply);
        QFETCH(QStringList, alerts);
        QFETCH(ApplicationState, requested);
        QFETCH(bool, takeOff);
        Course course;
        course.thread().requestState(ApplicationState::processing);
        QVERIFY(course.report(state, error, Reply(reply)));
        QCOMPARE(course.gui.answerer->titles(), alerts);
        QCOMPARE(course.thread().appNewState(), requested);
        QCOMPARE(course.thread().waitNotAdhesion(), takeOff);
    }

    void firstIdentityTakesTheLensAndLaterPollsChangeNothing() {
        Course course;
        QVERIFY(
            course.report(ApplicationState::lensDisconnect, UsbThreadErrorCode::success, Reply::connected));
        QVERIFY(
            course.report(ApplicationState::lensConnect, UsbThreadErrorCode::success, Reply::lensIdentity));
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
        course.thread().requestState(ApplicationState::processing);
        QVERIFY(
            course.report(ApplicationState::lensConnect, UsbThreadErrorCode::success, Reply::lensIdentity));
        QCOMPARE(course.thread().appNewState(), ApplicationState::processing);
        QVERIFY(course.gui.answerer->seen().isEmpty());
    }

    void adjustDataBecomesTheCurrentSettings() {
        Course course;
        course.gui.context->setConnectedLens(DockProfile::zoomLens().lens);
        QVERIFY(course.report(ApplicationState::adjDataRead, UsbThreadErrorCode::success, Reply::adjustData));
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
        QVERIFY(course.report(ApplicationState::adjDataRead, UsbThreadErrorCode::failure, Reply::none));
        QCOMPARE(course.gui.answerer->titles(), QStringList{"Reading the settings failed"});
        QCOMPARE(course.gui.context->currentAdjustData().get(),
                 course.gui.context->defaultAdjustData().get());
    }

    void terminationEndsTheProcess() {
        Course course;
        QVERIFY(course.report(ApplicationState::appTerminate, UsbThreadErrorCode::success, Reply::none));
        QTRY_COMPARE(course.gui.endCount.load(), 1);
        QCOMPARE(course.gui.exitCode.load(), 0);
    }
};

QTEST_MAIN(TestConnectCourse)
#include "tst_connectcourse.moc"
