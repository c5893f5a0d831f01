#include "ui/MainWindow.h"

#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/ConnectScreen.h"
#include "ui/lens/LensScreen.h"

#include <QCloseEvent>
#include <QGraphicsOpacityEffect>
#include <QMenuBar>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QVariantAnimation>

namespace lensdock {

MainWindow::MainWindow(AppShell& shell, Options options, QWidget* parent)
    : QMainWindow(parent), shell_(shell), options_(std::move(options)) {
    setObjectName(QStringLiteral("mainWindow"));
    //% "Lens Dock Utility"
    setWindowTitle(qtTrId("appName"));
    setWindowIcon(QIcon(QPixmap::fromImage(BuiltInPictures::appIcon(256))));
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
    const MenuTexts& texts = shell_.menuTexts();
    QMenu* file = menuBar()->addMenu(texts.fileItem);
    QAction* open = addAction(file, texts.open, QStringLiteral("menuOpen"));
    open->setShortcut(QKeySequence::Open);
    QAction* saveAs = addAction(file, texts.saveAs, QStringLiteral("menuSaveAs"));
    saveAs->setShortcut(QKeySequence::SaveAs);
    QAction* saveProfile = addAction(file, texts.saveProfile, QStringLiteral("menuSaveProfile"));
    QAction* library = addAction(file, texts.library, QStringLiteral("menuLibrary"));
    QAction* factory = addAction(file, texts.factory, QStringLiteral("menuFactory"));
    file->addSeparator();
    QAction* quit = addAction(file, texts.quit, QStringLiteral("menuQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(open, &QAction::triggered, this, &MainWindow::openLensAdjustFile);
    connect(saveAs, &QAction::triggered, this, &MainWindow::saveLensAdjustFile);
    connect(factory, &QAction::triggered, this, &MainWindow::restoreToFactorySettings);
    connect(saveProfile, &QAction::triggered, this, [this] {
        if (LensScreen* screen = lensScreen())
            screen->saveProfile();
    });
    connect(library, &QAction::triggered, this, [this] {
        if (LensScreen* screen = lensScreen())
            screen->showLibrary();
    });
    connect(quit, &QAction::triggered, &shell_, &AppShell::quit);

    QMenu* view = menuBar()->addMenu(texts.viewItem);
    QAction* adjustment = addAction(view, texts.focusAdjustment, QStringLiteral("menuFocusAdjustment"));
    QAction* limiter = addAction(view, texts.focusLimit, QStringLiteral("menuFocusLimit"));
    QAction* custom = addAction(view, texts.custom, QStringLiteral("menuCustom"));
    connect(adjustment, &QAction::triggered, this, &MainWindow::showFocusAdjustment);
    connect(limiter, &QAction::triggered, this, &MainWindow::showFocusLimiter);
    connect(custom, &QAction::triggered, this, &MainWindow::showMiscellaneous);
    lensActions_ = {open, saveAs, saveProfile, library, factory, adjustment, limiter, custom};

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

    // The lens commands are usable only while a lens is connected and no write is being prepared.
    connect(&shell_, &AppShell::connectedChanged, this, &MainWindow::updateActionStates);
    connect(&shell_, &AppShell::writeChanged, this, &MainWindow::updateActionStates);
    updateActionStates();
}

void MainWindow::updateActionStates() {
    const bool usable = shell_.connected() && !shell_.write();
    for (QAction* action : lensActions_)
        action->setEnabled(usable);
}

void MainWindow::showContent(bool connected) {
    if (closing_)
        return;
    QWidget* next = connected ? static_cast<QWidget*>(new LensScreen(shell_, options_.lens))
                              : static_cast<QWidget*>(new ConnectScreen(shell_, options_.connect));
    replaceContent(next);
}

void MainWindow::replaceContent(QWidget* next) {
    QWidget* previous = content_;
    content_ = next;
    stack_->addWidget(next);
    if (!previous || options_.fadeDuration.count() <= 0) {
        finishSwitch(previous, next);
        return;
    }
    // Keep the top edge; the height changes by the difference of the two screens.
    const int heightChange = next->sizeHint().height() - previous->sizeHint().height();
    auto* fadeOut = new QGraphicsOpacityEffect(previous);
    auto* fadeIn = new QGraphicsOpacityEffect(next);
    fadeIn->setOpacity(0);
    previous->setGraphicsEffect(fadeOut);
    next->setGraphicsEffect(fadeIn);
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
    grow->setStartValue(height());
    grow->setEndValue(std::max(minimumSizeHint().height(), height() + heightChange));
    connect(grow, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { resize(width(), value.toInt()); });
    group->addAnimation(grow);
    connect(group, &QAbstractAnimation::finished, this,
            [this, old = QPointer<QWidget>(previous), fresh = QPointer<QWidget>(next)] {
                finishSwitch(old, fresh);
            });
    group->start(QAbstractAnimation::DeleteWhenStopped);
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

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        disconnect(&shell_, &AppShell::connectedChanged, this, &MainWindow::showContent);
        shell_.requestTermination();
    }
    event->accept();
}

} // namespace lensdock
