#include "ui/ConnectScreen.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/InitialViewController.h"
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

} // namespace

ConnectScreen::ConnectScreen(AppShell& shell, ConnectOptions options, QWidget* parent)
    : QWidget(parent), shell_(shell), options_(std::move(options)),
      controller_(new InitialViewController(shell, options_, this)) {
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
    connect(controller_, &InitialViewController::openUpdateWindowRequested, this,
            &ConnectScreen::openUpdateWindow);
    controller_->viewDidLoad();
}

ConnectScreen::~ConnectScreen() = default;

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
    layout->addWidget(textLabel(qtTrId("notConnect1"), QStringLiteral("txtNotConnect1"), box));
    //% "2. Mount a lens on the dock. It is recognised automatically."
    layout->addWidget(textLabel(qtTrId("notConnect2"), QStringLiteral("txtNotConnect2"), box));
    return box;
}

void ConnectScreen::openUpdateWindow() {
    AppContext& context = shell_.context();
    const FileIO store = options_.libraryFolder ? FileIO(*options_.libraryFolder) : FileIO();
    auto* window = new UpdateWindow(context, options_.update, store, this->window());
    const AdapterModelInfo catalogue = context.adapterModelInfo().get();
    window->setAdapterUpdateInfo(catalogue.latestVersion, catalogue.decodeKey);
    connect(window, &UpdateWindow::updateFinished, controller_, &InitialViewController::updateResult);
    windowUpdate_ = window;
    emit updateWindowOpened(window);
    window->show();
}

} // namespace lensdock
