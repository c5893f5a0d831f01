#pragma once

#include "firmware/FwErrorCode.h"
#include "firmware/UpdateJob.h"
#include "ui/SleepInhibitor.h"

#include <memory>
#include <QDialog>

class QLabel;
class QProgressBar;

namespace lensdock {

class AppContext;

// The window of one firmware update: progress bar, percentage and phase text over an UpdateJob. The
// update starts when the window is first shown; its single result is emitted as updateFinished, after
// which the window closes (and deletes itself). It cannot be closed while the update runs.
class UpdateWindow : public QDialog {
    Q_OBJECT
public:
    UpdateWindow(AppContext& context, UpdateJobTimings timings, FileIO store, QWidget* parent = nullptr);
    ~UpdateWindow() override;

    void setAdapterUpdateInfo(const QString& version, const QString& decodeKey);
    void setLensUpdateInfo(const QString& mountSuffix, const QString& modelCode, const QString& version,
                           const QString& decodeKey);

    // The bus on which the sleep lock is asked for: the system bus unless set. Set it before showing.
    void useSleepBus(const QDBusConnection& bus);
    bool keepsSystemAwake() const { return sleepInhibitor_->isHeld(); }

    int progressValue() const;
    QString percentText() const;
    QString phaseText() const;
    const UpdateJob& job() const { return *job_; }

signals:
    // Every value the bar showed, in order (for observers such as tests).
    void progressShown(int percent);
    void updateFinished(lensdock::FwErrorCode code);

public slots:
    void reject() override;
    // The display of the update's progress: bar and percentage, and the phase text of `textKey`.
    void setProgress(double percent);
    void changePhase(const QString& textKey);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Listener;
    void finish(FwErrorCode code);

    QProgressBar* progressBar_;
    QLabel* txtPercent_;
    QLabel* txtState_;
    bool finished_ = false;
    std::unique_ptr<SleepInhibitor> sleepInhibitor_;
    // Declared before the job, so that it outlives the job's threads.
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<UpdateJob> job_;
};

} // namespace lensdock
