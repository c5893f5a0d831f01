#include "GuiFixture.h"
#include "ui/SleepInhibitor.h"
#include "ui/UpdateWindow.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <sys/prctl.h>
#include <unistd.h>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::FwErrorCode)

namespace {
constexpr int startBoundMs = 10000;
constexpr int courseBoundMs = 30000;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");

// A message bus of the test's own: a dbus-daemon process with its socket in a temporary folder.
class PrivateBus {
public:
    ~PrivateBus() {
        for (const QString& name : std::as_const(connections_))
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished(startBoundMs);
    }

    bool start() {
        // The daemon goes with the test, even when the test crashes.
        daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address"),
                       QStringLiteral("--address=unix:dir=") + folder_.path()});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(startBoundMs)) {
        }
        address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
        if (address_.isEmpty())
            qWarning("dbus-daemon did not start: %s", qPrintable(daemon_.errorString()));
        return !address_.isEmpty();
    }

    // A new connection to the bus, with a unique name of its own.
    QDBusConnection connect(const QString& name) {
        connections_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

// Stands in for logind's manager object: records each Inhibit call and hands out the write end of a
// pipe as the lock, so that the test sees from the read end when every copy of the lock is closed.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogin() override {
        if (readEnd_ >= 0)
            ::close(readEnd_);
    }

    bool serveOn(QDBusConnection bus) {
        return bus.registerObject(QStringLiteral("/org/freedesktop/login1"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.login1"));
    }

    // True while some copy of the last lock handed out is still open.
    bool lockOpen() const {
        pollfd watch{readEnd_, POLLIN, 0};
        return readEnd_ >= 0 && ::poll(&watch, 1, 0) == 0;
    }

    QList<QStringList> calls;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        calls << QStringList{what, who, why, mode};
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        if (readEnd_ >= 0)
            ::close(readEnd_);
        readEnd_ = ends[0];
        QDBusUnixFileDescriptor lock(ends[1]); // keeps a duplicate
        ::close(ends[1]);
        return lock;
    }

private:
    int readEnd_ = -1;
};
} // namespace

class TestSleepInhibitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<FwErrorCode>(); }

    void theLockIsHeldUntilReleased() {
        PrivateBus bus;
        QVERIFY(bus.start());
        FakeLogin login;
        QVERIFY(login.serveOn(bus.connect(QStringLiteral("login"))));
        SleepInhibitor inhibitor(bus.connect(QStringLiteral("program")));
        inhibitor.acquire(QStringLiteral("writing"));
        QTRY_VERIFY(inhibitor.isHeld());
        QCOMPARE(login.calls,
                 (QList<QStringList>{{QStringLiteral("sleep:idle"), QStringLiteral("Lens Dock Utility"),
                                      QStringLiteral("writing"), QStringLiteral("block")}}));
        QVERIFY(login.lockOpen());
        inhibitor.release();
        QVERIFY(!inhibitor.isHeld());
        QTRY_VERIFY(!login.lockOpen());
    }

    void anAnswerAfterTheReleaseIsDropped() {
        PrivateBus bus;
        QVERIFY(bus.start());
        FakeLogin login;
        QVERIFY(login.serveOn(bus.connect(QStringLiteral("login"))));
        SleepInhibitor inhibitor(bus.connect(QStringLiteral("program")));
        inhibitor.acquire(QStringLiteral("writing"));
        inhibitor.release(); // before the event loop could deliver the answer
        QTRY_COMPARE(login.calls.size(), 1);
        QTRY_VERIFY(!login.lockOpen());
        QVERIFY(!inhibitor.isHeld());
    }

    void withoutLogindNothingHappens_data() {
        QTest::addColumn<bool>("busRuns");
        QTest::newRow("no bus") << false;
        QTest::newRow("a bus without logind") << true;
    }

    void withoutLogindNothingHappens() {
        QFETCH(bool, busRuns);
        PrivateBus bus;
        QVERIFY(!busRuns || bus.start());
        SleepInhibitor inhibitor(bus.connect(QStringLiteral("program")));
        inhibitor.acquire(QStringLiteral("writing"));
        QTRY_VERIFY(!inhibitor.isAsking());
        QVERIFY(!inhibitor.isHeld());
        inhibitor.release();
    }

    void theUpdateWindowHoldsTheLockWhileTheUpdateRuns() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        PrivateBus bus;
        QVERIFY(bus.start());
        FakeLogin login;
        QVERIFY(login.serveOn(bus.connect(QStringLiteral("login"))));
        // A download host that takes the connection and answers nothing: the update waits in its
        // download until the test closes the host.
        QTcpServer silentHost;
        QVERIFY(silentHost.listen(QHostAddress::LocalHost));
        AppOptions options;
        options.downloadHost =
            *DownloadHost::fromUrl(QStringLiteral("http://127.0.0.1:%1").arg(silentHost.serverPort()));
        AppContext context(options);
        UpdateJobTimings timings = GuiFixture::updateTimings();
        timings.network.requestTimeout = std::chrono::milliseconds(courseBoundMs);
        QTemporaryDir store;
        QPointer<UpdateWindow> window = new UpdateWindow(context, timings, FileIO(store.path()));
        window->useSleepBus(bus.connect(QStringLiteral("program")));
        window->setAdapterUpdateInfo("0200", decodeKey);
        QSignalSpy results(window.data(), &UpdateWindow::updateFinished);
        bool lockOpenAtTheResult = true;
        connect(window, &UpdateWindow::updateFinished, this, [&] { lockOpenAtTheResult = login.lockOpen(); });
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(silentHost.hasPendingConnections(), courseBoundMs);
        QTRY_VERIFY(window->keepsSystemAwake());
        QCOMPARE(login.calls.size(), 1);
        QCOMPARE(login.calls.first().at(0), QStringLiteral("sleep:idle"));
        QCOMPARE(login.calls.first().at(3), QStringLiteral("block"));
        QVERIFY(login.lockOpen());
        QVERIFY(results.isEmpty());
        QTcpSocket* download = silentHost.nextPendingConnection();
        silentHost.close();
        download->abort();
        QTRY_VERIFY_WITH_TIMEOUT(results.count() == 1, courseBoundMs);
        QCOMPARE(results.first().first().value<FwErrorCode>(), FwErrorCode::errorDownload);
        QVERIFY(!lockOpenAtTheResult); // given back with the result, not only when the window goes
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(TestSleepInhibitor)
#include "tst_sleepinhibitor.moc"
