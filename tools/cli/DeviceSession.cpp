#include "DeviceSession.h"

#include "adjust/AdjustPayload.h"
#include "link/UsbSerialInterface.h"
#include "link/UsbSerialTimer.h"

#include <thread>

namespace lensdock::cli {

namespace {
using std::chrono::milliseconds;

// Ticks the thread may spend between exchanges (taking a state, poll spacing) before an answer.
constexpr int spareTicks = 3 * UsbSerialThread::countMax;
constexpr int overshootFactor = 2;
constexpr std::chrono::seconds overshootMargin{1};

QString secondsText(milliseconds duration) {
    return QString::number(double(duration.count()) / 1000.0, 'g', 6);
}
} // namespace

DeviceSession::Timing DeviceSession::timingFor(const AppOptions& options, milliseconds lensWait) {
    const auto watchdog = std::chrono::duration_cast<milliseconds>(options.watchdogTick);
    const auto tick = std::max(milliseconds(1), std::chrono::duration_cast<milliseconds>(options.threadTick));
    const auto attempts = UsbSerialInterface::reSendLimit + 1;
    // The channel itself ends every exchange after its watchdog periods; this bound only guards against
    // one that never reports, so it leaves room for ticks that oversleep on a busy machine.
    const milliseconds exchange =
        watchdog * UsbSerialTimer::requestTimeoutTicks * attempts * overshootFactor + tick * spareTicks +
        overshootMargin;
    return Timing{lensWait, exchange, tick};
}

DeviceSession::DeviceSession(Timing timing) : timing_(timing) {}

std::optional<Failure> DeviceSession::connect(AppContext& context, Scope scope) {
    context_ = &context;
    scope_ = scope;
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::starting;
    }
    UsbSerialThread& thread = context.usbSerialThread();
    thread.setDelegate(this);
    thread.start();
    if (!waitWhile(Phase::starting, timing_.exchangeBound))
        return Failure{ExitCode::device, QStringLiteral("the adapter did not answer in time")};
    if (scope == Scope::adapter)
        return takeFailure();
    // The wait starts with the first check for a lens, which takes up to one poll period.
    if (!waitWhile(Phase::waitingLens, timing_.lensWait + timing_.tick * spareTicks))
        return Failure{ExitCode::noLens,
                       QStringLiteral("no lens mounted within %1 s").arg(secondsText(timing_.lensWait))};
    // Connecting, identity and adjust data: three exchanges.
    for (Phase phase : {Phase::connectingLens, Phase::identifying, Phase::readingAdjust})
        if (!waitWhile(phase, timing_.exchangeBound))
            return Failure{ExitCode::device, QStringLiteral("the lens did not answer in time")};
    return takeFailure();
}

std::optional<Failure> DeviceSession::write(const LensAdjustData& data, LensAdjustData& readBack) {
    if (auto loss = deviceLoss())
        return loss;
    UsbSerialThread& thread = context_->usbSerialThread();
    context_->currentAdjustData().set(data);
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::writing;
        readBack_.reset();
    }
    thread.requestState(ApplicationState::adjDataWriting);
    // The write and its read-back are two exchanges.
    if (!waitWhile(Phase::writing, timing_.exchangeBound * 2))
        return Failure{ExitCode::device, QStringLiteral("the lens did not answer the write in time")};
    if (auto failure = takeFailure())
        return failure;
    {
        std::lock_guard lock(mutex_);
        if (readBack_) {
            readBack = *readBack_;
            return std::nullopt;
        }
    }
    if (auto loss = deviceLoss())
        return loss;
    // The same check the thread made before sending; its log line names the value (--verbose).
    if (!data.checkAdjustData(context_->lensInfo().get(), true))
        return Failure{ExitCode::file,
                       QStringLiteral("the settings are outside the lens's ranges (see --verbose); "
                                      "nothing was written")};
    if (auto loss = lossAfterFailedWrite())
        return loss;
    return readAfterFailedWrite(data, readBack);
}

// A write whose answer was lost may still have reached the lens: what it holds now decides.
std::optional<Failure> DeviceSession::readAfterFailedWrite(const LensAdjustData& data,
                                                           LensAdjustData& readBack) {
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::readingAdjust;
        adjustDataRead_ = false;
    }
    context_->usbSerialThread().requestState(ApplicationState::adjDataRead);
    const bool answered = waitWhile(Phase::readingAdjust, timing_.exchangeBound) && adjustDataRead();
    if (auto failure = takeFailure())
        return failure;
    if (auto loss = deviceLoss())
        return loss;
    if (!answered)
        return Failure{ExitCode::device,
                       QStringLiteral("the lens did not confirm the settings, and they could "
                                      "not be read back (check them with read)")};
    const LensAdjustData held = context_->currentAdjustData().get();
    if (!data.isSameSettings(held, context_->lensInfo().get()))
        return Failure{ExitCode::device, QStringLiteral("the lens did not accept the settings")};
    readBack = held;
    return std::nullopt;
}

bool DeviceSession::adjustDataRead() const {
    std::lock_guard lock(mutex_);
    return adjustDataRead_;
}

// A lens taken off answers a write with an error; the next idle poll (due at once after the write)
// tells that apart from a refusal.
std::optional<Failure> DeviceSession::lossAfterFailedWrite() const {
    const auto deadline = std::chrono::steady_clock::now() + timing_.tick * spareTicks;
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto loss = deviceLoss())
            return loss;
        std::this_thread::sleep_for(timing_.tick);
    }
    return deviceLoss();
}

std::optional<Failure> DeviceSession::deviceLoss() const {
    if (!context_)
        return std::nullopt;
    switch (context_->usbSerialThread().processingErr()) {
    case ProcessingErrorType::adapter:
        return Failure{ExitCode::noAdapter, QStringLiteral("the adapter was unplugged")};
    case ProcessingErrorType::lens:
        return Failure{ExitCode::noLens, QStringLiteral("the lens stopped answering (was it removed?)")};
    case ProcessingErrorType::success:
        break;
    }
    return std::nullopt;
}

void DeviceSession::terminate() {
    if (!context_)
        return;
    UsbSerialThread& thread = context_->usbSerialThread();
    if (!thread.isRunning() && !thread.hasExited())
        return;
    thread.requestState(ApplicationState::appTerminate);
    // Taking the request may wait for an exchange in flight; then the release is one more.
    thread.waitForExit(timing_.exchangeBound * 2);
}

void DeviceSession::usbSerialThreadDisconnected() {
    // The thread calls this on its own when the adapter is lost; a lens release is always ours.
    if (context_->usbSerialThread().appState() != ApplicationState::adapterDisconnect)
        return;
    std::lock_guard lock(mutex_);
    if (phase_ != Phase::failed && phase_ != Phase::idle)
        fail(ExitCode::noAdapter, phase_ == Phase::starting ? QStringLiteral("no adapter found")
                                                            : QStringLiteral("the adapter was unplugged"));
}

void DeviceSession::usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                                          const std::optional<CommDataFormat>& response) {
    std::lock_guard lock(mutex_);
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::adapterReconnect:
        onAdapterIdentity(state, error, response);
        break;
    case ApplicationState::lensDisadhesion:
        if (phase_ == Phase::waitingLens && error == UsbThreadErrorCode::success)
            advance(Phase::connectingLens, ApplicationState::lensDisconnect);
        break;
    case ApplicationState::lensDisconnect:
        onLensConnect(error, response);
        break;
    case ApplicationState::lensConnect:
        onLensIdentity(error, response);
        break;
    case ApplicationState::adjDataRead:
        onAdjustData(error, response);
        break;
    case ApplicationState::adjDataWriting:
        onWriteResult(error, response);
        break;
    case ApplicationState::appTerminate:
        terminated_ = true;
        changed_.notify_all();
        break;
    default: // the idle identity polls
        break;
    }
}

void DeviceSession::onAdapterIdentity(ApplicationState state, UsbThreadErrorCode error,
                                      const std::optional<CommDataFormat>& response) {
    if (phase_ != Phase::starting || state != ApplicationState::startup)
        return; // a reconnection during a command is reported as the adapter's loss
    if (!context_->usbSerial().isPortOpen()) {
        const QString port = context_->options().portOverride;
        fail(ExitCode::noAdapter, port.isEmpty() ? QStringLiteral("no adapter found")
                                                 : QStringLiteral("no adapter at %1").arg(port));
        return;
    }
    if (error == UsbThreadErrorCode::overcurrent) {
        fail(ExitCode::device, QStringLiteral("over-current: remove the lens"));
        return;
    }
    const auto adapter = response ? response->makeAdapterBasicInfo() : std::nullopt;
    if (error != UsbThreadErrorCode::success || !adapter) {
        fail(ExitCode::device, QStringLiteral("the adapter did not identify itself"));
        return;
    }
    context_->adapterBasicInfo().set(*adapter);
    if (scope_ == Scope::adapter)
        advance(Phase::ready, ApplicationState::initialProcessing);
    else
        advance(Phase::waitingLens, ApplicationState::lensDisadhesion);
}

void DeviceSession::onLensConnect(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response) {
    if (phase_ != Phase::connectingLens)
        return;
    if (error == UsbThreadErrorCode::overcurrent) {
        fail(ExitCode::device, QStringLiteral("over-current: remove the lens"));
        return;
    }
    const bool answered = error == UsbThreadErrorCode::success && response && !response->data.isEmpty();
    if (answered && std::uint8_t(response->data.at(0)) == 1)
        advance(Phase::identifying, ApplicationState::lensConnect);
    else if (answered)
        fail(ExitCode::noLens, QStringLiteral("the lens was removed while connecting"));
    else
        fail(ExitCode::device, QStringLiteral("the adapter could not connect the lens"));
}

void DeviceSession::onLensIdentity(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response) {
    if (phase_ != Phase::identifying)
        return;
    if (error == UsbThreadErrorCode::overcurrent) {
        fail(ExitCode::device, QStringLiteral("over-current: remove the lens"));
        return;
    }
    const auto lens =
        error == UsbThreadErrorCode::success && response ? response->makeLensInfo() : std::nullopt;
    if (!lens) {
        fail(ExitCode::device, QStringLiteral("the lens did not identify itself"));
        return;
    }
    context_->setConnectedLens(*lens);
    advance(Phase::readingAdjust, ApplicationState::adjDataRead);
}

void DeviceSession::onAdjustData(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response) {
    if (phase_ != Phase::readingAdjust)
        return;
    const LensInfo lens = context_->lensInfo().get();
    auto data =
        error == UsbThreadErrorCode::success && response ? makeLensAdjustData(*response, lens) : std::nullopt;
    adjustDataRead_ = data.has_value();
    if (!data)
        data = context_->defaultAdjustData().get();
    data->correctSettings(lens);
    context_->currentAdjustData().set(*data);
    advance(Phase::ready, ApplicationState::processing);
}

void DeviceSession::onWriteResult(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response) {
    if (phase_ != Phase::writing)
        return;
    // Without this the write would be reported as the lens's loss.
    if (error == UsbThreadErrorCode::overcurrent) {
        fail(ExitCode::device, QStringLiteral("over-current: remove the lens"));
        return;
    }
    if (error == UsbThreadErrorCode::success && response)
        readBack_ = makeLensAdjustData(*response, context_->lensInfo().get());
    // Idle again: the thread keeps polling the lens until the command ends.
    advance(Phase::written, ApplicationState::processing);
}

void DeviceSession::advance(Phase phase, std::optional<ApplicationState> request) {
    phase_ = phase;
    if (request)
        context_->usbSerialThread().requestState(*request);
    changed_.notify_all();
}

void DeviceSession::fail(ExitCode code, const QString& message) {
    failure_ = Failure{code, message};
    phase_ = Phase::failed;
    changed_.notify_all();
}

bool DeviceSession::waitWhile(Phase phase, milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return phase_ != phase; });
}

std::optional<Failure> DeviceSession::takeFailure() {
    std::lock_guard lock(mutex_);
    return failure_;
}

} // namespace lensdock::cli
