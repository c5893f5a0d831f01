#include "FaultTable.h"

#include "adjust/AdjustPayload.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

using namespace lensdock;

namespace faults {

namespace {
// A request and its three resends.
constexpr int everyAttempt = 4;

// The function each operation's own exchange uses, for faults aimed at it.
int ownFunction(Operation operation) {
    if (operation == Operation::read)
        return FunctionNumber::getAdjData;
    return writes(operation) ? FunctionNumber::setAdjData : FunctionNumber::updateFirmware;
}

// The firmware of every update case: a header block and three data blocks.
constexpr int firmwareLength = 3000;
constexpr int lastBlock = 4;

LensAfter afterSuccess(Operation operation) {
    const LensAfter after[] = {LensAfter::unchanged, LensAfter::written, LensAfter::factory,
                               LensAfter::unchanged, LensAfter::factory};
    return after[int(operation)];
}

// Faults that one resend heals: the operation succeeds.
void addRecoveredCases(QList<FaultCase>& cases, Operation op) {
    const auto recovered = [&](const QString& description, const QString& fault, int count = 1,
                               int scope = -2, Moment when = Moment::atStart) {
        cases << FaultCase{op,
                           description,
                           {fault, count, scope == -2 ? ownFunction(op) : scope, when},
                           Outcome::succeeds,
                           afterSuccess(op)};
    };
    recovered("one lost reply", "drop-reply");
    recovered("one error frame", "error-frame");
    if (updates(op))
        return recovered("one NAKed block", "nak-block");
    // Framed replies only: an update request is answered with a single byte.
    recovered("one CRC error (low byte)", "crc-low");
    recovered("one CRC error (high byte)", "crc-high");
    recovered("one wrong packet number", "packet-number");
    recovered("one wrong destination", "destination");
    recovered("one wrong function", "function");
    recovered("split reply", "split-reply");
    recovered("stray bytes before the request", "stray-bytes", 3, -1,
              writes(op) ? Moment::atConfirmation : Moment::atStart);
}

// Faults that outlast every resend. A write whose answers were all lost or spoiled still reached
// the lens, and the read-back that follows finds the new settings there.
void addFailedExchangeCases(QList<FaultCase>& cases, Operation op) {
    const auto add = [&](const QString& description, const QString& fault, int count, Outcome outcome) {
        const LensAfter after = outcome == Outcome::succeeds ? afterSuccess(op) : LensAfter::unchanged;
        cases << FaultCase{op, description, {fault, count, ownFunction(op)}, outcome, after};
    };
    const Outcome lost = writes(op) ? Outcome::succeeds : Outcome::noAnswer;
    add("every reply lost", "drop-reply", updates(op) ? untilItGivesUp : everyAttempt, lost);
    add("error frame on every attempt", "error-frame", everyAttempt, Outcome::refused);
    if (!updates(op)) {
        add("CRC error on every attempt", "crc-low", everyAttempt, lost);
        add("wrong packet number on every attempt", "packet-number", everyAttempt, lost);
        return;
    }
    add("cancelled (CAN) block", "can-block", 1, Outcome::refused);
    add("every block NAKed", "nak-block", untilItGivesUp, Outcome::refused);
}

void addLossCases(QList<FaultCase>& cases, Operation op) {
    const auto add = [&](const QString& description, const QString& fault, int count, int scope, Moment when,
                         Outcome outcome = Outcome::adapterLost, LensAfter after = LensAfter::unchanged) {
        cases << FaultCase{op, description, {fault, count, scope, when}, outcome, after};
    };
    const auto unplugAt = [&](const QString& phase, int function, Moment when) {
        add("unplug at the " + phase, "unplug-on-request", 1, function, when);
    };
    add("over-current at connect", "overcurrent", 1, -1, Moment::atStart, Outcome::overCurrent);
    if (op == Operation::read) {
        unplugAt("dock identity", FunctionNumber::getBasicInfo, Moment::atStart);
        unplugAt("lens connection", FunctionNumber::reqLensConnect, Moment::atStart);
        unplugAt("settings read", FunctionNumber::getAdjData, Moment::atStart);
        return;
    }
    const Moment confirmed = Moment::atConfirmation;
    if (writes(op)) {
        add("over-current at the write", "overcurrent", 1, -1, confirmed, Outcome::overCurrent);
        unplugAt("write", FunctionNumber::setAdjData, confirmed);
        // The lens took the settings; nobody can tell, so the loss is what is reported.
        add("unplug at the read-back", "unplug-on-request", 1, FunctionNumber::getAdjData, confirmed,
            Outcome::adapterLost, afterSuccess(op));
        return;
    }
    unplugAt("update request", FunctionNumber::updateFirmware, confirmed);
    add("unplug after the first block", "unplug-after-block", 1, -1, confirmed);
    // Everything sent, nothing confirmed: not a success until the device reports the new version.
    add("unplug after the last block", "unplug-after-block", lastBlock, -1, confirmed);
    // The adapter that stays away is indistinguishable from one unplugged; a lens that stays away
    // is reported by the adapter.
    add("device does not come back after its reset", "no-return", 1, -1, confirmed,
        op == Operation::adapterUpdate ? Outcome::adapterLost : Outcome::lensLost);
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return data;
}

QString operationName(Operation operation) {
    const char* names[] = {"read the settings", "apply settings", "factory restore", "dock firmware update",
                           "lens firmware update"};
    return QLatin1String(names[int(operation)]);
}
} // namespace

const QByteArray decodeKey = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";

bool writes(Operation operation) {
    return operation == Operation::apply || operation == Operation::factoryRestore;
}

bool updates(Operation operation) {
    return operation == Operation::adapterUpdate || operation == Operation::lensUpdate;
}

bool everyBlockSentBeforeTheLoss(const FaultCase& c) {
    if (c.outcome != Outcome::adapterLost)
        return false;
    // A device that stays away after a reset is lost before the first block: the adapter resets
    // before it takes the firmware.
    return c.injection.fault == QStringLiteral("unplug-after-block") && c.injection.count == lastBlock;
}

const QList<FaultCase>& faultTable() {
    static const QList<FaultCase> cases = [] {
        QList<FaultCase> all;
        for (Operation op : {Operation::read, Operation::apply, Operation::factoryRestore,
                             Operation::adapterUpdate, Operation::lensUpdate}) {
            addRecoveredCases(all, op);
            addFailedExchangeCases(all, op);
            addLossCases(all, op);
        }
        return all;
    }();
    return cases;
}

QString outcomeText(const FaultCase& c) {
    const char* outcomes[] = {"succeeds",  "fails: no answer", "fails: refused",
                              "dock lost", "lens lost",        "over-current"};
    const char* lens[] = {"unchanged", "as written", "factory"};
    return QStringLiteral("%1; lens settings %2")
        .arg(QLatin1String(outcomes[int(c.outcome)]), QLatin1String(lens[int(c.lensAfter)]));
}

void addCaseRows() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < faultTable().size(); ++i)
        QTest::newRow(qPrintable(operationName(faultTable()[i].operation) + QStringLiteral(" / ") +
                                 faultTable()[i].description))
            << i;
}

void inject(DockEmulator& dock, const Injection& injection) {
    if (injection.fault == QStringLiteral("overcurrent"))
        return dock.setOverCurrent(true);
    if (injection.scope >= 0)
        dock.setFaultScope(std::uint8_t(injection.scope));
    dock.armFault(*FaultPlan::kindFromName(injection.fault), injection.count);
}

QByteArray packedFirmware(Device device, const QString& version) {
    const bool adapter = device == Device::adapter;
    const auto result =
        FirmwarePacker::pack({{std::uint8_t(adapter ? 0x01 : 0x00), std::uint8_t(adapter ? 0x00 : 0x01),
                               version, firmwareData(firmwareLength)}},
                             QString::fromLatin1(decodeKey));
    if (!result.ok())
        qFatal("packer: %s", qPrintable(result.error));
    return result.bytes;
}

const QByteArray& expectedLens(const FaultCase& c, const LensStates& states) {
    if (c.lensAfter == LensAfter::unchanged)
        return states.before;
    return c.lensAfter == LensAfter::written ? states.written : states.factory;
}

QByteArray prepareLens(DockEmulator& dock, const FaultCase& c) {
    const DockSnapshot state = dock.snapshot();
    auto settings = AdjustPayload::decode(state.adjustBytes, state.lens);
    if (!settings)
        qFatal("the emulated lens holds settings that do not decode");
    settings->focusZoomClose[0] = 5;
    settings->focusZoomClose[1] = -3;
    if (c.operation != Operation::apply)
        dock.setLensSettings(AdjustPayload::encode(*settings, state.lens));
    return state.adjustBytes;
}

bool struck(const FaultCase& c, const DockSnapshot& after) {
    return c.injection.count == untilItGivesUp || after.faults.empty();
}

bool heal(DockEmulator& dock, std::chrono::milliseconds bound) {
    dock.clearFaults();
    dock.setOverCurrent(false);
    dock.mountLens();
    if (dock.snapshot().plugged)
        return true;
    const int plugs = dock.snapshot().plugCount;
    dock.replug();
    return dock.waitForPlugCount(plugs + 1, bound);
}

void CaseLog::begin(const QString& face, const FaultCase& c, const QString& expected) {
    observed.clear();
    line_ = QJsonObject{{QStringLiteral("interface"), face},
                        {QStringLiteral("operation"), operationName(c.operation)},
                        {QStringLiteral("fault"), c.description},
                        {QStringLiteral("expected"), expected}};
}

void CaseLog::end() {
    const QString path = qEnvironmentVariable("LENSDOCK_RELIABILITY_ROWS");
    if (!line_ || path.isEmpty())
        return;
    line_->insert(QStringLiteral("observed"), observed);
    line_->insert(QStringLiteral("passed"), !QTest::currentTestFailed());
    QFile file(path);
    // One write per line: the CLI and the GUI matrix may append at the same time.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
        file.write(QJsonDocument(*std::exchange(line_, std::nullopt)).toJson(QJsonDocument::Compact) + '\n') <
            0)
        qWarning("cannot append to %s", qPrintable(path));
}

} // namespace faults
