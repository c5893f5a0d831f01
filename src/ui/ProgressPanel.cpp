#include "ui/ProgressPanel.h"

#include <algorithm>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace lensdock {

namespace {
constexpr int narrowWidth = 260;
constexpr int middleWidth = 365;
constexpr int wideWidth = 470;
constexpr int oneLineHeight = 60;
constexpr int linesHeight = 80;

struct PanelTexts {
    QString title;
    QString message;
};

PanelTexts textsFor(std::optional<DialogViewId> id) {
    if (!id) {
        //% "Processing"
        return {qtTrId("dialogProcessingTitle"),
                //% "Processing, please wait."
                qtTrId("dialogProcessingMessage")};
    }
    switch (*id) {
    case DialogViewId::setAdjustData:
        //% "Applying the settings"
        return {qtTrId("dialogSetAdjustDataTitle"),
                //% "Writing the settings to the lens."
                qtTrId("dialogSetAdjustDataMessage")};
    case DialogViewId::setDefaultData:
        //% "Restoring factory settings"
        return {qtTrId("dialogSetDefaultDataTitle"),
                //% "Restoring the factory settings\nof the lens."
                qtTrId("dialogSetDefaultDataMessage")};
    case DialogViewId::checkUpdate:
        //% "Checking for updates"
        return {qtTrId("dialogCheckUpdateTitle"),
                //% "Looking for newer firmware."
                qtTrId("dialogCheckUpdateMessage")};
    }
    return {};
}
} // namespace

ProgressPanel::ProgressPanel(QWidget* parent) : QDialog(parent), txtMessage_(new QLabel(this)) {
    setWindowModality(Qt::ApplicationModal);
    txtMessage_->setObjectName(QStringLiteral("txtMessage"));
    txtMessage_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtMessage_);
    applyTexts();
}

void ProgressPanel::setDialogId(std::optional<DialogViewId> id) {
    dialogId_ = id;
    applyTexts();
}

QString ProgressPanel::message() const {
    return txtMessage_->text();
}

QSize ProgressPanel::sizeFor(const QString& message) {
    const QStringList lines = message.split(QLatin1Char('\n'));
    qsizetype longest = 0;
    for (const QString& line : lines)
        longest = std::max(longest, line.size());
    const int height = lines.size() > 1 ? linesHeight : oneLineHeight;
    if (longest < 15)
        return {narrowWidth, height};
    return {longest > 24 ? wideWidth : middleWidth, height};
}

void ProgressPanel::applyTexts() {
    const PanelTexts texts = textsFor(dialogId_);
    setWindowTitle(texts.title);
    txtMessage_->setText(texts.message);
}

void ProgressPanel::adjustWindowSize() {
    setFixedSize(sizeFor(txtMessage_->text()));
    const QWidget* anchor = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = anchor ? anchor->geometry() : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
}

void ProgressPanel::showEvent(QShowEvent* event) {
    applyTexts();
    adjustWindowSize();
    QDialog::showEvent(event);
}

void ProgressPanel::closeFromAnyThread() {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

} // namespace lensdock
