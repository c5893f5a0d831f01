#include "ui/LensScreenPlaceholder.h"

#include "context/AppContext.h"
#include "link/Logger.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lensdock {

namespace {
constexpr std::chrono::seconds callDrainBound{5};
constexpr int pictureWidth = 240;
} // namespace

LensScreenPlaceholder::LensScreenPlaceholder(AppShell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell), alerts_(shell.options().alertPresenter) {
    AppContext& context = shell.context();
    const LensInfo lens = context.lensInfo().get();
    QImage image = shell.pictures().lensImage.get();
    if (image.isNull())
        image = BuiltInPictures::lensImage();
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLens"));
    picture->setPixmap(QPixmap::fromImage(image.scaledToWidth(pictureWidth, Qt::SmoothTransformation)));
    picture->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(context.lensModelInfo().get().lensName, this);
    name->setObjectName(QStringLiteral("txtLensName"));
    name->setAlignment(Qt::AlignCenter);
    auto* details = new QFormLayout;
    //% "Model"
    details->addRow(qtTrId("infoModel"), new QLabel(lens.modelCode, this));
    //% "Firmware"
    details->addRow(qtTrId("infoFirmware"), new QLabel(lens.firmwareVersion, this));
    //% "The lens settings will be shown here."
    auto* pending = new QLabel(qtTrId("lensScreenPending"), this);
    pending->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(name);
    layout->addLayout(details);
    layout->addWidget(pending);
    layout->setContentsMargins(32, 32, 32, 32);
    context.usbSerialThread().setDelegate(this);
    startIdle();
}

LensScreenPlaceholder::~LensScreenPlaceholder() {
    UsbSerialThread& thread = shell_.context().usbSerialThread();
    if (thread.delegate() == this)
        thread.setDelegate(nullptr);
    alerts_.abandon();
    if (!calls_->close(callDrainBound))
        Logger::error(QStringLiteral("Main"), QStringLiteral("A listener call is still running"));
}

void LensScreenPlaceholder::startIdle() {
    UsbSerialThread& thread = shell_.context().usbSerialThread();
    switch (thread.processingErr()) {
    case ProcessingErrorType::adapter:
        thread.requestState(ApplicationState::adapterDisconnect);
        break;
    case ProcessingErrorType::lens:
        thread.requestState(ApplicationState::lensDisconnected);
        break;
    case ProcessingErrorType::success:
        thread.requestState(ApplicationState::lensConnect);
        break;
    }
}

void LensScreenPlaceholder::usbSerialThreadDisconnected() {
    const InFlightCalls::Scope scope(*calls_);
    if (scope.admitted())
        shell_.postConnected(false);
}

void LensScreenPlaceholder::usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                                                  const std::optional<CommDataFormat>&) {
    const InFlightCalls::Scope scope(*calls_);
    if (!scope.admitted())
        return;
    UsbSerialThread& thread = shell_.context().usbSerialThread();
    if (state == ApplicationState::appTerminate) {
        shell_.endProcess(0);
    } else if (state == ApplicationState::lensConnect && error == UsbThreadErrorCode::overcurrent) {
        thread.requestState(ApplicationState::processing);
        thread.setWaitNotAdhesion(true);
        alerts_.showAlert(DialogId::overCurrentError);
        thread.requestState(ApplicationState::lensDisconnected);
    } else if (state == ApplicationState::lensConnect && error == UsbThreadErrorCode::failure) {
        thread.requestState(ApplicationState::lensDisconnected);
    } else if (state == ApplicationState::lensDisconnected) {
        // The lens is gone; the report may come before the connect screen has taken over.
        thread.requestState(ApplicationState::lensDisadhesion);
    }
}

} // namespace lensdock
