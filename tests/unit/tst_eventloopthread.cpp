#include "base/EventLoopThread.h"

#include <atomic>
#include <QCoreApplication>
#include <QTest>
#include <QThread>

using namespace lensdock;

class TestEventLoopThread : public QObject {
    Q_OBJECT
private slots:
    // Qt may end the thread's loop behind our back; the thread must go on serving work, and its
    // destructor must neither hang nor touch the thread's objects after they are gone (a crash in
    // lensdock-cli once, under ThreadSanitizer).
    void outlivesALoopEndedByQt() {
        std::atomic<int> served = 0;
        {
            EventLoopThread thread;
            thread.run([] { QThread::currentThread()->quit(); });
            thread.run([&] { ++served; });
            thread.post([&] { ++served; });
        }
        QCOMPARE(served.load(), 2);
    }
};

QTEST_GUILESS_MAIN(TestEventLoopThread)
#include "tst_eventloopthread.moc"
