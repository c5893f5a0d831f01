#include "base/Logger.h"
#include "LogCapture.h"

#include <QRegularExpression>
#include <QTest>
#include <thread>
#include <vector>

using namespace lensdock;

class TestLogger : public QObject {
    Q_OBJECT
private slots:
    void taggedLineHasTimeTagAndMessage() {
        LogCapture capture;
        Logger::trace("Thread", "Change appState: 11");
        QCOMPARE(capture.lines().size(), 1);
        static const QRegularExpression pattern(R"(^\d\d:\d\d:\d\d \[Thread\] Change appState: 11$)");
        QVERIFY2(pattern.match(capture.lines().first()).hasMatch(), qPrintable(capture.lines().first()));
    }

    void traceDropsDecodeButErrorKeepsIt_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("traceLines");
        QTest::addColumn<int>("errorLines");
        QTest::newRow("Decode") << "Decode" << 0 << 1;
        QTest::newRow("Firmware") << "Firmware" << 1 << 1;
        QTest::newRow("USB") << "USB" << 1 << 1;
    }
    void traceDropsDecodeButErrorKeepsIt() {
        QFETCH(QString, tag);
        QFETCH(int, traceLines);
        QFETCH(int, errorLines);
        LogCapture capture;
        Logger::trace(tag, "x");
        QCOMPARE(capture.lines().size(), traceLines);
        capture.clear();
        Logger::error(tag, "x");
        QCOMPARE(capture.lines().size(), errorLines);
    }

    void plainLineIsWrittenAsGiven() {
        LogCapture capture;
        Logger::plain("[Save Data] Length = 96");
        QCOMPARE(capture.lines(), QStringList{"[Save Data] Length = 96"});
    }

    void linesFromManyThreadsStayWhole() {
        LogCapture capture;
        constexpr int threads = 4;
        constexpr int perThread = 250;
        std::vector<std::thread> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back([t] {
                for (int i = 0; i < perThread; ++i)
                    Logger::trace("USB", QStringLiteral("writer %1 line %2").arg(t).arg(i));
            });
        }
        for (auto& writer : writers)
            writer.join();
        const QStringList lines = capture.untimed();
        QCOMPARE(lines.size(), threads * perThread);
        static const QRegularExpression whole(R"(^\[USB\] writer \d line \d+$)");
        for (const QString& line : lines)
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
