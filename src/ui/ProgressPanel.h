#pragma once

#include "session/DialogId.h"

#include <optional>
#include <QDialog>
#include <QSize>

class QLabel;

namespace lensdock {

// The small modal panel shown during long device operations. Its size follows its message: 260, 365
// or 470 wide by the longest line, 60 high for one line and 80 for more.
class ProgressPanel : public QDialog {
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    void setDialogId(std::optional<DialogViewId> id);
    std::optional<DialogViewId> dialogId() const { return dialogId_; }

    // Content size for a message.
    static QSize sizeFor(const QString& message);
    QString message() const;

    // Closes the panel; safe from any thread (the close runs on the GUI thread).
    void closeFromAnyThread();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyTexts();
    void adjustWindowSize();

    QLabel* txtMessage_;
    std::optional<DialogViewId> dialogId_;
};

} // namespace lensdock
