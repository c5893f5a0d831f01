#include "FaultTable.h"

#include "adjust/AdjustPayload.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"

using namespace lensdock;

namespace faults {

namespace {
// A request and its three resends.
constexpr int everyAttempt = 4;

// The function each operation's own exchange uses, for faults aimed at it.
int ownFunction(Operation operation) {
    if (operation == Operation::read)
        return FunctionNumber::getAdjData;
    if (writes(operation))
        return FunctionNumber::setAdjData;
    return FunctionNumber::updateFirmware;
}

// The firmware of every update case: a header block and three data blocks.
constexpr int firmwareLength = 3000;
constexpr int lastBlock = 4;

LensAfter afterSuccess(Operation operation) {
    if (operation == Operation::lensUpdate)
        return LensAfter::factory;
    if (operation == Operation::factoryRestore)
        return LensAfter::factory;
    return operation == Operation::apply ? LensAfter::written : LensAfter::unchanged;
}

// Faults that one resend heals: the operation succeeds.
void addRecoveredCases(QList<FaultCase>& cases, Operation op) {
    const int own = ownFunction(op);
    const auto recovered = [&](const QString& description, const QString& fault) {
        cases << FaultCase{op, description, {fault, 1, own}, Outcome::succeeds, afterSuccess(op)};
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
    cases << FaultCase{
        op,
        QStringLiteral("stray bytes before the request"),
        {QStringLiteral("stray-bytes"), 3, -1, writes(op) ? Moment::atConfirmation : Moment::atStart},
        Outcome::succeeds,
        afterSuccess(op)};
}

// Faults that outlast every resend. A write whose answers were all lost or spoiled still reached
// the lens, and the read-back that follows finds the new settings there.
void addFailedExchangeCases(QList<FaultCase>& cases, Operation op) {
    const int own = ownFunction(op);
    const auto lostAnswers = [&](const QString& description, const QString& fault, int count) {
        if (writes(op))
            cases << FaultCase{op, description, {fault, count, own}, Outcome::succeeds, afterSuccess(op)};
        else
            cases << FaultCase{op, description, {fault, count, own}, Outcome::noAnswer, LensAfter::unchanged};
    };
    const auto refused = [&](const QString& description, const QString& fault, int count) {
        cases << FaultCase{op, description, {fault, count, own}, Outcome::refused, LensAfter::unchanged};
    };
    lostAnswers(QStringLiteral("every reply lost"), QStringLiteral("drop-reply"),
                updates(op) ? untilItGivesUp : everyAttempt);
    refused(QStringLiteral("error frame on every attempt"), QStringLiteral("error-frame"), everyAttempt);
    if (!updates(op)) {
        lostAnswers(QStringLiteral("CRC error on every attempt"), QStringLiteral("crc-low"), everyAttempt);
        lostAnswers(QStringLiteral("wrong packet number on every attempt"), QStringLiteral("packet-number"),
                    everyAttempt);
        return;
    }
    refused(QStringLiteral("cancelled (CAN) block"), QStringLiteral("can-block"), 1);
    refused(QStringLiteral("every block NAKed"), QStringLiteral("nak-block"), untilItGivesUp);
}

void addLossCases(QList<FaultCase>& cases, Operation op) {
    const auto lost = [&](const QString& description, Injection injection,
                          LensAfter after = LensAfter::unchanged) {
        cases << FaultCase{op, description, std::move(injection), Outcome::adapterLost, after};
    };
    const auto unplugAt = [&](const QString& phase, int function, Moment when) {
        lost(QStringLiteral("unplug at the %1").arg(phase),
             {QStringLiteral("unplug-on-request"), 1, function, when});
    };
    const auto overCurrentAt = [&](const QString& description, Moment when) {
        cases << FaultCase{op,
                           description,
                           {QStringLiteral("overcurrent"), 1, -1, when},
                           Outcome::overCurrent,
                           LensAfter::unchanged};
    };
    overCurrentAt(QStringLiteral("over-current at connect"), Moment::atStart);
    if (op == Operation::read) {
        unplugAt(QStringLiteral("adapter identity"), FunctionNumber::getBasicInfo, Moment::atStart);
        unplugAt(QStringLiteral("lens connection"), FunctionNumber::reqLensConnect, Moment::atStart);
        unplugAt(QStringLiteral("settings read"), FunctionNumber::getAdjData, Moment::atStart);
        return;
    }
    if (writes(op)) {
        overCurrentAt(QStringLiteral("over-current at the write"), Moment::atConfirmation);
        unplugAt(QStringLiteral("write"), FunctionNumber::setAdjData, Moment::atConfirmation);
        // The lens took the settings; nobody can tell, so the loss is what is reported.
        lost(QStringLiteral("unplug at the read-back"),
             {QStringLiteral("unplug-on-request"), 1, FunctionNumber::getAdjData, Moment::atConfirmation},
             afterSuccess(op));
        return;
    }
    unplugAt(QStringLiteral("update request"), FunctionNumber::updateFirmware, Moment::atConfirmation);
    lost(QStringLiteral("unplug after the first block"),
         {QStringLiteral("unplug-after-block"), 1, -1, Moment::atConfirmation});
    // Everything sent, nothing confirmed: not a success until the device reports the new version.
    lost(QStringLiteral("unplug after the last block"),
         {QStringLiteral("unplug-after-block"), lastBlock, -1, Moment::atConfirmation});
    // The adapter that stays away is indistinguishable from one unplugged; a lens that stays away
    // is reported by the adapter.
    cases << FaultCase{op,
                       QStringLiteral("device does not come back after its reset"),
                       {QStringLiteral("no-return"), 1, -1, Moment::atConfirmation},
                       op == Operation::adapterUpdate ? Outcome::adapterLost : Outcome::lensLost,
                       LensAfter::unchanged};
}

QString lensAfterText(LensAfter after) {
    switch (after) {
    case LensAfter::unchanged:
        return QStringLiteral("unchanged");
    case LensAfter::written:
        return QStringLiteral("as written");
    case LensAfter::factory:
        return QStringLiteral("factory");
    }
    return {};
}

QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::succeeds:
        return QStringLiteral("succeeds");
    case Outcome::noAnswer:
        return QStringLiteral("fails: no answer");
    case Outcome::refused:
        return QStringLiteral("fails: refused");
    case Outcome::adapterLost:
        return QStringLiteral("adapter lost");
    case Outcome::lensLost:
        return QStringLiteral("lens lost");
    case Outcome::overCurrent:
        return QStringLiteral("over-current");
    }
    return {};
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return data;
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

QString operationName(Operation operation) {
    switch (operation) {
    case Operation::read:
        return QStringLiteral("read the settings");
    case Operation::apply:
        return QStringLiteral("apply settings");
    case Operation::factoryRestore:
        return QStringLiteral("factory restore");
    case Operation::adapterUpdate:
        return QStringLiteral("adapter firmware update");
    case Operation::lensUpdate:
        return QStringLiteral("lens firmware update");
    }
    return {};
}

QString outcomeText(const FaultCase& c) {
    return outcomeName(c.outcome) + QStringLiteral("; lens settings ") + lensAfterText(c.lensAfter);
}

QString caseName(const FaultCase& c) {
    return operationName(c.operation) + QStringLiteral(" / ") + c.description;
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
    switch (c.lensAfter) {
    case LensAfter::written:
        return states.written;
    case LensAfter::factory:
        return states.factory;
    case LensAfter::unchanged:
        break;
    }
    return states.before;
}

QByteArray giveTheLensCustomSettings(DockEmulator& dock) {
    const DockSnapshot state = dock.snapshot();
    auto settings = AdjustPayload::decode(state.adjustBytes, state.lens);
    if (!settings)
        qFatal("the emulated lens holds settings that do not decode");
    settings->focusZoomClose[0] = 5;
    settings->focusZoomClose[1] = -3;
    const QByteArray bytes = AdjustPayload::encode(*settings, state.lens);
    dock.setLensSettings(bytes);
    return bytes;
}

} // namespace faults
