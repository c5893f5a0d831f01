// The fault table through lensdock-cli: each case against the dock emulator, then the same tool
// once more against the recovered dock. The outcomes map onto the tool's documented exit statuses.
#include "CliDock.h"
#include "CliProcess.h"
#include "FaultTable.h"
#include "LocalDownloadHost.h"
#include "ReliabilityLog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace faults;

namespace {
constexpr int exitOk = 0;
constexpr int exitNoAdapter = 3;
constexpr int exitDevice = 5;
constexpr int exitUpdate = 9;
constexpr int promptBoundMs = 30000;

// Settings for the emulator's zoom lens (model A036) unlike its factory values.
const QByteArray customFile = "ZOLAD,20260101120000,A036,0100,"
                              "5,-3,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-30,"
                              "1,3,1,8,2,0,5,1,1";

QString successReport(Operation operation) {
    switch (operation) {
    case Operation::read:
        return QStringLiteral("Saved to");
    case Operation::apply:
    case Operation::factoryRestore:
        return QStringLiteral("Written and verified.");
    case Operation::adapterUpdate:
        return QStringLiteral("Adapter firmware updated to 0201.");
    case Operation::lensUpdate:
        return QStringLiteral("Lens firmware updated to 0200.");
    }
    return {};
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
    const CliExpectation expected = expectationOf(c);
    QString text = expected.exitCode == exitOk
                       ? QStringLiteral("exit 0, \"%1\"").arg(expected.report)
                       : QStringLiteral("exit %1, one error line").arg(expected.exitCode);
    if (expected.exitCode != exitOk && !expected.report.isEmpty())
        text += QStringLiteral(" naming \"%1\"").arg(expected.report);
    return outcomeText(c) + QStringLiteral(": ") + text;
}

QStringList errorLines(const CliResult& result) {
    return result.errorLines().filter(QRegularExpression(QStringLiteral("^lensdock-cli: ")));
}

QString observedText(const CliResult& result) {
    if (!result.finished)
        return QStringLiteral("did not finish");
    const QStringList errors = errorLines(result);
    if (result.exitCode == exitOk) {
        const QStringList out = result.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return QStringLiteral("exit 0, \"%1\"").arg(out.value(out.size() - 1));
    }
    return QStringLiteral("exit %1, %2 error line(s): \"%3\"")
        .arg(result.exitCode)
        .arg(errors.size())
        .arg(errors.join(QStringLiteral(" | ")));
}

// Firmware files the tool left in its local store.
QStringList firmwareLeftIn(const QString& dataHome) {
    QStringList left;
    QDirIterator it(dataHome, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // Catalogues are kept on purpose, and so are the backups of the lens's settings.
        if (!path.endsWith(QStringLiteral(".xml")) && !path.contains(QStringLiteral("/Varnet/settings/")))
            left << QDir(dataHome).relativeFilePath(path);
    }
    return left;
}
} // namespace

class TestCliFaultMatrix : public QObject {
    Q_OBJECT

    LocalDownloadHost host;
    std::optional<ReliabilityRow> row;
    QByteArray target_; // what a lens holds after a healthy apply of the custom file

    // Everything back to a healthy dock with the lens on, as a user would after a fault.
    static void recover(CliDock& dock) {
        dock.emulator->clearFaults();
        dock.emulator->setOverCurrent(false);
        dock.emulator->mountLens();
        if (!dock.emulator->snapshot().plugged) {
            const int plugs = dock.emulator->snapshot().plugCount;
            dock.emulator->replug();
            QVERIFY(dock.emulator->waitForPlugCount(plugs + 1, std::chrono::seconds(10)));
        }
    }

    QStringList commandFor(Operation operation, const QString& files) const {
        switch (operation) {
        case Operation::read:
            return {QStringLiteral("read"), QStringLiteral("--output"), files + QStringLiteral("/out.vlad")};
        case Operation::apply:
            return {QStringLiteral("apply"), files + QStringLiteral("/custom.vlad")};
        case Operation::factoryRestore:
            return {QStringLiteral("factory-reset")};
        case Operation::adapterUpdate:
            return {QStringLiteral("update"), QStringLiteral("adapter")};
        case Operation::lensUpdate:
            return {QStringLiteral("update"), QStringLiteral("lens")};
        }
        return {};
    }

    QStringList common(const CliDock& dock) const {
        return dock.port() + QStringList{QStringLiteral("--download-url"), host.url(),
                                         QStringLiteral("--reset-wait-ms"), QStringLiteral("100")};
    }

    bool applyFile(const CliDock& dock, const QString& dataHome, const QString& file) const {
        CliProcess cli(dataHome);
        return cli.run(common(dock) << QStringLiteral("--yes") << QStringLiteral("apply") << file).exitCode ==
               exitOk;
    }

    void learnTheAppliedSettings() {
        QTemporaryDir scratch;
        QFile custom(scratch.filePath(QStringLiteral("custom.vlad")));
        QVERIFY(custom.open(QIODevice::WriteOnly) && custom.write(customFile) == customFile.size());
        custom.close();
        CliDock dock;
        QVERIFY(dock.start());
        QVERIFY(applyFile(dock, scratch.path(), custom.fileName()));
        target_ = dock.emulator->snapshot().adjustBytes;
    }

    CliResult runCase(CliDock& dock, const FaultCase& c, const QString& dataHome, const QString& files) {
        CliProcess cli(dataHome);
        QStringList arguments = common(dock) + commandFor(c.operation, files);
        if (c.injection.when == Moment::atStart) {
            inject(*dock.emulator, c.injection);
            return cli.run(arguments << QStringLiteral("--yes"));
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
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"),
                 "<zoleninfo>2026/01/01 00:00:00,0201," + decodeKey + "</zoleninfo>");
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
                 packedFirmware(Device::adapter, QStringLiteral("0201")));
        host.put(QStringLiteral("zolen/lens/lensinfo_A036E0.xml"),
                 "<lensinfo>2026/01/01 00:00:00,A036,Test Zoom,0200,true,true,true,true,8,3,28,35,50,70,100,"
                 "135,200,300,30,-30,2,10,0,9,2,7," +
                     decodeKey + "</lensinfo>");
        host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"),
                 packedFirmware(Device::lens, QStringLiteral("0200")));
        learnTheAppliedSettings();
    }

    void cleanup() {
        if (!row)
            return;
        row->passed = !QTest::currentTestFailed();
        ReliabilityLog::append(*row);
        row.reset();
    }

    void faultCase_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < faultTable().size(); ++i)
            QTest::newRow(qPrintable(caseName(faultTable()[i]))) << i;
    }

    void faultCase() {
        QFETCH(int, index);
        const FaultCase& c = faultTable()[index];
        row = ReliabilityRow{QStringLiteral("CLI"),
                             operationName(c.operation),
                             c.description,
                             expectedText(c),
                             QString(),
                             false};
        QTemporaryDir dataHome;
        QTemporaryDir files;
        QFile custom(files.filePath(QStringLiteral("custom.vlad")));
        QVERIFY(custom.open(QIODevice::WriteOnly) && custom.write(customFile) == customFile.size());
        custom.close();
        CliDock dock;
        QVERIFY(dock.start());
        const QByteArray factory = dock.emulator->snapshot().adjustBytes;
        // The lens holds custom settings, so that a restore or an update changes something.
        if (c.operation != Operation::apply)
            giveTheLensCustomSettings(*dock.emulator);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;

        const CliResult result = runCase(dock, c, dataHome.path(), files.path());
        row->observed = observedText(result).replace(files.path() + QLatin1Char('/'), QString());
        const QByteArray after = dock.emulator->snapshot().adjustBytes;
        const bool firmwareSent = !dock.emulator->snapshot().firmware.isEmpty();
        const bool faultUsed = dock.emulator->snapshot().faults.empty();
        recover(dock);

        QVERIFY2(result.finished, "the tool did not end within its bound");
        const CliExpectation expected = expectationOf(c);
        QCOMPARE(result.exitCode, expected.exitCode);
        QVERIFY2(faultUsed || c.injection.count == untilItGivesUp, "the fault never struck");
        if (expected.exitCode == exitOk) {
            QVERIFY2(errorLines(result).isEmpty(), qPrintable(result.errText()));
            QVERIFY2(result.outText().contains(expected.report), qPrintable(result.outText()));
        } else {
            QCOMPARE(errorLines(result).size(), 1);
            QVERIFY2(result.errText().contains(expected.report), qPrintable(result.errText()));
        }
        if (c.operation == Operation::read && expected.exitCode != exitOk)
            QVERIFY(!QFile::exists(files.filePath(QStringLiteral("out.vlad"))));
        QCOMPARE(after, expectedLens(c, {before, target_, factory}));
        if (!updates(c.operation))
            QVERIFY(!firmwareSent);
        QCOMPARE(firmwareLeftIn(dataHome.path()), QStringList());

        CliProcess again(dataHome.path());
        const CliResult next = again.run(dock.port() << QStringLiteral("read"));
        QVERIFY2(next.exitCode == exitOk, qPrintable(next.errText()));
    }
};

QTEST_GUILESS_MAIN(TestCliFaultMatrix)
#include "tst_clifaultmatrix.moc"
