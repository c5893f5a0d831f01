#pragma once

#include <QMenu>

namespace lensdock {

class DockEmulator;
class MainWindow;

// The Demo menu: does to the emulated dock what a user does to a real one (mount or remove the lens,
// unplug the dock or plug it back in), so the program's reactions can be tried without hardware.
class DemoMenu : public QMenu {
    Q_OBJECT
public:
    DemoMenu(DockEmulator& dock, QWidget* parent = nullptr);

    // Names `window` as the demo and adds the menu before its Help menu.
    static DemoMenu* install(MainWindow& window, DockEmulator& dock);

private:
    QAction* addDockAction(const QString& text, const QString& name, void (DemoMenu::*handler)());
    void mountLens();
    void unmountLens();
    void unplugAdapter();
    void replugAdapter();
    // Offers only what can be done now.
    void updateActionStates();

    DockEmulator& dock_;
    QAction* mount_;
    QAction* unmount_;
    QAction* unplug_;
    QAction* replug_;
    // Unplugged from this menu (a reset also takes the adapter away for a moment; that is not this).
    bool unplugged_ = false;
};

} // namespace lensdock
