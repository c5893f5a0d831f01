#include "ui/MainWindow.h"

#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/ConnectScreen.h"
#include "ui/lens/LensScreen.h"
#include "ui/LightLook.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QMenuBar>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStackedLayout>
#include <QTabBar>
#include <QVariantAnimation>

namespace lensdock {

MainWindow::MainWindow(AppShell& shell, Options options, QWidget* parent)
    : QMainWindow(parent), shell_(shell), options_(std::move(options)) {
    setObjectName(QStringLiteral("mainWindow"));
    //% "Lens Dock Utility"
    setWindowTitle(qtTrId("appName") + QStringLiteral("[*]")); // the marker of unapplied edits
    setWindowIcon(QIcon(QPixmap::fromImage(BuiltInPictures::appIcon(256))));
    LightLook::apply(*this);
    auto* central = new QWidget(this);
    stack_ = new QStackedLayout(central);
    stack_->setStackingMode(QStackedLayout::StackAll);
    setCentralWidget(central);
    buildMenus();
    connect(&shell_, &AppShell::connectedChanged, this, &MainWindow::showContent);
    showContent(shell_.connected());
}

QAction* MainWindow::addAction(QMenu* menu, const QString& text, const QString& name) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QAction* MainWindow::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void MainWindow::buildMenus() {
    buildFileMenu();
    buildViewMenu();
    buildHelpMenu();
    // The lens commands are usable only while a lens is connected and no write is being prepared.
    connect(&shell_, &AppShell::connectedChanged, this, &MainWindow::updateActionStates);
    connect(&shell_, &AppShell::writeChanged, this, &MainWindow::updateActionStates);
    updateActionStates();
}

void MainWindow::buildFileMenu() {
    const MenuTexts& texts = shell_.menuTexts();
    QMenu* file = menuBar()->addMenu(texts.fileItem);
    QAction* open = addAction(file, texts.open, QStringLiteral("menuOpen"));
    open->setShortcut(QKeySequence::Open);
    // Spelled out: not every desktop binds a key to the standard Save As.
    QAction* saveAs = addAction(file, texts.saveAs, QStringLiteral("menuSaveAs"));
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QAction* saveProfile = addAction(file, texts.saveProfile, QStringLiteral("menuSaveProfile"));
    QAction* library = addAction(file, texts.library, QStringLiteral("menuLibrary"));
    file->addSeparator();
    QAction* apply = addAction(file, texts.apply, QStringLiteral("menuApply"));
    apply->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    QAction* factory = addAction(file, texts.factory, QStringLiteral("menuFactory"));
    file->addSeparator();
    QAction* quit = addAction(file, texts.quit, QStringLiteral("menuQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(open, &QAction::triggered, this, &MainWindow::openLensAdjustFile);
    connect(saveAs, &QAction::triggered, this, &MainWindow::saveLensAdjustFile);
    connect(apply, &QAction::triggered, this, &MainWindow::applySettings);
    connect(factory, &QAction::triggered, this, &MainWindow::restoreToFactorySettings);
    connect(saveProfile, &QAction::triggered, this, [this] {
        if (LensScreen* screen = lensScreen())
            screen->saveProfile();
    });
    connect(library, &QAction::triggered, this, [this] {
        if (LensScreen* screen = lensScreen())
            screen->showLibrary();
    });
    connect(quit, &QAction::triggered, this, &MainWindow::quitAfterAsking);
    lensActions_ << open << saveAs << saveProfile << library << apply << factory;
}

void MainWindow::buildViewMenu() {
    const MenuTexts& texts = shell_.menuTexts();
    QMenu* view = menuBar()->addMenu(texts.viewItem);
    const std::pair<QString, const char*> tabs[] = {{texts.focusAdjustment, "menuFocusAdjustment"},
                                                    {texts.focusLimit, "menuFocusLimit"},
                                                    {texts.custom, "menuCustom"}};
    for (int index = 0; index < 3; ++index) {
        QAction* tab = addAction(view, tabs[index].first, QString::fromLatin1(tabs[index].second));
        tab->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + index)));
        connect(tab, &QAction::triggered, this, [this, index] { showTab(index); });
        lensActions_ << tab;
    }
    view->addSeparator();
    QAction* next = addAction(view, texts.nextTab, QStringLiteral("menuNextTab"));
    next->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    QAction* previous = addAction(view, texts.previousTab, QStringLiteral("menuPreviousTab"));
    previous->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(next, &QAction::triggered, this, [this] { stepTab(1); });
    connect(previous, &QAction::triggered, this, [this] { stepTab(-1); });
    lensActions_ << next << previous;
}

void MainWindow::buildHelpMenu() {
    const MenuTexts& texts = shell_.menuTexts();
    QMenu* help = menuBar()->addMenu(texts.helpItem);
    QAction* manual = addAction(help, texts.helpManual, QStringLiteral("menuHelpItemManual"));
    manual->setShortcut(QKeySequence::HelpContents);
    QAction* site = addAction(help, texts.helpDownloadSite, QStringLiteral("menuHelpItemDownloadSite"));
    QAction* info = addAction(help, texts.helpUserInformation, QStringLiteral("menuHelpItemUserInformation"));
    help->addSeparator();
    QAction* about = addAction(help, texts.helpAbout, QStringLiteral("menuHelpItemAbout"));
    connect(manual, &QAction::triggered, &shell_, &AppShell::openHelpFile);
    connect(site, &QAction::triggered, &shell_, &AppShell::openDownloadURL);
    connect(info, &QAction::triggered, &shell_, &AppShell::openUserInformation);
    connect(about, &QAction::triggered, &shell_, &AppShell::aboutApplication);
}

void MainWindow::updateActionStates() {
    const bool usable = shell_.connected() && !shell_.write();
    for (QAction* action : lensActions_)
        action->setEnabled(usable);
}

void MainWindow::showContent(bool connected) {
    if (closing_)
        return;
    keepUnappliedEdits();
    setWindowModified(false);
    QWidget* next =
        connected ? makeLensScreen() : static_cast<QWidget*>(new ConnectScreen(shell_, options_.connect));
    replaceContent(next);
}

QWidget* MainWindow::makeLensScreen() {
    auto* screen = new LensScreen(shell_, options_.lens);
    if (lostEdits_ && lostEdits_->modelCode == screen->lensModelCode() &&
        lostEdits_->serialCode == screen->lensSerialCode()) {
        screen->offerEditsBack(lostEdits_->values, lostEdits_->dockUnplugged);
        lostEdits_.reset();
    }
    connect(screen, &LensScreen::modifiedChanged, this, &QWidget::setWindowModified);
    return screen;
}

// A lens that goes away takes the values not yet written with it; they wait here for its return.
void MainWindow::keepUnappliedEdits() {
    LensScreen* screen = lensScreen();
    if (hasUnappliedEdits())
        lostEdits_ = LostEdits{screen->lensModelCode(), screen->lensSerialCode(), screen->shownAdjustData(),
                               screen->flow().loss() == DeviceLoss::adapter};
}

// A value still being typed counts: it is taken first, as Apply would take it.
bool MainWindow::hasUnappliedEdits() const {
    LensScreen* screen = lensScreen();
    if (!screen)
        return false;
    screen->takeTypedValues();
    return screen->refreshModified();
}

void MainWindow::quitAfterAsking() {
    if (hasUnappliedEdits())
        askToDiscardThenQuit();
    else
        shell_.quit();
}

void MainWindow::askToDiscardThenQuit() {
    if (askingToDiscard_)
        return;
    askingToDiscard_ = true;
    shell_.alerts().ask(DialogId::discardChangesConfirm, QString(), [this](DialogResponse answer) {
        askingToDiscard_ = false;
        if (answer == DialogResponse::yes)
            shell_.quit();
    });
}

void MainWindow::replaceContent(QWidget* next) {
    QWidget* previous = content_;
    content_ = next;
    stack_->addWidget(next);
    if (!previous) {
        finishSwitch(previous, next);
        return;
    }
    if (options_.fadeDuration.count() <= 0) {
        finishSwitch(previous, next);
        resize(sizeFor(next));
        return;
    }
    auto* fadeOut = new QGraphicsOpacityEffect(previous);
    auto* fadeIn = new QGraphicsOpacityEffect(next);
    fadeIn->setOpacity(0);
    previous->setGraphicsEffect(fadeOut);
    next->setGraphicsEffect(fadeIn);
    const QSize target = sizeFor(next);
    auto* group = new QParallelAnimationGroup(this);
    const int duration = static_cast<int>(options_.fadeDuration.count());
    for (auto [effect, target] : {std::pair{fadeOut, 0.0}, std::pair{fadeIn, 1.0}}) {
        auto* animation = new QPropertyAnimation(effect, "opacity", group);
        animation->setDuration(duration);
        animation->setEndValue(target);
        group->addAnimation(animation);
    }
    auto* grow = new QVariantAnimation(group);
    grow->setDuration(duration);
    grow->setStartValue(size());
    grow->setEndValue(target);
    connect(grow, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { resize(value.toSize()); });
    group->addAnimation(grow);
    connect(group, &QAbstractAnimation::finished, this,
            [this, old = QPointer<QWidget>(previous), fresh = QPointer<QWidget>(next)] {
                finishSwitch(old, fresh);
                // Measured again without the old screen, whose minimum held the window up to here.
                if (fresh)
                    resize(sizeFor(fresh));
            });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

// Every showing of a screen gets the window the screen asks for, however the previous one was sized:
// a size taken from the old window plus a difference drifts with each switch. The top edge stays.
QSize MainWindow::sizeFor(QWidget* next) {
    // A screen just added has shown its data; the hints it changed reach the outer layouts through
    // posted requests, one level at a time.
    next->show();
    for (int level = 0; level < 12; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QSize chrome =
        isVisible() ? size() - centralWidget()->size() : QSize(0, menuBar()->sizeHint().height());
    QSize wanted = next->sizeHint().expandedTo(next->minimumSizeHint()) + chrome;
    if (const QScreen* display = screen())
        wanted = wanted.boundedTo(display->availableSize());
    return wanted;
}

void MainWindow::finishSwitch(QWidget* previous, QWidget* next) {
    if (previous) {
        stack_->removeWidget(previous);
        delete previous;
    }
    if (next) {
        next->setGraphicsEffect(nullptr);
        stack_->setCurrentWidget(next);
    }
}

LensScreen* MainWindow::lensScreen() const {
    return qobject_cast<LensScreen*>(content_.data());
}

void MainWindow::showTab(int index) {
    if (LensScreen* screen = lensScreen())
        screen->showTab(index);
}

void MainWindow::stepTab(int step) {
    if (LensScreen* screen = lensScreen())
        screen->showTab((screen->tabSwitch()->currentIndex() + step + 3) % 3);
}

void MainWindow::applySettings() {
    if (LensScreen* screen = lensScreen())
        screen->applySettings();
}

void MainWindow::restoreToFactorySettings() {
    if (LensScreen* screen = lensScreen())
        screen->restoreFactorySettings();
}

void MainWindow::openLensAdjustFile() {
    if (LensScreen* screen = lensScreen())
        screen->openSettingsFile();
}

void MainWindow::saveLensAdjustFile() {
    if (LensScreen* screen = lensScreen())
        screen->saveSettingsFile();
}

// Closing the window asks first when values would be lost; a quit already asked (or an interrupt
// from the terminal, which cannot be answered) does not.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_ && !shell_.isQuitting() && hasUnappliedEdits()) {
        event->ignore();
        askToDiscardThenQuit();
        return;
    }
    if (!closing_) {
        closing_ = true;
        disconnect(&shell_, &AppShell::connectedChanged, this, &MainWindow::showContent);
        shell_.requestTermination();
    }
    event->accept();
}

} // namespace lensdock
