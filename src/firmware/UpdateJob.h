#pragma once

#include "context/AppContext.h"
#include "firmware/DecodeFirmware.h"
#include "firmware/DecodeFirmwareDelegate.h"
#include "firmware/FirmwareTransfer.h"
#include "firmware/FwErrorCode.h"
#include "firmware/FwUpdateTarget.h"
#include "firmware/SendFirmwareDelegate.h"
#include "online/FileIO.h"
#include "online/NetworkInterface.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <QString>
#include <thread>

namespace lensdock {

// Receiver of one update's progress and of its single result. Calls arrive on worker threads;
// a window moves them to its own thread. Do not destroy the job from inside these calls.
class UpdateJobListener {
public:
    virtual ~UpdateJobListener() = default;
    virtual void updateProgress(double percent) = 0;
    // `textKey` names the phase's text; empty for phases that keep the previous text.
    virtual void updatePhase(int phase, const QString& textKey) = 0;
    virtual void updateResult(FwErrorCode code) = 0;
};

struct UpdateJobTimings {
    std::chrono::milliseconds connectDelay{500};
    // The transfer waits for the connection thread to take its last requested state.
    std::chrono::milliseconds pendingStatePoll{100};
    std::chrono::milliseconds pendingStateBound{std::chrono::seconds(30)};
    UpdateTimings transfer;
    NetworkLimits network;
};

// One firmware update of the adapter or the lens, without a window: reachability, download into the
// local store, decoding, transfer, and exactly one result. Every update uses a new job with its own
// download service, decoder and transfer. Create it while the connection thread is the serial
// channel's delegate: the transfer captures that delegate to give the channel back to it.
class UpdateJob : private DecodeFirmwareDelegate, private SendFirmwareDelegate {
public:
    static inline const QString adapterFwName = QStringLiteral("QB117_");
    static inline const QString lensFwName = QStringLiteral("_");
    static inline const QString encodeExtension = QStringLiteral(".vfwf");
    static inline const QString decodeExtension = QStringLiteral(".dec");
    static constexpr double percentConnectStart = 0;
    static constexpr double percentConnectFinish = 5;
    static constexpr double percentDownloadStart = 5;
    static constexpr double percentDownloadFinish = 40;
    static constexpr double percentDecodeStart = 40;
    static constexpr double percentDecodeFinish = 50;
    static constexpr double percentFwSendStart = 50;
    static constexpr double percentFwSendFinish = 100;
    static constexpr double percentWaitReset = 5;

    UpdateJob(AppContext& context, UpdateJobListener& listener, UpdateJobTimings timings = UpdateJobTimings(),
              FileIO store = FileIO());
    ~UpdateJob() override;
    UpdateJob(const UpdateJob&) = delete;
    UpdateJob& operator=(const UpdateJob&) = delete;

    void setAdapterUpdateInfo(const QString& version, const QString& decodeKey);
    void setLensUpdateInfo(const QString& mountSuffix, const QString& modelCode, const QString& version,
                           const QString& decodeKey);

    // Starts the update; a second call only logs "Updating...".
    void start();

    FwUpdateTarget updateTarget() const { return updateTarget_; }
    QString targetVersion() const { return targetVersion_; }
    std::optional<QString> downloadFileName() const { return downloadFileName_; }
    std::optional<QString> encodeFile() const { return encodeFile_; }
    std::optional<QString> decodeFile() const { return decodeFile_; }

    // The percentage for `fraction` of record `index` of `count` records.
    static double sendPercent(int index, double fraction, int count);

private:
    class DownloadListener;

    bool preparePaths();
    void connectStep();
    void startDownload();
    void downloadProgress(double fraction);
    void downloadFinished(const QByteArray& data);
    void downloadCompleted(const std::optional<NetworkError>& error);
    void startDecode();
    void startSend();
    bool waitForSettledConnection();

    void decodeProgress(double fraction) override;
    void decodeFinished(int count) override;
    void decodeCompleted(FwErrorCode code) override;
    void sendProgress(int index, double fraction) override;
    void sendFinished() override;
    void sendCompleted(FwErrorCode code) override;

    void setProgress(double percent);
    void changeState(int phase);
    void deleteUpdateFiles();
    void updateSucceeded();
    void updateFailed(FwErrorCode code);
    void reportResult(FwErrorCode code);

    AppContext& context_;
    UpdateJobListener& listener_;
    const UpdateJobTimings timings_;
    const FileIO store_;
    FwUpdateTarget updateTarget_ = FwUpdateTarget::lens;
    QString targetVersion_ = QStringLiteral("0000");
    std::optional<QString> downloadFileName_;
    std::optional<QString> updateDecodeKey_;
    std::atomic<int> fwUpdateNum_{0};
    std::optional<QString> encodeFile_;
    std::optional<QString> decodeFile_;
    std::atomic<bool> isUpdating_{false};
    std::atomic<bool> resultReported_{false};
    std::atomic<bool> cancelled_{false};
    std::thread connectThread_;
    DecodeFirmware decodeThread_;
    FirmwareTransfer updateThread_;
    std::shared_ptr<DownloadListener> downloadListener_;
    // Last, so that it goes first: its thread delivers the download events.
    std::unique_ptr<NetworkInterface> networkInterface_;
};

} // namespace lensdock
