#include "DemoMenu.h"

#include "DockEmulator.h"
#include "ui/MainWindow.h"

#include <QMenuBar>

namespace lensdock {

DemoMenu::DemoMenu(DockEmulator& dock, QWidget* parent) : QMenu(parent), dock_(dock) {
    //% "&Demo"
    setTitle(qtTrId("menuDemo"));
    setObjectName(QStringLiteral("menuDemo"));
    //% "&Mount the Lens"
    mount_ = addDockAction(qtTrId("demoMountLens"), QStringLiteral("demoMountLens"), &DemoMenu::mountLens);
    //% "&Remove the Lens"
    unmount_ =
        addDockAction(qtTrId("demoUnmountLens"), QStringLiteral("demoUnmountLens"), &DemoMenu::unmountLens);
    addSeparator();
    //% "&Unplug the Dock"
    unplug_ = addDockAction(qtTrId("demoUnplugAdapter"), QStringLiteral("demoUnplugAdapter"),
                            &DemoMenu::unplugAdapter);
    //% "&Plug the Dock In"
    replug_ = addDockAction(qtTrId("demoReplugAdapter"), QStringLiteral("demoReplugAdapter"),
                            &DemoMenu::replugAdapter);
    connect(this, &QMenu::aboutToShow, this, &DemoMenu::updateActionStates);
    updateActionStates();
}

DemoMenu* DemoMenu::install(MainWindow& window, DockEmulator& dock) {
    //% "Lens Dock Utility (demo)"
    window.setWindowTitle(qtTrId("demoAppName") + QStringLiteral("[*]"));
    QMenuBar* bar = window.menuBar();
    auto* menu = new DemoMenu(dock, bar);
    const QList<QAction*> menus = bar->actions();
    bar->insertMenu(menus.isEmpty() ? nullptr : menus.last(), menu); // the last one is Help
    return menu;
}

QAction* DemoMenu::addDockAction(const QString& text, const QString& name, void (DemoMenu::*handler)()) {
    QAction* action = addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler] {
        (this->*handler)();
        updateActionStates();
    });
    return action;
}

void DemoMenu::mountLens() {
    dock_.mountLens();
}

void DemoMenu::unmountLens() {
    dock_.unmountLens();
}

void DemoMenu::unplugAdapter() {
    dock_.unplug();
    unplugged_ = true;
}

void DemoMenu::replugAdapter() {
    dock_.replug();
    unplugged_ = false;
}

void DemoMenu::updateActionStates() {
    const bool mounted = dock_.snapshot().lensMounted;
    mount_->setEnabled(!mounted);
    unmount_->setEnabled(mounted);
    unplug_->setEnabled(!unplugged_);
    replug_->setEnabled(unplugged_);
}

} // namespace lensdock
