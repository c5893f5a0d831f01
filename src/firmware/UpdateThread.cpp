#include "firmware/UpdateThread.h"

#include "adjust/AdjustPayload.h"
#include "firmware/FirmwareRecordParser.h"
#include "link/CommandSet.h"
#include "link/IdentityDecoder.h"
#include "link/Logger.h"

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
FwErrorCode UpdateThread::splitImage(const QByteArray& image, QList<ImageRecord>& records) {
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

UpdateThread::UpdateThread(UsbSerialInterface& serial, DeviceRecords records, UpdateTimings timings)
    : serial_(serial), records_(records), timings_(timings), delegateOriginal_(serial.delegate()) {}

UpdateThread::~UpdateThread() {
    if (thread_.joinable())
        thread_.join();
}

void UpdateThread::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void UpdateThread::run() {
    setErrorCode(FwErrorCode::resultOk);
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

bool UpdateThread::sendRecords(const QList<ImageRecord>& records) {
    for (qsizetype i = 0; i < records.size(); ++i) {
        const ImageRecord& record = records[i];
        trace(QStringLiteral("TargetDevice = %1").arg(byteAt(record.header, offsetTargetDevice)));
        trace(QStringLiteral("TargetArea = %1").arg(byteAt(record.header, offsetTargetArea)));
        trace(QStringLiteral("Update %1 / %2").arg(i + 1).arg(fwUpdateNum_));
        if (!sendRecord(record.header, record.data, int(i + 1)))
            return false;
    }
    return errorCode() == FwErrorCode::resultOk;
}

bool UpdateThread::sendRecord(const QByteArray& header, const QByteArray& data, int index) {
    if (!startRecord(byteAt(header, offsetTargetDevice), byteAt(header, offsetTargetArea)))
        return false;
    if (!sendHeaderBlock(header, index, data.size()) || !sendDataBlocks(data, index) || !endRecord())
        return false;
    delegate_->sendProgress(index, 0);
    return true;
}

bool UpdateThread::startRecord(std::uint8_t device, std::uint8_t area) {
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

std::uint8_t UpdateThread::nextBlockNumber() {
    headerBlkNum_ = headerBlkNum_ == 255 ? 1 : std::uint8_t(headerBlkNum_ + 1);
    return headerBlkNum_;
}

bool UpdateThread::sendHeaderBlock(const QByteArray& header, int index, qint64 dataLength) {
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

bool UpdateThread::sendDataBlocks(const QByteArray& data, int index) {
    trace(QStringLiteral("Data section send : %1").arg(data.size()));
    const qint64 total = data.size() + headerLength;
    for (qsizetype offset = 0; offset < data.size(); offset += blockLength) {
        QByteArray payload = data.mid(offset, blockLength);
        payload.append(QByteArray(blockLength - payload.size(), padByte));
        const std::uint8_t number = nextBlockNumber();
        const QByteArray blockHeader = blockHeaderFor(number);
        exchange([&] { return serial_.sendBlock(blockHeader, payload, false); });
        const qsizetype covered = std::min<qsizetype>(offset + blockLength, data.size());
        if (errorCode() != FwErrorCode::resultOk) {
            logError(QStringLiteral("Error FW data %1").arg(covered / blockLength));
            logError(QStringLiteral("Error FW data"));
            cancelTransfer();
            return false;
        }
        delegate_->sendProgress(index - 1, double(headerLength + covered) / double(total));
    }
    return true;
}

bool UpdateThread::endRecord() {
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

void UpdateThread::cancelTransfer() {
    trace(QStringLiteral("Send CAN"));
    serial_.sendRawDataNoWait(QByteArray(1, char(ControlByte::can)));
}

void UpdateThread::waitLensReset() {
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
bool UpdateThread::lensAnsweredConnect() const {
    std::lock_guard lock(exchangeMutex_);
    return recvData_.data.isEmpty() || recvData_.data.at(0) != '\0';
}

void UpdateThread::waitAdapterReset() {
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

void UpdateThread::verifyDevice() {
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
void UpdateThread::writeFactoryAdjustData() {
    trace(QStringLiteral("Send command Set adj data"));
    const LensAdjustData factory = records_.defaultAdjustData.get();
    CommDataFormat request;
    makeSetAdjustData(request, factory, records_.lensInfo.get());
    if (exchangeCommand(request) && errorCode() == FwErrorCode::resultOk)
        records_.currentAdjustData.set(factory);
}

void UpdateThread::finishUpdate(FwErrorCode code) {
    serial_.setDelegate(delegateOriginal_);
    bool removed = false;
    {
        std::lock_guard lock(exchangeMutex_);
        removed = isErrorUsbRemoved_;
    }
    delegate_->sendCompleted(removed ? FwErrorCode::errorUsbSerialRemoved : code);
}

bool UpdateThread::exchangeCommand(const CommDataFormat& request) {
    return exchange([&] { return serial_.sendCommand(request, false); });
}

bool UpdateThread::exchange(const std::function<int()>& send) {
    std::unique_lock lock(exchangeMutex_);
    isWaitResponse_ = true;
    lock.unlock();
    const int result = send();
    lock.lock();
    if (result != UsbSerialInterface::sent) {
        isWaitResponse_ = false;
        errorCode_ = FwErrorCode::errorUsbSerialFailed;
        return false;
    }
    if (!exchangeEnded_.wait_for(lock, timings_.exchangeBound, [this] { return !isWaitResponse_; })) {
        isWaitResponse_ = false;
        errorCode_ = FwErrorCode::errorUsbSerialFailed;
    }
    return true;
}

FwErrorCode UpdateThread::errorCode() const {
    std::lock_guard lock(exchangeMutex_);
    return errorCode_;
}

void UpdateThread::setErrorCode(FwErrorCode code) {
    std::lock_guard lock(exchangeMutex_);
    errorCode_ = code;
}

std::uint8_t UpdateThread::targetDestination() const {
    return updateTarget_ == FwUpdateTarget::adapter ? Destination::adapter : Destination::lens;
}

// The waiter is woken under the lock: the transfer may end, and this object go, as soon as the lock
// is free.
void UpdateThread::endExchange(const std::function<void()>& update) {
    std::lock_guard lock(exchangeMutex_);
    update();
    isWaitResponse_ = false;
    exchangeEnded_.notify_all();
}

void UpdateThread::usbSerialDidReceiveResponse(const CommDataFormat& response) {
    endExchange([&] { recvData_ = response; });
}

void UpdateThread::usbSerialDidReceiveControl(bool) {
    endExchange([] {});
}

void UpdateThread::usbSerialDidFail(UsbSerialErrorCode code) {
    logError(QStringLiteral("UsbSerial Delegate Receive Error : %1").arg(int(code)));
    endExchange([this] { errorCode_ = FwErrorCode::errorUsbSerialFailed; });
}

void UpdateThread::usbSerialWasRemoved() {
    logError(QStringLiteral("UsbSerial Delegate Removed"));
    endExchange([this] {
        isErrorUsbRemoved_ = true;
        errorCode_ = FwErrorCode::errorUsbSerialRemoved;
    });
}

} // namespace lensdock
