#include "ui/ConnectScreen.h"

#include "context/AppContext.h"
#include "ui/AlertAsker.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/ConnectStep.h"
#include "ui/LensFileStore.h"
#include "ui/UpdateWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lensdock {

namespace {
QLabel* pictureLabel(const QImage& image, int width, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap::fromImage(image.scaledToWidth(width, Qt::SmoothTransformation)));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* textLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

FileIO storeOf(const ConnectOptions& options) {
    return options.libraryFolder ? FileIO(*options.libraryFolder) : FileIO();
}

} // namespace

ConnectPolicy ConnectScreen::policyOf(const ConnectOptions& options) {
    ConnectPolicy policy;
    policy.portClosedBound = options.portClosedBound;
    policy.portCloseCheckInterval = options.portCloseCheckInterval;
    return policy;
}

ConnectScreen::ConnectScreen(AppShell& shell, ConnectOptions options, QWidget* parent)
    : QWidget(parent), shell_(shell), options_(std::move(options)),
      asker_(new AlertAsker(this, shell.options().alertPresenter, this)),
      flow_(new ConnectFlow(shell.context(), *asker_, policyOf(options_), storeOf(options_), this)) {
    setObjectName(QStringLiteral("connectScreen"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 32, 40, 32);
    layout->setSpacing(24);
    layout->addWidget(makeDiagram());
    layout->addWidget(makeInstructions());
    layout->addStretch();
    connect(flow_, &ConnectFlow::adapterUpdateRequested, this, &ConnectScreen::openUpdateWindow);
    connect(flow_, &ConnectFlow::picturesCleared, this, [this] { shell_.pictures().clear(); });
    connect(flow_, &ConnectFlow::pictureReceived, this, &ConnectScreen::takePicture);
    connect(
        flow_, &ConnectFlow::lensReady, &shell_, [shell = &shell_] { shell->setConnected(true); },
        Qt::QueuedConnection);
    connect(flow_, &ConnectFlow::endRequested, &shell_, &AppShell::endProcess);
    shell_.pictures().clear();
    followSteps();
    flow_->start();
}

// The flow goes first: its reports must not reach a screen half torn down.
ConnectScreen::~ConnectScreen() {
    delete flow_;
    flow_ = nullptr;
}

// A picture that did not arrive and has no local copy is replaced by the program's own.
void ConnectScreen::takePicture(NetworkFileType type, const std::optional<QByteArray>& data) {
    QImage image = LensFileStore(storeOf(options_)).picture(type, data);
    if (image.isNull())
        image = LensFileStore::builtInPicture(type);
    if (type == NetworkFileType::lensImage)
        shell_.pictures().lensImage.set(image);
    else if (type == NetworkFileType::focusAdjustmentImage)
        shell_.pictures().focusAdjustmentImage.set(image);
    else
        shell_.pictures().focusLimitImage.set(image);
}

UpdateWindow* ConnectScreen::updateWindow() const {
    return windowUpdate_;
}

QWidget* ConnectScreen::makeDiagram() {
    auto* diagram = new QWidget(this);
    auto* grid = new QGridLayout(diagram);
    grid->addWidget(pictureLabel(BuiltInPictures::lensImage(), 150, diagram), 0, 0);
    grid->addWidget(pictureLabel(BuiltInPictures::arrow(), 36, diagram), 0, 1);
    grid->addWidget(pictureLabel(BuiltInPictures::appIcon(96), 96, diagram), 0, 2);
    grid->addWidget(pictureLabel(BuiltInPictures::arrow(), 36, diagram), 0, 3);
    grid->addWidget(pictureLabel(BuiltInPictures::computer(), 130, diagram), 0, 4);
    //% "Lens"
    auto* lens = textLabel(qtTrId("notConnectLens"), QStringLiteral("txtNotConnectLens"), diagram);
    //% "Computer"
    auto* computer = textLabel(qtTrId("notConnectPC"), QStringLiteral("txtNotConnectPC"), diagram);
    lens->setAlignment(Qt::AlignCenter);
    computer->setAlignment(Qt::AlignCenter);
    grid->addWidget(lens, 1, 0);
    grid->addWidget(computer, 1, 4);
    return diagram;
}

QWidget* ConnectScreen::makeInstructions() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    //% "Connect the lens dock and mount a lens"
    auto* headline = textLabel(qtTrId("notConnectMessage"), QStringLiteral("txtNotConnect"), box);
    QFont font = headline->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    headline->setFont(font);
    layout->addWidget(headline);
    //% "1. Plug the lens dock into a USB port of this computer."
    adapterStep_ = new ConnectStep(qtTrId("notConnect1"), QStringLiteral("txtNotConnect1"), box);
    //% "2. Mount a lens on the dock. It is recognised automatically."
    lensStep_ = new ConnectStep(qtTrId("notConnect2"), QStringLiteral("txtNotConnect2"), box);
    layout->addWidget(adapterStep_);
    layout->addWidget(lensStep_);
    return box;
}

// The steps follow the course: the dock is done once it has answered, the lens once it is found.
// A screen shown again after a lens was lost finds the dock still there.
void ConnectScreen::followSteps() {
    adapterStep_->setDone(shell_.context().channel().isPortOpen());
    connect(flow_, &ConnectFlow::adapterIdentified, adapterStep_, [this] { adapterStep_->setDone(true); });
    connect(flow_, &ConnectFlow::lensDetected, lensStep_, [this] { lensStep_->setDone(true); });
    connect(flow_, &ConnectFlow::lensAwaited, lensStep_, [this] { lensStep_->setDone(false); });
    connect(flow_, &ConnectFlow::adapterLost, this, [this] {
        adapterStep_->setDone(false);
        lensStep_->setDone(false);
    });
}

void ConnectScreen::openUpdateWindow() {
    AppContext& context = shell_.context();
    auto* window = new UpdateWindow(context, options_.update, storeOf(options_), this->window());
    const AdapterModelInfo catalogue = context.adapterModelInfo().get();
    window->setAdapterUpdateInfo(catalogue.latestVersion, catalogue.decodeKey);
    connect(window, &UpdateWindow::updateFinished, flow_, &ConnectFlow::updateFinished);
    windowUpdate_ = window;
    emit updateWindowOpened(window);
    window->show();
}

} // namespace lensdock
