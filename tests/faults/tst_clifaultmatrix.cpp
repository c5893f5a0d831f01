// The fault table through lensdock-cli: each case against the dock emulator, then the same tool
// once more against the recovered dock. The outcomes map onto the tool's documented exit statuses.
#include "CliProcess.h"
#include "FaultTable.h"
#include "LocalDownloadHost.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace faults;

namespace {
// The tool's exit statuses, as its help documents them.
constexpr int exitOk = 0, exitNoAdapter = 3, exitDevice = 5, exitUpdate = 9;
constexpr int promptBoundMs = 30000;

// Settings for the emulator's zoom lens (model A036) unlike its factory values.
const QByteArray customFile = "ZOLAD,20260101120000,A036,0100,"
                              "5,-3,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-30,"
                              "1,3,1,8,2,0,5,1,1";

bool writeCustomFile(const QString& folder) {
    QFile file(folder + QStringLiteral("/custom.vlad"));
    return file.open(QIODevice::WriteOnly) && file.write(customFile) == customFile.size();
}

QString successReport(Operation operation) {
    const char* reports[] = {"Saved to", "Written and verified.", "Written and verified.",
                             "Dock firmware updated to 0201.", "Lens firmware updated to 0200."};
    return QLatin1String(reports[int(operation)]);
}

struct CliExpectation {
    int exitCode;
    QString report; // part of the one error line, or of standard output on success
};

CliExpectation expectationOf(const FaultCase& c) {
    switch (c.outcome) {
    case Outcome::succeeds:
        return {exitOk, successReport(c.operation)};
    case Outcome::noAnswer:
        return {exitDevice, QString()};
    case Outcome::refused:
        return {exitDevice, writes(c.operation)    ? QStringLiteral("did not accept the settings")
                            : updates(c.operation) ? QStringLiteral("did not accept the firmware")
                                                   : QString()};
    case Outcome::adapterLost:
        return {exitNoAdapter, everyBlockSentBeforeTheLoss(c)
                                   ? QStringLiteral("did not come back with the new version")
                                   : QString()};
    case Outcome::lensLost:
        return {exitUpdate, QStringLiteral("did not come back")};
    case Outcome::overCurrent:
        return {exitDevice, QStringLiteral("over-current")};
    }
    return {};
}

QString expectedText(const FaultCase& c) {
    const auto [exitCode, report] = expectationOf(c);
    if (exitCode == exitOk)
        return outcomeText(c) + QStringLiteral(": exit 0, \"%1\"").arg(report);
    return outcomeText(c) + QStringLiteral(": exit %1, one error line").arg(exitCode) +
           (report.isEmpty() ? QString() : QStringLiteral(" naming \"%1\"").arg(report));
}

QStringList errorLines(const CliResult& result) {
    return result.errorLines().filter(QRegularExpression(QStringLiteral("^lensdock-cli: ")));
}

QString observedText(const CliResult& result) {
    const QStringList errors = errorLines(result);
    const QStringList out = result.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!result.finished)
        return QStringLiteral("did not finish");
    if (result.exitCode == exitOk)
        return QStringLiteral("exit 0, \"%1\"").arg(out.value(out.size() - 1));
    return QStringLiteral("exit %1, %2 error line(s): \"%3\"")
        .arg(QString::number(result.exitCode), QString::number(errors.size()), errors.join(" | "));
}

// Firmware files the tool left in its local store.
QStringList firmwareLeftIn(const QString& dataHome) {
    QStringList left;
    for (QDirIterator it(dataHome, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        // Catalogues are kept on purpose, and so are the backups of the lens's settings.
        if (!path.endsWith(".xml") && !path.contains("/Varnet/settings/"))
            left << QDir(dataHome).relativeFilePath(path);
    }
    return left;
}
} // namespace

class TestCliFaultMatrix : public QObject {
    Q_OBJECT

    LocalDownloadHost host;
    CaseLog log;
    QByteArray target_; // what a lens holds after a healthy apply of the custom file

    static QStringList commandFor(Operation operation, const QString& files) {
        const QStringList commands[] = {{"read", "--output", files + "/out.vlad"},
                                        {"apply", files + "/custom.vlad"},
                                        {"factory-reset"},
                                        {"update", "dock"},
                                        {"update", "lens"}};
        return commands[int(operation)];
    }

    QStringList common(const CliDock& dock) const {
        return dock.port() + QStringList{"--download-url", host.url(), "--reset-wait-ms", "100"};
    }

    // What a healthy apply of the custom file leaves on the lens.
    void learnTheAppliedSettings() {
        QTemporaryDir files;
        CliDock dock;
        QVERIFY(writeCustomFile(files.path()) && dock.start());
        CliProcess cli(files.path());
        const QStringList apply{"--yes", "apply", files.filePath(QStringLiteral("custom.vlad"))};
        QCOMPARE(cli.run(common(dock) + apply).exitCode, exitOk);
        target_ = dock.emulator->snapshot().adjustBytes;
    }

    CliResult runCase(CliDock& dock, const FaultCase& c, const QString& dataHome, const QString& files) {
        CliProcess cli(dataHome);
        QStringList arguments = common(dock) + commandFor(c.operation, files);
        if (c.injection.when == Moment::atStart) {
            inject(*dock.emulator, c.injection);
            return cli.run(arguments << "--yes");
        }
        cli.start(arguments);
        if (!cli.waitForError("[y/N]", promptBoundMs))
            return cli.finish();
        inject(*dock.emulator, c.injection);
        cli.write("y\n");
        return cli.finish();
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put("zolen/adapter/zoleninfo.xml",
                 "<zoleninfo>2026/01/01 00:00:00,0201," + decodeKey + "</zoleninfo>");
        host.put("zolen/adapter/QB117_0201.vfwf", packedFirmware(Device::adapter, "0201"));
        host.put("zolen/lens/lensinfo_A036E0.xml",
                 "<lensinfo>2026/01/01 00:00:00,A036,Test Zoom,0200,true,true,true,"
                 "true,8,3,28,35,50,70,100,135,200,300,30,-30,2,10,0,9,2,7," +
                     decodeKey + "</lensinfo>");
        host.put("zolen/lens/A036E0_0200.vfwf", packedFirmware(Device::lens, "0200"));
        learnTheAppliedSettings();
    }

    void cleanup() { log.end(); }
    void faultCase_data() { addCaseRows(); }

    void faultCase() {
        QFETCH(int, index);
        const FaultCase& c = faultTable()[index];
        log.begin(QStringLiteral("CLI"), c, expectedText(c));
        QTemporaryDir dataHome;
        QTemporaryDir files;
        CliDock dock;
        QVERIFY(writeCustomFile(files.path()) && dock.start());
        const QByteArray factory = prepareLens(*dock.emulator, c);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;

        const CliResult result = runCase(dock, c, dataHome.path(), files.path());
        log.observed = observedText(result).replace(files.path() + QLatin1Char('/'), QString());
        const DockSnapshot after = dock.emulator->snapshot();
        QVERIFY(heal(*dock.emulator, std::chrono::seconds(10)));

        QVERIFY2(result.finished, "the tool did not end within its bound");
        const CliExpectation expected = expectationOf(c);
        QCOMPARE(result.exitCode, expected.exitCode);
        QVERIFY2(struck(c, after), "the fault never struck");
        if (expected.exitCode == exitOk) {
            QVERIFY2(errorLines(result).isEmpty(), qPrintable(result.errText()));
            QVERIFY2(result.outText().contains(expected.report), qPrintable(result.outText()));
        } else {
            QCOMPARE(errorLines(result).size(), 1);
            QVERIFY2(result.errText().contains(expected.report), qPrintable(result.errText()));
        }
        if (c.operation == Operation::read && expected.exitCode != exitOk)
            QVERIFY(!QFile::exists(files.filePath(QStringLiteral("out.vlad"))));
        QCOMPARE(after.adjustBytes, expectedLens(c, {before, target_, factory}));
        if (!updates(c.operation))
            QVERIFY(after.firmware.isEmpty());
        QCOMPARE(firmwareLeftIn(dataHome.path()), QStringList());

        CliProcess again(dataHome.path());
        const CliResult next = again.run(dock.port() << QStringLiteral("read"));
        QVERIFY2(next.exitCode == exitOk, qPrintable(next.errText()));
    }
};

QTEST_GUILESS_MAIN(TestCliFaultMatrix)
#include "tst_clifaultmatrix.moc"
