#pragma once

#include "DockEmulator.h"

#include <optional>
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// One list of fault cases for every front end: an operation, one fault injected into the dock
// emulator, and the outcome the case must end in. Each front end turns the outcome into what it
// shows (an exit status and error line, or alerts and a screen) and runs every case.
namespace faults {

enum class Operation { read, apply, factoryRestore, adapterUpdate, lensUpdate };

// When the fault goes in: before the program starts, or when it asks to confirm the operation (the
// command-line prompt, the window's caution).
enum class Moment { atStart, atConfirmation };

enum class Outcome {
    succeeds,    // a resend or the read-back after a write heals the fault
    noAnswer,    // no usable answer after every resend: reported as failed, the devices stay
    refused,     // the device answered that it did not take the data: reported as failed
    adapterLost, // the adapter went away (or did not come back after its reset): reported
    lensLost,    // the lens did not come back after its reset: the update is reported as failed
    overCurrent, // the lens draws too much current: refused until it is taken off
};

// What the lens's stored settings must be after the run. A lens update leaves the factory values.
enum class LensAfter { unchanged, written, factory };

struct Injection {
    QString fault;  // a FaultPlan name, or "overcurrent"
    int count = 1;  // occasions (block number for unplug-after-block)
    int scope = -1; // function number the fault is limited to; -1 = every reply
    Moment when = Moment::atStart;
};

struct FaultCase {
    Operation operation;
    QString description;
    Injection injection;
    Outcome outcome;
    LensAfter lensAfter;
};

// More occasions than any transfer tries: the fault lasts until the operation gives up.
constexpr int untilItGivesUp = 100;

const QList<FaultCase>& faultTable();
// The column "index" and one row per case, named after it.
void addCaseRows();

QString outcomeText(const FaultCase& c);

bool writes(Operation operation);
bool updates(Operation operation);
// The device went away after it had acknowledged every firmware block: the report must say that the
// firmware was sent and the device did not come back.
bool everyBlockSentBeforeTheLoss(const FaultCase& c);

void inject(lensdock::DockEmulator& dock, const Injection& injection);

// The decode key of the firmware files and catalogues the test hosts serve.
extern const QByteArray decodeKey;
enum class Device { adapter, lens };
// A firmware file at `version` for `device`, packed with `decodeKey`.
QByteArray packedFirmware(Device device, const QString& version);

// What the lens held before the operation, what a healthy run writes, and its factory values.
struct LensStates {
    QByteArray before, written, factory;
};
// The settings the lens must hold after case `c`.
const QByteArray& expectedLens(const FaultCase& c, const LensStates& states);

// Returns the lens's factory settings and, unless `c` applies settings, gives it others, so that a
// restore or an update changes something.
QByteArray prepareLens(lensdock::DockEmulator& dock, const FaultCase& c);
// Whether the fault went in (one meant to outlast the operation may be left over).
bool struck(const FaultCase& c, const lensdock::DockSnapshot& after);
// The dock healthy again as a user leaves it after a fault: nothing armed, no over-current, the lens
// on and the adapter plugged in (false when it did not come back within `bound`).
bool heal(lensdock::DockEmulator& dock, std::chrono::milliseconds bound);

// What one case did, appended at its end as a JSON line to the file named by the environment variable
// LENSDOCK_RELIABILITY_ROWS (nothing is written without it); scripts/reliability-report turns the
// lines into docs/reliability.md.
class CaseLog {
public:
    void begin(const QString& face, const FaultCase& c, const QString& expected);
    // From cleanup(): the case passed unless QTest saw a failure.
    void end();
    QString observed;

private:
    std::optional<QJsonObject> line_;
};

} // namespace faults
