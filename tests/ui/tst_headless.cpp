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
        QTest::newRow("lensdock --demo") << QStringLiteral(LENSDOCK_APP_EXE) << QStringList{"--demo"};
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
        const QString advice = QString::fromUtf8(process.readAllStandardError()).trimmed();
        QVERIFY2(!advice.contains('\n'), qPrintable(advice));
        for (const char* hint : {"lensdock-cli --demo info", "QT_QPA_PLATFORM=offscreen", "xvfb-run"})
            QVERIFY2(advice.contains(QLatin1String(hint)), qPrintable(advice));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
