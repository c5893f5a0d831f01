// The fault matrix through lensdock-cli: each operation against the dock emulator with one fault
// injected, then the same tool once more against the recovered dock. Expected outcomes follow the
// tool's documented exit statuses; resent requests make a single spoiled reply harmless.
#include "CliDock.h"
#include "CliProcess.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"
#include "LocalDownloadHost.h"
#include "ReliabilityLog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int exitOk = 0;
constexpr int exitNoAdapter = 3;
constexpr int exitDevice = 5;
constexpr int exitUpdate = 9;
constexpr int promptBoundMs = 30000;
// A request and its three resends.
constexpr int everyAttempt = 4;
// More occasions than any transfer tries: the fault lasts until the operation gives up.
constexpr int untilItGivesUp = 100;

const QByteArray decodeKey = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
// Settings for the emulator's zoom lens (model A036) unlike its factory values.
const QByteArray customFile = "ZOLAD,20260101120000,A036,0100,"
                              "5,-3,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-30,"
                              "1,3,1,8,2,0,5,1,1";

enum class Operation { read, apply, factoryReset, adapterUpdate, lensUpdate };
// What the lens's stored settings must be after the run.
// A lens update ends with the lens's factory settings written to it.
enum class LensAfter { unchanged, target, factory };
enum class Moment { atStart, atPrompt };

struct Injection {
    QString fault;  // a FaultPlan name, or "overcurrent"
    int count = 1;  // occasions (block number for unplug-after-block)
    int scope = -1; // function number the fault is limited to; -1 = every reply
    Moment when = Moment::atStart;
};

struct MatrixCase {
    Operation operation;
    QString description;
    Injection injection;
    int exitCode;
    QString report; // part of the one error line, or of standard output on success
    LensAfter lensAfter;
};

QString operationName(Operation operation) {
    switch (operation) {
    case Operation::read:
        return QStringLiteral("read the settings");
    case Operation::apply:
        return QStringLiteral("apply settings");
    case Operation::factoryReset:
        return QStringLiteral("factory restore");
    case Operation::adapterUpdate:
        return QStringLiteral("adapter firmware update");
    case Operation::lensUpdate:
        return QStringLiteral("lens firmware update");
    }
    return {};
}

bool writes(Operation operation) {
    return operation == Operation::apply || operation == Operation::factoryReset;
}

bool updates(Operation operation) {
    return operation == Operation::adapterUpdate || operation == Operation::lensUpdate;
}

// The function each operation's own exchange uses, for faults aimed at it.
int ownFunction(Operation operation) {
    if (operation == Operation::read)
        return FunctionNumber::getAdjData;
    if (writes(operation))
        return FunctionNumber::setAdjData;
    return FunctionNumber::updateFirmware;
}

QString successReport(Operation operation) {
    switch (operation) {
    case Operation::read:
        return QStringLiteral("Saved to");
    case Operation::apply:
    case Operation::factoryReset:
        return QStringLiteral("Written and verified.");
    case Operation::adapterUpdate:
        return QStringLiteral("Adapter firmware updated to 0201.");
    case Operation::lensUpdate:
        return QStringLiteral("Lens firmware updated to 0200.");
    }
    return {};
}

LensAfter afterSuccess(Operation operation) {
    if (operation == Operation::lensUpdate)
        return LensAfter::factory;
    return writes(operation) ? LensAfter::target : LensAfter::unchanged;
}

// Faults that one resend heals: the operation succeeds.
void addRecoveredCases(QList<MatrixCase>& cases, Operation op) {
    const int own = ownFunction(op);
    const auto recovered = [&](const QString& description, const QString& fault) {
        cases << MatrixCase{op, description, {fault, 1, own}, exitOk, successReport(op), afterSuccess(op)};
    };
    recovered(QStringLiteral("one lost reply"), QStringLiteral("drop-reply"));
    recovered(QStringLiteral("one error frame"), QStringLiteral("error-frame"));
    if (updates(op)) {
        recovered(QStringLiteral("one NAKed block"), QStringLiteral("nak-block"));
        return;
    }
    // Framed replies only: an update request is answered with a single byte.
    recovered(QStringLiteral("one CRC error (low byte)"), QStringLiteral("crc-low"));
    recovered(QStringLiteral("one CRC error (high byte)"), QStringLiteral("crc-high"));
    recovered(QStringLiteral("one wrong packet number"), QStringLiteral("packet-number"));
    recovered(QStringLiteral("one wrong destination"), QStringLiteral("destination"));
    recovered(QStringLiteral("one wrong function"), QStringLiteral("function"));
    recovered(QStringLiteral("split reply"), QStringLiteral("split-reply"));
    cases << MatrixCase{
        op,
        QStringLiteral("stray bytes before the request"),
        {QStringLiteral("stray-bytes"), 3, -1, writes(op) ? Moment::atPrompt : Moment::atStart},
        exitOk,
        successReport(op),
        afterSuccess(op)};
}

// Faults that outlast every resend. A write whose answers were all lost or spoiled still reached
// the lens, and the read-back that follows finds the new settings there.
void addFailedExchangeCases(QList<MatrixCase>& cases, Operation op) {
    const int own = ownFunction(op);
    const auto lostAnswers = [&](const QString& description, const QString& fault, int count) {
        if (writes(op))
            cases << MatrixCase{op,     description,       {fault, count, own},
                                exitOk, successReport(op), LensAfter::target};
        else
            cases << MatrixCase{op,         description, {fault, count, own},
                                exitDevice, QString(),   LensAfter::unchanged};
    };
    lostAnswers(QStringLiteral("every reply lost"), QStringLiteral("drop-reply"),
                updates(op) ? untilItGivesUp : everyAttempt);
    const QString refused = writes(op) ? QStringLiteral("did not accept the settings") : QString();
    cases << MatrixCase{op,
                        QStringLiteral("error frame on every attempt"),
                        {QStringLiteral("error-frame"), everyAttempt, own},
                        exitDevice,
                        updates(op) ? QStringLiteral("did not accept the firmware") : refused,
                        LensAfter::unchanged};
    if (!updates(op)) {
        lostAnswers(QStringLiteral("CRC error on every attempt"), QStringLiteral("crc-low"), everyAttempt);
        lostAnswers(QStringLiteral("wrong packet number on every attempt"), QStringLiteral("packet-number"),
                    everyAttempt);
        return;
    }
    cases << MatrixCase{
        op,         QStringLiteral("cancelled (CAN) block"),       {QStringLiteral("can-block"), 1, own},
        exitDevice, QStringLiteral("did not accept the firmware"), LensAfter::unchanged};
    cases << MatrixCase{op,
                        QStringLiteral("every block NAKed"),
                        {QStringLiteral("nak-block"), untilItGivesUp, own},
                        exitDevice,
                        QStringLiteral("did not accept the firmware"),
                        LensAfter::unchanged};
}

void addLossCases(QList<MatrixCase>& cases, Operation op) {
    const auto unplugAt = [&](const QString& phase, int function, Moment when) {
        cases << MatrixCase{op,
                            QStringLiteral("unplug at the %1").arg(phase),
                            {QStringLiteral("unplug-on-request"), 1, function, when},
                            exitNoAdapter,
                            QString(),
                            LensAfter::unchanged};
    };
    cases << MatrixCase{op,
                        QStringLiteral("over-current at connect"),
                        {QStringLiteral("overcurrent"), 1, -1, Moment::atStart},
                        exitDevice,
                        QStringLiteral("over-current"),
                        LensAfter::unchanged};
    if (op == Operation::read) {
        unplugAt(QStringLiteral("adapter identity"), FunctionNumber::getBasicInfo, Moment::atStart);
        unplugAt(QStringLiteral("lens connection"), FunctionNumber::reqLensConnect, Moment::atStart);
        unplugAt(QStringLiteral("settings read"), FunctionNumber::getAdjData, Moment::atStart);
    } else if (writes(op)) {
        cases << MatrixCase{op,
                            QStringLiteral("over-current at the write"),
                            {QStringLiteral("overcurrent"), 1, -1, Moment::atPrompt},
                            exitDevice,
                            QStringLiteral("over-current"),
                            LensAfter::unchanged};
        unplugAt(QStringLiteral("write"), FunctionNumber::setAdjData, Moment::atPrompt);
        cases << MatrixCase{
            op,
            QStringLiteral("unplug at the read-back"),
            {QStringLiteral("unplug-on-request"), 1, FunctionNumber::getAdjData, Moment::atPrompt},
            exitNoAdapter,
            QString(),
            LensAfter::target};
    } else {
        unplugAt(QStringLiteral("update request"), FunctionNumber::updateFirmware, Moment::atPrompt);
        cases << MatrixCase{op,
                            QStringLiteral("unplug after the first block"),
                            {QStringLiteral("unplug-after-block"), 1, -1, Moment::atPrompt},
                            exitNoAdapter,
                            QString(),
                            LensAfter::unchanged};
        // The adapter that stays away is indistinguishable from one unplugged; a lens that stays
        // away is reported by the adapter.
        const bool adapter = op == Operation::adapterUpdate;
        cases << MatrixCase{op,
                            QStringLiteral("device does not come back after its reset"),
                            {QStringLiteral("no-return"), 1, -1, Moment::atPrompt},
                            adapter ? exitNoAdapter : exitUpdate,
                            QStringLiteral("did not come back"),
                            LensAfter::unchanged};
    }
}

const QList<MatrixCase>& matrix() {
    static const QList<MatrixCase> cases = [] {
        QList<MatrixCase> all;
        for (Operation op : {Operation::read, Operation::apply, Operation::factoryReset,
                             Operation::adapterUpdate, Operation::lensUpdate}) {
            addRecoveredCases(all, op);
            addFailedExchangeCases(all, op);
            addLossCases(all, op);
        }
        return all;
    }();
    return cases;
}

QString lensAfterText(LensAfter after) {
    switch (after) {
    case LensAfter::unchanged:
        return QStringLiteral("unchanged");
    case LensAfter::target:
        return QStringLiteral("as written");
    case LensAfter::factory:
        return QStringLiteral("factory");
    }
    return {};
}

QString expectedText(const MatrixCase& c) {
    if (c.exitCode == exitOk)
        return QStringLiteral("recovers: exit 0, \"%1\"; lens settings %2")
            .arg(c.report, lensAfterText(c.lensAfter));
    QString text = QStringLiteral("exit %1, one error line").arg(c.exitCode);
    if (!c.report.isEmpty())
        text += QStringLiteral(" naming \"%1\"").arg(c.report);
    return text + QStringLiteral("; lens settings ") + lensAfterText(c.lensAfter);
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

QByteArray dataOf(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return data;
}

QByteArray packed(std::uint8_t device, std::uint8_t area, const QString& version) {
    const auto result =
        FirmwarePacker::pack({{device, area, version, dataOf(3000)}}, QString::fromLatin1(decodeKey));
    if (!result.ok())
        qFatal("packer: %s", qPrintable(result.error));
    return result.bytes;
}

// Firmware files the tool left in its local store.
QStringList firmwareLeftIn(const QString& dataHome) {
    QStringList left;
    QDirIterator it(dataHome, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QStringLiteral(".xml")))
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

    static QString name(const MatrixCase& c) {
        return operationName(c.operation) + QStringLiteral(" / ") + c.description;
    }

    static void inject(DockEmulator& emulator, const Injection& injection) {
        if (injection.fault == QStringLiteral("overcurrent"))
            return emulator.setOverCurrent(true);
        if (injection.scope >= 0)
            emulator.setFaultScope(std::uint8_t(injection.scope));
        emulator.armFault(*FaultPlan::kindFromName(injection.fault), injection.count);
    }

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
        case Operation::factoryReset:
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

    CliResult runCase(CliDock& dock, const MatrixCase& c, const QString& dataHome, const QString& files) {
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

    struct LensStates {
        QByteArray before;
        QByteArray written;
        QByteArray factory;
    };

    static void checkLens(const MatrixCase& c, const QByteArray& after, const LensStates& states) {
        switch (c.lensAfter) {
        case LensAfter::unchanged:
            QCOMPARE(after, states.before);
            break;
        case LensAfter::target:
            QCOMPARE(after, states.written);
            break;
        case LensAfter::factory:
            QCOMPARE(after, states.factory);
            break;
        }
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"),
                 "<zoleninfo>2026/01/01 00:00:00,0201," + decodeKey + "</zoleninfo>");
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"), packed(0x01, 0x00, QStringLiteral("0201")));
        host.put(QStringLiteral("zolen/lens/lensinfo_A036E0.xml"),
                 "<lensinfo>2026/01/01 00:00:00,A036,Test Zoom,0200,true,true,true,true,8,3,28,35,50,70,100,"
                 "135,200,300,30,-30,2,10,0,9,2,7," +
                     decodeKey + "</lensinfo>");
        host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed(0x00, 0x01, QStringLiteral("0200")));
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
        for (int i = 0; i < matrix().size(); ++i)
            QTest::newRow(qPrintable(name(matrix()[i]))) << i;
    }

    void faultCase() {
        QFETCH(int, index);
        const MatrixCase& c = matrix()[index];
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
            QVERIFY(applyFile(dock, dataHome.path(), custom.fileName()));
        const QByteArray before = dock.emulator->snapshot().adjustBytes;

        const CliResult result = runCase(dock, c, dataHome.path(), files.path());
        row->observed = observedText(result).replace(files.path() + QLatin1Char('/'), QString());
        const QByteArray after = dock.emulator->snapshot().adjustBytes;
        const bool firmwareSent = !dock.emulator->snapshot().firmware.isEmpty();
        const bool faultUsed = dock.emulator->snapshot().faults.empty();
        recover(dock);

        QVERIFY2(result.finished, "the tool did not end within its bound");
        QCOMPARE(result.exitCode, c.exitCode);
        QVERIFY2(faultUsed || c.injection.count == untilItGivesUp, "the fault never struck");
        if (c.exitCode == exitOk) {
            QVERIFY2(errorLines(result).isEmpty(), qPrintable(result.errText()));
            QVERIFY2(result.outText().contains(c.report), qPrintable(result.outText()));
        } else {
            QCOMPARE(errorLines(result).size(), 1);
            QVERIFY2(result.errText().contains(c.report), qPrintable(result.errText()));
        }
        if (c.operation == Operation::read && c.exitCode != exitOk)
            QVERIFY(!QFile::exists(files.filePath(QStringLiteral("out.vlad"))));
        checkLens(c, after, {before, c.operation == Operation::factoryReset ? factory : target_, factory});
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
