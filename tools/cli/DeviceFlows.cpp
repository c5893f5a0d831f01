#include "DeviceFlows.h"

#include "InterruptGuard.h"
#include "link/SerialChannel.h"
#include "link/Watchdog.h"

#include <QEventLoop>
#include <QTimer>

namespace lensdock::cli {

namespace {
using std::chrono::milliseconds;

// Ticks the thread may spend between exchanges (taking a state, poll spacing) before an answer.
constexpr int spareTicks = 3 * ConnectionThread::countMax;
constexpr int overshootFactor = 2;
constexpr std::chrono::seconds overshootMargin{1};

QString secondsText(milliseconds duration) {
    return QString::number(double(duration.count()) / 1000.0, 'g', 6);
}
} // namespace

DeviceFlows::Timing DeviceFlows::timingFor(const AppOptions& options, milliseconds lensWait) {
    const auto watchdog = std::chrono::duration_cast<milliseconds>(options.watchdogTick);
    const auto tick = std::max(milliseconds(1), std::chrono::duration_cast<milliseconds>(options.threadTick));
    const auto attempts = SerialChannel::reSendLimit + 1;
    // The channel itself ends every exchange after its watchdog periods; this bound only guards against
    // one that never reports, so it leaves room for ticks that oversleep on a busy machine.
    const milliseconds exchange = watchdog * Watchdog::requestTimeoutTicks * attempts * overshootFactor +
                                  tick * spareTicks + overshootMargin;
    return Timing{lensWait, exchange, tick};
}

DeviceFlows::DeviceFlows(AppContext& context, const Confirmation& confirmation, Timing timing, FileIO store)
    : context_(context), confirmation_(confirmation), timing_(timing), store_(std::move(store)) {}

DeviceFlows::~DeviceFlows() {
    terminate();
}

bool DeviceFlows::runUntil(const std::function<bool()>& done, milliseconds limit) {
    if (done())
        return true;
    if (InterruptGuard::interrupted())
        return false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The flows' signals change what `done` looks at; looking every millisecond keeps this simple.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || InterruptGuard::interrupted())
            loop.quit();
    });
    deadline.start(limit);
    check.start(milliseconds(1));
    loop.exec();
    return done();
}

std::optional<Failure> DeviceFlows::connectFailure(DialogId notice) const {
    switch (notice) {
    case DialogId::adapterConnectError:
        if (connectFlow_ && connectFlow_->adapterPortMissing()) {
            const QString port = context_.options().portOverride;
            return Failure{ExitCode::noAdapter, port.isEmpty() ? QStringLiteral("no dock found")
                                                               : QStringLiteral("no dock at %1").arg(port)};
        }
        return Failure{ExitCode::device, QStringLiteral("the dock did not identify itself")};
    case DialogId::adapterInUseError: {
        const PortRefusal refusal = context_.channel().lastRefusal();
        QString message = QStringLiteral("the dock at %1 is in use by another program").arg(refusal.path);
        if (!refusal.holder.isEmpty())
            message += QStringLiteral(": ") + refusal.holder;
        return Failure{ExitCode::noAdapter, message};
    }
    case DialogId::adapterNoAccessError:
        return Failure{ExitCode::noAdapter,
                       QStringLiteral("no permission to open the dock at %1; see \"Linux: device access\" "
                                      "in the README")
                           .arg(context_.channel().lastRefusal().path)};
    case DialogId::overCurrentError:
        return Failure{ExitCode::device, QStringLiteral("over-current: remove the lens")};
    case DialogId::lensConnectError:
        return Failure{ExitCode::device, QStringLiteral("the lens could not be connected or did not identify "
                                                        "itself")};
    case DialogId::getAdjustError:
        return std::nullopt; // the course goes on with the factory values
    default:
        return Failure{ExitCode::device, QStringLiteral("the connection failed (alert %1)").arg(int(notice))};
    }
}

std::optional<Failure> DeviceFlows::connect(Scope scope) {
    ConnectPolicy policy;
    policy.useCatalogues = false;
    policy.stopAtAdapter = scope == Scope::adapter;
    connectFlow_ = std::make_unique<ConnectFlow>(context_, asker_, policy, store_);
    enum class Stage { adapter, lensWait, lens } stage = Stage::adapter;
    bool done = false;
    std::optional<Failure> failure;
    const auto fail = [&](Failure reason) {
        if (!failure)
            failure = std::move(reason);
        done = true;
    };
    asker_.noticed = [&](DialogId notice) {
        if (auto reason = connectFailure(notice))
            fail(*reason);
    };
    ConnectFlow& flow = *connectFlow_;
    bool moved = false;
    QObject::connect(&flow, &ConnectFlow::adapterIdentified, [&] {
        stage = Stage::lensWait;
        moved = true;
    });
    QObject::connect(&flow, &ConnectFlow::lensDetected, [&] {
        stage = Stage::lens;
        moved = true;
    });
    QObject::connect(&flow, &ConnectFlow::adapterReady, [&] { done = true; });
    QObject::connect(&flow, &ConnectFlow::lensReady, [&](bool read) {
        settingsRead_ = read;
        done = true;
    });
    QObject::connect(&flow, &ConnectFlow::adapterLost, [&] {
        fail({ExitCode::noAdapter, QStringLiteral("the dock was unplugged")});
    });
    flow.start();
    // Each stage has its own bound: identity, the wait for a lens (starting with the first check,
    // which takes up to one poll period), then connecting, identity and settings.
    while (!done) {
        const Stage current = stage;
        const milliseconds limit = current == Stage::adapter    ? timing_.exchangeBound
                                   : current == Stage::lensWait ? timing_.lensWait + timing_.tick * spareTicks
                                                                : timing_.exchangeBound * 3;
        moved = false;
        if (runUntil([&] { return done || moved; }, limit))
            continue;
        if (current == Stage::adapter)
            fail({ExitCode::device, QStringLiteral("the dock did not answer in time")});
        else if (current == Stage::lensWait)
            fail({ExitCode::noLens,
                  QStringLiteral("no lens mounted within %1 s").arg(secondsText(timing_.lensWait))});
        else
            fail({ExitCode::device, QStringLiteral("the lens did not answer in time")});
    }
    asker_.noticed = nullptr;
    if (failure || scope == Scope::adapter)
        return failure;
    connectFlow_.reset();
    lensFlow_ = std::make_unique<LensFlow>(context_, asker_, LensFlow::Options{store_, milliseconds(0)});
    QObject::connect(lensFlow_.get(), &LensFlow::leaveRequested, [this] { lensLeft_ = true; });
    lensFlow_->start();
    return std::nullopt;
}

std::optional<Failure> DeviceFlows::write(const LensAdjustData& target, const QString& question,
                                          bool restoreFactory, BackupReason reason) {
    if (auto failure = readyForWrite())
        return failure;
    asker_.clear();
    if (!restoreFactory)
        context_.currentAdjustData().set(target);
    // The lens screen's command parks the connection thread, then asks its caution: the prompt.
    bool declined = false;
    asker_.caution = [&](DialogId) {
        declined = !confirmation_.ask(question);
        return !declined;
    };
    bool finished = false;
    const auto connection =
        QObject::connect(lensFlow_.get(), &LensFlow::writeFinished, [&] { finished = true; });
    if (restoreFactory)
        lensFlow_->restoreFactorySettings();
    else
        lensFlow_->apply(reason);
    asker_.caution = nullptr;
    if (declined) {
        QObject::disconnect(connection);
        return Failure{ExitCode::cancelled, QStringLiteral("cancelled; nothing was written")};
    }
    // The write and its read-back are two exchanges; a lost answer adds a separate read.
    // A device lost before the write leaves the lens screen without one.
    runUntil([&] { return finished || lensLeft_; }, timing_.exchangeBound * 3);
    QObject::disconnect(connection);
    if (!finished) {
        if (auto loss = deviceLoss())
            return loss;
        return Failure{ExitCode::device, QStringLiteral("the lens did not answer the write in time")};
    }
    return writeFailure(lensFlow_->lastWriteOutcome());
}

// What the connection thread reported while this thread was busy reaches the
// flows first: a device lost just now is reported as such, not as a lens that is merely busy.
std::optional<Failure> DeviceFlows::readyForWrite() {
    const auto ready = [this] { return lensFlow_ && lensFlow_->acceptsCommands(); };
    runUntil([&] { return ready() || deviceLoss(); }, timing_.exchangeBound);
    if (auto loss = deviceLoss())
        return loss;
    if (!ready())
        return Failure{ExitCode::device, QStringLiteral("the lens is not ready for a write")};
    return std::nullopt;
}

std::optional<Failure> DeviceFlows::writeFailure(WriteOutcome outcome) {
    switch (outcome) {
    case WriteOutcome::written:
    case WriteOutcome::none:
        return std::nullopt;
    case WriteOutcome::differs:
        return Failure{ExitCode::verify, QStringLiteral("verification failed: the lens holds other settings "
                                                        "than were written")};
    case WriteOutcome::notAccepted:
        return Failure{ExitCode::device, QStringLiteral("the lens did not accept the settings")};
    case WriteOutcome::outOfRange:
        return Failure{ExitCode::file, QStringLiteral("the settings are outside the lens's ranges (see "
                                                      "--verbose); nothing was written")};
    case WriteOutcome::overcurrent:
        return Failure{ExitCode::device, QStringLiteral("over-current: remove the lens")};
    case WriteOutcome::notBackedUp:
        return Failure{ExitCode::file,
                       QStringLiteral("the lens's settings could not be backed up, so nothing "
                                      "was written: ") +
                           lensFlow_->lastBackupError()};
    case WriteOutcome::deviceLost:
    case WriteOutcome::unconfirmed:
        break;
    }
    // A lens taken off answers nothing; the idle poll that follows the write tells that apart (and
    // deviceLoss() then names it).
    runUntil([this] { return lensLeft_; }, timing_.tick * spareTicks);
    if (auto loss = deviceLoss())
        return loss;
    return Failure{ExitCode::device,
                   QStringLiteral("the lens did not confirm the settings, and they could not "
                                  "be read back (check them with read)")};
}

std::optional<LensAdjustData> DeviceFlows::lastReadBack() const {
    return lensFlow_ ? lensFlow_->lastReadBack() : std::nullopt;
}

std::optional<Failure> DeviceFlows::backUpForUpdate() {
    if (!lensFlow_ || lensFlow_->backUpForUpdate())
        return std::nullopt;
    return Failure{ExitCode::file, QStringLiteral("the lens's settings could not be backed up, so it was not "
                                                  "updated: ") +
                                       lensFlow_->lastBackupError()};
}

std::optional<Failure> DeviceFlows::finishLensUpdate(bool putBack) {
    if (!lensFlow_ || !putBack)
        return std::nullopt;
    bool written = false;
    bool offered = false;
    asker_.caution = [&](DialogId kind) {
        offered = offered || kind == DialogId::restoreSettingsConfirm;
        return true;
    };
    const auto connection =
        QObject::connect(lensFlow_.get(), &LensFlow::writeFinished, [&] { written = true; });
    lensFlow_->updateFinished(FwErrorCode::resultOk);
    // Nothing is offered when the lens held its factory settings before as well.
    runUntil([&] { return written || (lensFlow_->acceptsCommands() && !offered) || lensLeft_; },
             timing_.exchangeBound * 3);
    QObject::disconnect(connection);
    asker_.caution = nullptr;
    if (!offered)
        return std::nullopt;
    if (!written)
        return deviceLoss().value_or(
            Failure{ExitCode::device, QStringLiteral("the lens did not answer the write in time")});
    return writeFailure(lensFlow_->lastWriteOutcome());
}

std::optional<QString> DeviceFlows::lastBackup() const {
    return lensFlow_ ? lensFlow_->lastBackup() : std::nullopt;
}

std::optional<Failure> DeviceFlows::deviceLoss() const {
    // The lens screen refuses a lens that draws too much current and releases it: say why.
    if (asker_.notices().contains(DialogId::overCurrentError) ||
        context_.connectionThread().lensOverCurrent())
        return Failure{ExitCode::device, QStringLiteral("over-current: remove the lens")};
    switch (lensFlow_ ? lensFlow_->loss() : context_.connectionThread().deviceLoss()) {
    case DeviceLoss::adapter:
        return Failure{ExitCode::noAdapter, QStringLiteral("the dock was unplugged")};
    case DeviceLoss::lens:
        return Failure{ExitCode::noLens, QStringLiteral("the lens stopped answering (was it removed?)")};
    case DeviceLoss::none:
        break;
    }
    if (lensLeft_)
        return Failure{ExitCode::noLens, QStringLiteral("the lens stopped answering (was it removed?)")};
    return std::nullopt;
}

void DeviceFlows::terminate() {
    ConnectionThread& thread = context_.connectionThread();
    if (thread.isRunning() || thread.hasExited()) {
        thread.requestState(ApplicationState::terminating);
        // Taking the request may wait for an exchange in flight; then the release is one more.
        thread.waitForExit(timing_.exchangeBound * 2);
    }
    lensFlow_.reset();
    connectFlow_.reset();
}

} // namespace lensdock::cli
