#include "BlockingDownload.h"

namespace lensdock::cli {

namespace {
// Beyond the service's own time-outs: room for the report to arrive.
constexpr std::chrono::seconds reportMargin{10};
} // namespace

class BlockingDownload::Listener : public NetworkInterfaceDelegate,
                                   public NetworkInterfaceNotificationDelegate {
public:
    void fileDownloadCompleted(NetworkFileType, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error) override {
        finish(data, error);
    }
    void downloadProgress(double) override {}
    void downloadFinished(const QByteArray& data) override {
        std::lock_guard lock(mutex_);
        data_ = data;
    }
    void downloadCompleted(const std::optional<NetworkError>& error) override {
        std::lock_guard lock(mutex_);
        if (error)
            data_.reset();
        markDone(error);
    }

    void reset() {
        std::lock_guard lock(mutex_);
        done_ = false;
        data_.reset();
        error_.reset();
    }

    std::optional<Result> waitFor(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        if (!doneChanged_.wait_for(lock, bound, [this] { return done_; }))
            return std::nullopt;
        return Result{data_, error_};
    }

private:
    void finish(const std::optional<QByteArray>& data, const std::optional<NetworkError>& error) {
        std::lock_guard lock(mutex_);
        data_ = data;
        markDone(error);
    }
    // Called with the lock held.
    void markDone(const std::optional<NetworkError>& error) {
        error_ = error;
        done_ = true;
        doneChanged_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable doneChanged_;
    bool done_ = false;
    std::optional<QByteArray> data_;
    std::optional<NetworkError> error_;
};

BlockingDownload::BlockingDownload(const DownloadHost& host, const NetworkLimits& limits)
    : listener_(std::make_shared<Listener>()), network_(host, limits), limits_(limits) {
    network_.setDelegate(listener_);
    network_.setNotificationDelegate(listener_);
}

BlockingDownload::~BlockingDownload() {
    network_.setDelegate(nullptr);
    network_.setNotificationDelegate(nullptr);
}

BlockingDownload::Result BlockingDownload::data(const QString& relativePath) {
    listener_->reset();
    network_.downloadFile(relativePath); // a refused path is reported too
    return wait(limits_.downloadFileTimeout + reportMargin);
}

BlockingDownload::Result BlockingDownload::firmware(const QString& relativePath) {
    listener_->reset();
    network_.downloadFirmware(relativePath);
    return wait(limits_.downloadFirmwareTimeout + reportMargin);
}

BlockingDownload::Result BlockingDownload::wait(std::chrono::milliseconds bound) {
    if (auto result = listener_->waitFor(bound))
        return *result;
    return {std::nullopt,
            NetworkError{NetworkError::noResponseDomain, 0, QStringLiteral("no answer in time"), {}}};
}

} // namespace lensdock::cli
