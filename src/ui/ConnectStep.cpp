#include "ui/ConnectStep.h"

#include <QHBoxLayout>
#include <QLabel>

namespace lensdock {

namespace {
// Wide enough for either mark, so the step's text does not move when it changes.
constexpr int markWidth = 28;
} // namespace

ConnectStep::ConnectStep(const QString& text, const QString& name, QWidget* parent)
    : QWidget(parent), mark_(new QLabel(this)), text_(new QLabel(text, this)) {
    mark_->setObjectName(name + QStringLiteral("Mark"));
    mark_->setFixedWidth(markWidth);
    mark_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text_->setObjectName(name);
    text_->setWordWrap(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mark_);
    layout->addWidget(text_, 1);
    setDone(false);
}

void ConnectStep::setDone(bool done) {
    done_ = done;
    // The mark shows the state at a glance; the tooltip says it in words for those who need them.
    mark_->setText(done ? QStringLiteral("\u2714") : QStringLiteral("\u25CB"));
    //% "Done"
    const QString doneText = qtTrId("connectStepDone");
    //% "Waiting"
    const QString waitingText = qtTrId("connectStepWaiting");
    mark_->setToolTip(done ? doneText : waitingText);
    mark_->setAccessibleName(done ? doneText : waitingText);
    QPalette palette = mark_->palette();
    palette.setColor(QPalette::WindowText, done ? QColor(0x2E, 0x7D, 0x32) : QColor(0x80, 0x80, 0x80));
    mark_->setPalette(palette);
}

} // namespace lensdock
