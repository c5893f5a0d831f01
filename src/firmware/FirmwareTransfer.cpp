#include "firmware/FirmwareTransfer.h"

#include "adjust/AdjustPayload.h"
#include "base/Logger.h"
#include "firmware/FirmwareRecordParser.h"
#include "link/CommandSet.h"
#include "link/IdentityDecoder.h"

#include <QFile>

namespace lensdock {

namespace {
const QString firmwareTag = QStringLiteral("Firmware");
void trace(const QString& message) {
    Logger::trace(firmwareTag, message);
}
void logError(const QString& message) {
    Logger::error(firmwareTag, message);
}

// Layout of a deciphered record header.
constexpr int offsetDataSize = 64;
constexpr int offsetTargetDevice = 72;
constexpr int offsetTargetArea = 73;
// The largest deciphered image read into memory: far above any real firmware.
constexpr qint64 maxImageBytes = 256LL * 1024 * 1024;
constexpr std::chrono::milliseconds portClosePoll{10};

const CommUpdateFirmwareData adapterSelfReset{0x00, 0xFF};

QByteArray blockHeaderFor(std::uint8_t number) {
    QByteArray header(3, '\0');
    header[0] = char(ControlByte::stx);
    header[1] = char(number);
    header[2] = char(255 - number);
    return header;
}

quint32 littleEndian32(const QByteArray& bytes, int offset) {
    return quint32(byteAt(bytes, offset)) | quint32(byteAt(bytes, offset + 1)) << 8 |
           quint32(byteAt(bytes, offset + 2)) << 16 | quint32(byteAt(bytes, offset + 3)) << 24;
}

CommDataFormat command(std::uint8_t destination, std::uint8_t function,
                       const QByteArray& payload = QByteArray()) {
    CommDataFormat request;
    request.destination = destination;
    request.funcNumber = function;
    request.setPayload(payload);
    return request;
}

FwErrorCode refuseImage(FwErrorCode code, const QString& reason) {
    logError(reason);
    return code;
}
} // namespace

// Splits a deciphered image into its records, checking every header, length and data CRC.
FwErrorCode FirmwareTransfer::splitImage(const QByteArray& image, QList<ImageRecord>& records) {
    for (qsizetype position = 0; position < image.size();) {
        if (image.size() - position < headerLength)
            return refuseImage(FwErrorCode::errorInvalidFile, QStringLiteral("Error header section length"));
        const QByteArray header = image.mid(position, headerLength);
        const quint32 dataLength = littleEndian32(header, offsetDataSize);
        position += headerLength;
        if (dataLength > FirmwareRecordParser::binaryDataLengthMax ||
            quint64(image.size() - position) < dataLength)
            return refuseImage(FwErrorCode::errorInvalidFile, QStringLiteral("Error data section length"));
        const QByteArray data = image.mid(position, qsizetype(dataLength));
        position += qsizetype(dataLength);
        if (!FirmwareRecordParser::crcMatches(header, data))
            return refuseImage(FwErrorCode::errorCrc, QStringLiteral("Error crc check"));
        records.append({header, data});
    }
    if (records.isEmpty())
        return refuseImage(FwErrorCode::errorInvalidFile, QStringLiteral("Error FW Count"));
    return FwErrorCode::resultOk;
}

FirmwareTransfer::FirmwareTransfer(SerialChannel& serial, DeviceRecords records, UpdateTimings timings)
    : serial_(serial), records_(records), timings_(timings), delegateOriginal_(serial.delegate()) {}

FirmwareTransfer::~FirmwareTransfer() {
    if (thread_.joinable())
        thread_.join();
}

void FirmwareTransfer::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void FirmwareTransfer::run() {
    setErrorCode(FwErrorCode::resultOk);
    everyBlockAcknowledged_ = false;
    if (!decodeFile_) {
        logError(QStringLiteral("Error inFile nil"));
        delegate_->sendCompleted(FwErrorCode::errorInput);
        return;
    }
    QFile file(*decodeFile_);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxImageBytes) {
        logError(QStringLiteral("Error inFile"));
        delegate_->sendCompleted(FwErrorCode::errorInput);
        return;
    }
    const QByteArray image = file.readAll();
    file.close();
    // The whole image is checked before the first byte goes out: a device must never receive some
    // records of an image whose later part is damaged.
    QList<ImageRecord> records;
    if (const FwErrorCode refusal = splitImage(image, records); refusal != FwErrorCode::resultOk) {
        delegate_->sendCompleted(refusal);
        return;
    }
    serial_.setDelegate(this);
    if (!sendRecords(records)) {
        finishUpdate(errorCode());
        return;
    }
    delegate_->sendFinished();
    verifyDevice();
}

bool FirmwareTransfer::sendRecords(const QList<ImageRecord>& records) {
    for (qsizetype i = 0; i < records.size(); ++i) {
        const ImageRecord& record = records[i];
        trace(QStringLiteral("TargetDevice = %1").arg(byteAt(record.header, offsetTargetDevice)));
        trace(QStringLiteral("TargetArea = %1").arg(byteAt(record.header, offsetTargetArea)));
        trace(QStringLiteral("Update %1 / %2").arg(i + 1).arg(fwUpdateNum_));
        if (!sendRecord(record.header, record.data, int(i + 1), i + 1 == records.size()))
            return false;
    }
    return errorCode() == FwErrorCode::resultOk;
}

bool FirmwareTransfer::sendRecord(const QByteArray& header, const QByteArray& data, int index,
                                  bool lastRecord) {
    if (!startRecord(byteAt(header, offsetTargetDevice), byteAt(header, offsetTargetArea)))
        return false;
    if (!sendHeaderBlock(header, index, data.size()) || !sendDataBlocks(data, index))
        return false;
    everyBlockAcknowledged_ = lastRecord;
    if (!endRecord())
        return false;
    delegate_->sendProgress(index, 0);
    return true;
}

bool FirmwareTransfer::startRecord(std::uint8_t device, std::uint8_t area) {
    const CommUpdateFirmwareData target{device, area};
    if (updateTarget_ == FwUpdateTarget::adapter) {
        trace(QStringLiteral("Send command update firmware"));
        const bool sent = exchangeCommand(
            command(Destination::adapter, FunctionNumber::updateFirmware, adapterSelfReset.payload()));
        // The adapter may leave the bus right after it accepted the self-reset: that is expected.
        const FwErrorCode code = errorCode();
        if (!sent || (code != FwErrorCode::resultOk && code != FwErrorCode::errorUsbSerialRemoved)) {
            logError(QStringLiteral("Error start FW with adapter reset"));
            return false;
        }
        waitAdapterReset();
        if (errorCode() != FwErrorCode::resultOk) {
            logError(QStringLiteral("Error adapter reset"));
            return false;
        }
    }
    trace(QStringLiteral("Send command update firmware"));
    const bool sent =
        exchangeCommand(command(targetDestination(), FunctionNumber::updateFirmware, target.payload()));
    if (!sent || errorCode() != FwErrorCode::resultOk) {
        logError(QStringLiteral("Error start FW"));
        return false;
    }
    return true;
}

std::uint8_t FirmwareTransfer::nextBlockNumber() {
    headerBlkNum_ = headerBlkNum_ == 255 ? 1 : std::uint8_t(headerBlkNum_ + 1);
    return headerBlkNum_;
}

bool FirmwareTransfer::sendHeaderBlock(const QByteArray& header, int index, qint64 dataLength) {
    headerBlkNum_ = 0;
    trace(QStringLiteral("Header section send : %1").arg(headerLength));
    const std::uint8_t number = nextBlockNumber();
    const QByteArray blockHeader = blockHeaderFor(number);
    const bool sent = exchange([&] { return serial_.sendBlock(blockHeader, header, false); });
    if (!sent || errorCode() != FwErrorCode::resultOk) {
        logError(QStringLiteral("Error FW header"));
        cancelTransfer();
        return false;
    }
    delegate_->sendProgress(index - 1, double(headerLength) / double(dataLength + headerLength));
    return true;
}

// Blocks are queued behind the one awaiting its answer, so the channel sends each the moment the
// answer before it arrives; this thread tops the queue up whenever half of it has been answered.
bool FirmwareTransfer::sendDataBlocks(const QByteArray& data, int index) {
    trace(QStringLiteral("Data section send : %1").arg(data.size()));
    std::deque<BlockInFlight> inFlight;
    for (qsizetype offset = 0; offset < data.size(); offset += blockLength) {
        QByteArray payload = data.mid(offset, blockLength);
        payload.append(QByteArray(blockLength - payload.size(), padByte));
        const QByteArray blockHeader = blockHeaderFor(nextBlockNumber());
        std::optional<std::uint64_t> ticket;
        while (!ticket && !inFlight.empty()) {
            ticket = startExchange([&] { return serial_.queueBlock(blockHeader, payload); });
            // The queue is full, or everything in it has been answered already.
            if (!ticket && !awaitDataBlocks(inFlight, inFlight.size() / 2, data.size(), index))
                return false;
        }
        if (!ticket)
            ticket = startExchange(
                [&] { return serial_.sendBlock(blockHeader, payload, false) == SerialChannel::sent; });
        if (!ticket) {
            setErrorCode(FwErrorCode::errorUsbSerialFailed);
            logError(QStringLiteral("Error FW data"));
            cancelTransfer();
            return false;
        }
        inFlight.push_back({*ticket, std::min<qsizetype>(offset + blockLength, data.size())});
    }
    return inFlight.empty() || awaitDataBlocks(inFlight, 0, data.size(), index);
}

// Waits until at most `remaining` blocks are unanswered and reports progress for each answered one.
// On a failure it ends the transfer with CAN, once the channel has reported every block it took.
bool FirmwareTransfer::awaitDataBlocks(std::deque<BlockInFlight>& inFlight, std::size_t remaining,
                                       qsizetype dataLength, int index) {
    awaitReport(inFlight[inFlight.size() - 1 - remaining].ticket);
    std::unique_lock lock(exchangeMutex_);
    const std::uint64_t answered = reportsReceived_;
    const std::uint64_t failed = failedReport_;
    const std::uint64_t accepted = requestsSent_;
    lock.unlock();
    const qint64 total = dataLength + headerLength;
    while (!inFlight.empty() && inFlight.front().ticket <= answered &&
           (failed == 0 || inFlight.front().ticket < failed)) {
        delegate_->sendProgress(index - 1, double(headerLength + inFlight.front().covered) / double(total));
        inFlight.pop_front();
    }
    if (failed == 0)
        return true;
    awaitReport(accepted);
    const qsizetype covered = inFlight.empty() ? dataLength : inFlight.front().covered;
    logError(QStringLiteral("Error FW data %1").arg(covered / blockLength));
    logError(QStringLiteral("Error FW data"));
    cancelTransfer();
    return false;
}

bool FirmwareTransfer::endRecord() {
    trace(QStringLiteral("Send EOT"));
    exchange([&] { return serial_.sendRawData(QByteArray(1, char(ControlByte::eot))); });
    const FwErrorCode code = errorCode();
    if (updateTarget_ == FwUpdateTarget::lens) {
        if (code != FwErrorCode::resultOk) {
            logError(QStringLiteral("Error EOT"));
            return false;
        }
        waitLensReset();
        if (errorCode() != FwErrorCode::resultOk) {
            logError(QStringLiteral("Error wait reset lens"));
            return false;
        }
        return true;
    }
    if (code != FwErrorCode::resultOk && code != FwErrorCode::errorUsbSerialRemoved) {
        logError(QStringLiteral("Error EOT"));
        return false;
    }
    waitAdapterReset();
    if (errorCode() != FwErrorCode::resultOk) {
        logError(QStringLiteral("Error wait reset adapter"));
        return false;
    }
    return true;
}

void FirmwareTransfer::cancelTransfer() {
    trace(QStringLiteral("Send CAN"));
    serial_.sendRawDataNoWait(QByteArray(1, char(ControlByte::can)));
}

void FirmwareTransfer::waitLensReset() {
    trace(QStringLiteral("Send command Req Lens Disconnect"));
    bool ok = exchangeCommand(command(Destination::adapter, FunctionNumber::reqLensDisconnect)) &&
              errorCode() == FwErrorCode::resultOk;
    if (ok) {
        trace(QStringLiteral("Wait reset"));
        std::this_thread::sleep_for(timings_.lensResetWait);
        trace(QStringLiteral("Send command Req Lens Connect"));
        ok = exchangeCommand(
                 command(Destination::adapter, FunctionNumber::reqLensConnect, QByteArray(1, '\0'))) &&
             errorCode() == FwErrorCode::resultOk && lensAnsweredConnect();
    }
    setErrorCode(ok ? FwErrorCode::resultOk : FwErrorCode::errorWaitResetFailed);
}

// The adapter answers the connect request with 0 when no lens is there: the lens has not come back
// from its reset, which the version check would otherwise misreport as a refused firmware.
bool FirmwareTransfer::lensAnsweredConnect() const {
    std::lock_guard lock(exchangeMutex_);
    return recvData_.data.isEmpty() || recvData_.data.at(0) != '\0';
}

void FirmwareTransfer::waitAdapterReset() {
    trace(QStringLiteral("Port close"));
    Logger::trace(QStringLiteral("USB"), QStringLiteral("Port Close"));
    serial_.closePort();
    serial_.endWatchdog();
    const auto deadline = std::chrono::steady_clock::now() + timings_.portCloseBound;
    while (serial_.isPortOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(portClosePoll);
    trace(QStringLiteral("Wait reset"));
    std::this_thread::sleep_for(timings_.adapterResetWait);
    {
        std::lock_guard lock(exchangeMutex_);
        errorCode_ = FwErrorCode::resultOk;
        failedReport_ = 0;
        isErrorUsbRemoved_ = false;
    }
    trace(QStringLiteral("Port open"));
    const QString path = serial_.findPortPath();
    if (path.isEmpty()) {
        logError(QStringLiteral("Usb disconnect"));
        setErrorCode(FwErrorCode::errorUsbSerialRemoved);
        return;
    }
    Logger::trace(QStringLiteral("USB"), QStringLiteral("path = ") + path);
    if (!serial_.openPort(path)) {
        logError(QStringLiteral("Port open failed"));
        setErrorCode(FwErrorCode::errorUsbSerialRemoved);
    }
}

void FirmwareTransfer::verifyDevice() {
    trace(QStringLiteral("Send command Get basic info"));
    const bool sent = exchangeCommand(command(targetDestination(), FunctionNumber::getBasicInfo));
    if (!sent || errorCode() != FwErrorCode::resultOk) {
        logError(QStringLiteral("Error GetBasicInfo command"));
        finishUpdate(errorCode());
        return;
    }
    QByteArray data;
    {
        std::lock_guard lock(exchangeMutex_);
        data = recvData_.data;
    }
    const bool isLens = updateTarget_ == FwUpdateTarget::lens;
    if (isLens) {
        if (const auto lens = IdentityDecoder::lensInfo(data)) {
            records_.lensInfo.set(*lens);
            records_.defaultAdjustData.update([&](LensAdjustData& factory) {
                factory.focusLimitFirstNear = lens->focusLimitDefaultFirstNear;
                factory.focusLimitFirstFar = lens->focusLimitDefaultFirstFar;
                factory.focusLimitSecondNear = lens->focusLimitDefaultSecondNear;
                factory.focusLimitSecondFar = lens->focusLimitDefaultSecondFar;
                factory.focusLimitFirstMode = lens->focusLimitDefaultModes[0];
                factory.focusLimitSecondMode = lens->focusLimitDefaultModes[1];
                factory.correctSettings(*lens);
            });
        }
    } else if (const auto adapter = IdentityDecoder::adapterBasicInfo(data)) {
        records_.adapterBasicInfo.set(*adapter);
    }
    const qsizetype minimum =
        isLens ? IdentityDecoder::lensPayloadMinimum : IdentityDecoder::adapterPayloadMinimum;
    if (data.size() < minimum) {
        logError(isLens ? QStringLiteral("Error GetBasicInfo(lens) length")
                        : QStringLiteral("Error GetBasicInfo(adapter) length"));
        finishUpdate(FwErrorCode::errorUsbSerialFailed);
        return;
    }
    const auto high = bcdToString(byteAt(data, 35));
    const auto low = bcdToString(byteAt(data, 36));
    if (!high || !low) {
        logError(QStringLiteral("Error version format"));
        finishUpdate(FwErrorCode::errorVersion);
        return;
    }
    if (*high + *low != targetVersion_) {
        logError(QStringLiteral("Error version check"));
        finishUpdate(FwErrorCode::errorVersion);
        return;
    }
    if (isLens)
        writeFactoryAdjustData();
    finishUpdate(FwErrorCode::resultOk);
}

// A failure here is not reported: the update itself has succeeded.
void FirmwareTransfer::writeFactoryAdjustData() {
    trace(QStringLiteral("Send command Set adj data"));
    const LensAdjustData factory = records_.defaultAdjustData.get();
    CommDataFormat request;
    makeSetAdjustData(request, factory, records_.lensInfo.get());
    if (exchangeCommand(request) && errorCode() == FwErrorCode::resultOk)
        records_.currentAdjustData.set(factory);
}

void FirmwareTransfer::finishUpdate(FwErrorCode code) {
    serial_.setDelegate(delegateOriginal_);
    bool removed = false;
    {
        std::lock_guard lock(exchangeMutex_);
        removed = isErrorUsbRemoved_;
    }
    if (removed)
        code = FwErrorCode::errorUsbSerialRemoved;
    // A device lost once it had every block can only be told apart from a failed transfer here.
    if (code == FwErrorCode::errorUsbSerialRemoved && everyBlockAcknowledged_)
        code = FwErrorCode::errorRemovedAfterSend;
    delegate_->sendCompleted(code);
}

bool FirmwareTransfer::exchangeCommand(const CommDataFormat& request) {
    return exchange([&] { return serial_.sendCommand(request, false); });
}

bool FirmwareTransfer::exchange(const std::function<int()>& send) {
    const auto ticket = startExchange([&] { return send() == SerialChannel::sent; });
    if (!ticket) {
        setErrorCode(FwErrorCode::errorUsbSerialFailed);
        return false;
    }
    awaitReport(*ticket);
    return true;
}

// The request is counted before it goes out: its report may arrive before `send` returns.
std::optional<std::uint64_t> FirmwareTransfer::startExchange(const std::function<bool()>& send) {
    std::unique_lock lock(exchangeMutex_);
    const std::uint64_t ticket = ++requestsSent_;
    lock.unlock();
    if (send())
        return ticket;
    lock.lock();
    --requestsSent_;
    return std::nullopt;
}

// The bound applies to each report in turn: the requests before `ticket` may each take their time.
void FirmwareTransfer::awaitReport(std::uint64_t ticket) {
    std::unique_lock lock(exchangeMutex_);
    wakeAt_ = ticket;
    while (reportsReceived_ < ticket) {
        const std::uint64_t before = reportsReceived_;
        if (exchangeEnded_.wait_for(lock, timings_.exchangeBound, [&] { return reportsReceived_ >= ticket; }))
            break;
        if (reportsReceived_ == before) {
            noteError(FwErrorCode::errorUsbSerialFailed);
            reportsReceived_ = ticket;
        }
    }
}

FwErrorCode FirmwareTransfer::errorCode() const {
    std::lock_guard lock(exchangeMutex_);
    return errorCode_;
}

void FirmwareTransfer::setErrorCode(FwErrorCode code) {
    std::lock_guard lock(exchangeMutex_);
    if (code == FwErrorCode::resultOk) {
        errorCode_ = code;
        failedReport_ = 0;
    } else {
        noteError(code);
    }
}

// Under exchangeMutex_: records an error that the report now arriving brings.
void FirmwareTransfer::noteError(FwErrorCode code) {
    if (errorCode_ == FwErrorCode::resultOk && failedReport_ == 0)
        failedReport_ = reportsReceived_ + 1;
    errorCode_ = code;
}

std::uint8_t FirmwareTransfer::targetDestination() const {
    return updateTarget_ == FwUpdateTarget::adapter ? Destination::adapter : Destination::lens;
}

// The waiter is woken under the lock: the transfer may end, and this object go, as soon as the lock
// is free. Reports before the one it waits for do not wake it.
void FirmwareTransfer::endExchange(const std::function<void()>& update) {
    std::lock_guard lock(exchangeMutex_);
    update();
    if (reportsReceived_ < requestsSent_)
        ++reportsReceived_;
    if (reportsReceived_ >= wakeAt_)
        exchangeEnded_.notify_all();
}

void FirmwareTransfer::usbSerialDidReceiveResponse(const CommDataFormat& response) {
    endExchange([&] { recvData_ = response; });
}

void FirmwareTransfer::usbSerialDidReceiveControl(bool) {
    endExchange([] {});
}

void FirmwareTransfer::usbSerialDidFail(ChannelError code) {
    logError(QStringLiteral("UsbSerial Delegate Receive Error : %1").arg(int(code)));
    endExchange([this] { noteError(FwErrorCode::errorUsbSerialFailed); });
}

void FirmwareTransfer::usbSerialWasRemoved() {
    logError(QStringLiteral("UsbSerial Delegate Removed"));
    // The removal ends every request still open.
    endExchange([this] {
        isErrorUsbRemoved_ = true;
        noteError(FwErrorCode::errorUsbSerialRemoved);
        reportsReceived_ = requestsSent_;
    });
}

} // namespace lensdock
