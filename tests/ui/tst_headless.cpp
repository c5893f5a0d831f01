// Without a display the graphical programs say how to go on, in one line, and end with status 1
// instead of Qt's abort.
#include <QDir>
#include <QProcess>
#include <QTest>

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    void endsWithOneLineOfAdvice_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("lensdock --demo")
            << QStringLiteral(LENSDOCK_APP_EXE) << QStringList{QStringLiteral("--demo")};
        QTest::newRow("lensdock-screenshots")
            << QStringLiteral(LENSDOCK_SCREENSHOTS_EXE) << QStringList{QDir::tempPath()};
    }

    void endsWithOneLineOfAdvice() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QStringList lines =
            QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(QStringLiteral("lensdock-cli --demo info")),
                 qPrintable(lines.first()));
        QVERIFY(lines.first().contains(QStringLiteral("QT_QPA_PLATFORM=offscreen")));
        QVERIFY(lines.first().contains(QStringLiteral("xvfb-run")));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
