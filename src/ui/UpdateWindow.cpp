#include "ui/UpdateWindow.h"

#include <cmath>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace lensdock {

namespace {
// The phase texts the update job names, for the translation tools.
[[maybe_unused]] const char* const phaseTextIds[] = {
    //% "Connecting to the download server…"
    QT_TRID_NOOP("updateStateConnecting"),
    //% "Downloading the firmware…"
    QT_TRID_NOOP("updateStateDownloading"),
    //% "Unpacking the firmware…"
    QT_TRID_NOOP("updateStateDecoding"),
    //% "Writing the firmware to the device…"
    QT_TRID_NOOP("updateStateSending"),
};
constexpr int windowWidth = 420;
} // namespace

// Moves the job's reports from its worker threads to the window's thread.
class UpdateWindow::Listener : public UpdateJobListener {
public:
    explicit Listener(UpdateWindow* window) : window_(window) {}
    void updateProgress(double percent) override {
        post([percent](UpdateWindow& window) { window.setProgress(percent); });
    }
    void updatePhase(int, const QString& textKey) override {
        if (!textKey.isEmpty())
            post([textKey](UpdateWindow& window) { window.changePhase(textKey); });
    }
    void updateResult(FwErrorCode code) override {
        post([code](UpdateWindow& window) { window.finish(code); });
    }

private:
    template <typename F> void post(F&& change) {
        QMetaObject::invokeMethod(
            window_,
            [window = QPointer<UpdateWindow>(window_), change = std::forward<F>(change)] {
                if (window)
                    change(*window);
            },
            Qt::QueuedConnection);
    }
    UpdateWindow* window_;
};

UpdateWindow::UpdateWindow(AppContext& context, UpdateJobTimings timings, FileIO store, QWidget* parent)
    : QDialog(parent), progressBar_(new QProgressBar(this)), txtPercent_(new QLabel(this)),
      txtState_(new QLabel(this)), sleepInhibitor_(std::make_unique<SleepInhibitor>()),
      listener_(std::make_unique<Listener>(this)),
      job_(std::make_unique<UpdateJob>(context, *listener_, timings, std::move(store))) {
    setObjectName(QStringLiteral("updateWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    //% "Firmware Update"
    setWindowTitle(qtTrId("updateTitle"));
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    txtPercent_->setObjectName(QStringLiteral("txtPercent"));
    txtPercent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtState_->setObjectName(QStringLiteral("txtState"));
    auto* row = new QHBoxLayout;
    row->addWidget(progressBar_, 1);
    row->addWidget(txtPercent_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtState_);
    layout->addLayout(row);
    layout->setContentsMargins(20, 18, 20, 18);
    setFixedWidth(windowWidth);
    setProgress(0);
}

UpdateWindow::~UpdateWindow() {
    // The job ends its threads before the listener goes.
    job_.reset();
}

void UpdateWindow::setAdapterUpdateInfo(const QString& version, const QString& decodeKey) {
    job_->setAdapterUpdateInfo(version, decodeKey);
}

void UpdateWindow::setLensUpdateInfo(const QString& mountSuffix, const QString& modelCode,
                                     const QString& version, const QString& decodeKey) {
    job_->setLensUpdateInfo(mountSuffix, modelCode, version, decodeKey);
}

void UpdateWindow::useSleepBus(const QDBusConnection& bus) {
    sleepInhibitor_ = std::make_unique<SleepInhibitor>(bus);
}

int UpdateWindow::progressValue() const {
    return progressBar_->value();
}

QString UpdateWindow::percentText() const {
    return txtPercent_->text();
}

QString UpdateWindow::phaseText() const {
    return txtState_->text();
}

void UpdateWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!finished_) {
        //% "A firmware update is being written to the device"
        sleepInhibitor_->acquire(qtTrId("updateSleepReason"));
    }
    job_->start();
}

void UpdateWindow::setProgress(double percent) {
    const int whole = static_cast<int>(std::trunc(percent));
    progressBar_->setValue(whole);
    txtPercent_->setText(QString::number(whole) + QLatin1Char('%'));
    emit progressShown(whole);
}

void UpdateWindow::changePhase(const QString& textKey) {
    txtState_->setText(qtTrId(textKey.toLatin1().constData()));
}

void UpdateWindow::finish(FwErrorCode code) {
    if (finished_)
        return;
    finished_ = true;
    sleepInhibitor_->release();
    emit updateFinished(code);
    close();
}

void UpdateWindow::reject() {
    // Esc must not abandon a running update.
    if (finished_)
        QDialog::reject();
}

void UpdateWindow::closeEvent(QCloseEvent* event) {
    if (finished_)
        event->accept();
    else
        event->ignore();
}

} // namespace lensdock
