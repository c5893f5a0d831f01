#pragma once

#include "adjust/LensAdjustData.h"
#include "base/Guarded.h"
#include "firmware/FwErrorCode.h"
#include "firmware/FwUpdateTarget.h"
#include "firmware/SendFirmwareDelegate.h"
#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"
#include "link/SerialChannel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <QByteArray>
#include <QString>
#include <thread>

namespace lensdock {

// The records a finished update refreshes.
struct DeviceRecords {
    Guarded<LensInfo>& lensInfo;
    Guarded<AdapterBasicInfo>& adapterBasicInfo;
    Guarded<LensAdjustData>& defaultAdjustData;
    Guarded<LensAdjustData>& currentAdjustData;
};

struct UpdateTimings {
    // How long the lens and the adapter need to come back after a reset.
    std::chrono::milliseconds lensResetWait{1000};
    std::chrono::milliseconds adapterResetWait{10000};
    // Longest wait for the next report: the channel ends every exchange itself within four 20 s
    // watchdog periods; this only guards against a channel that never reports.
    std::chrono::milliseconds exchangeBound{std::chrono::minutes(3)};
    // Longest wait for the port to report closed before a reset.
    std::chrono::milliseconds portCloseBound{5000};
};

// Sends a deciphered firmware file to the adapter or the lens: per record the firmware-update
// command, the header and data in 1024-byte blocks, EOT and the device's reset; afterwards the
// version check and, for a lens, its factory adjust data. Data blocks are queued in the channel a
// few ahead, so each goes out as soon as the one before is acknowledged. Takes the serial channel's
// delegate slot for the whole transfer and hands it back before reporting the result.
class FirmwareTransfer : public SerialChannelDelegate {
public:
    static constexpr int blockLength = 1024;
    static constexpr int headerLength = 1024;
    static constexpr char padByte = 0x1A;

    // Captures the channel's delegate of this moment, to give the channel back to it at the end.
    FirmwareTransfer(SerialChannel& serial, DeviceRecords records, UpdateTimings timings = UpdateTimings());
    ~FirmwareTransfer() override;
    FirmwareTransfer(const FirmwareTransfer&) = delete;
    FirmwareTransfer& operator=(const FirmwareTransfer&) = delete;

    void setDelegate(SendFirmwareDelegate* delegate) { delegate_ = delegate; }
    void setUpdateTarget(FwUpdateTarget target) { updateTarget_ = target; }
    void setTargetVersion(const QString& version) { targetVersion_ = version; }
    void setDecodeFile(const std::optional<QString>& path) { decodeFile_ = path; }
    void setFwUpdateNum(int count) { fwUpdateNum_ = count; }

    // Runs the transfer on its own thread.
    void start();
    // The transfer itself, on the caller's thread.
    void run();

    void usbSerialDidReceiveResponse(const CommDataFormat& response) override;
    void usbSerialDidReceiveControl(bool isAck) override;
    void usbSerialDidFail(ChannelError code) override;
    void usbSerialWasRemoved() override;

private:
    struct ImageRecord {
        QByteArray header;
        QByteArray data;
    };
    static FwErrorCode splitImage(const QByteArray& image, QList<ImageRecord>& records);
    bool sendRecords(const QList<ImageRecord>& records);
    bool sendRecord(const QByteArray& header, const QByteArray& data, int index, bool lastRecord);
    bool startRecord(std::uint8_t device, std::uint8_t area);
    bool sendHeaderBlock(const QByteArray& header, int index, qint64 dataLength);
    bool sendDataBlocks(const QByteArray& data, int index);
    struct BlockInFlight {
        std::uint64_t ticket;
        qsizetype covered; // data bytes sent once this block is answered
    };
    bool awaitDataBlocks(std::deque<BlockInFlight>& inFlight, std::size_t remaining, qsizetype dataLength,
                         int index);
    bool endRecord();
    void waitLensReset();
    bool lensAnsweredConnect() const;
    void waitAdapterReset();
    void verifyDevice();
    void writeFactoryAdjustData();
    void finishUpdate(FwErrorCode code);
    void cancelTransfer();

    bool exchangeCommand(const CommDataFormat& request);
    void endExchange(const std::function<void()>& update);
    bool exchange(const std::function<int()>& send);
    std::optional<std::uint64_t> startExchange(const std::function<bool()>& send);
    void awaitReport(std::uint64_t ticket);
    std::uint8_t nextBlockNumber();
    FwErrorCode errorCode() const;
    void setErrorCode(FwErrorCode code);
    void noteError(FwErrorCode code);
    std::uint8_t targetDestination() const;

    SerialChannel& serial_;
    DeviceRecords records_;
    const UpdateTimings timings_;
    SerialChannelDelegate* const delegateOriginal_;
    SendFirmwareDelegate* delegate_ = nullptr;
    FwUpdateTarget updateTarget_ = FwUpdateTarget::lens;
    QString targetVersion_ = QStringLiteral("0000");
    std::optional<QString> decodeFile_;
    int fwUpdateNum_ = 0;
    std::uint8_t headerBlkNum_ = 0;
    // The device acknowledged every block of the image (the transfer thread alone uses it).
    bool everyBlockAcknowledged_ = false;

    // Written by the channel's threads, read by the transfer thread.
    mutable std::mutex exchangeMutex_;
    std::condition_variable exchangeEnded_;
    // Requests the channel accepted, and reports it gave; request n has ended once n reports came.
    std::uint64_t requestsSent_ = 0;
    std::uint64_t reportsReceived_ = 0;
    std::uint64_t wakeAt_ = 0;       // the report the transfer thread waits for
    std::uint64_t failedReport_ = 0; // the first report that set an error, 0 for none
    bool isErrorUsbRemoved_ = false;
    FwErrorCode errorCode_ = FwErrorCode::resultOk;
    CommDataFormat recvData_;

    std::thread thread_;
};

} // namespace lensdock
