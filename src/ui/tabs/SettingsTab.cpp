#include "ui/tabs/SettingsTab.h"

#include "ui/AppShell.h"
#include "ui/LightLook.h"

#include <QShowEvent>

namespace lensdock {

SettingsTab::SettingsTab(AppShell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    LightLook::apply(*this);
}

AppContext& SettingsTab::context() {
    return shell_.context();
}

void SettingsTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the dock is not a new showing: unstored edits stay.
    if (event->spontaneous() || observing_)
        return;
    showAdjustData();
    startObserving();
}

void SettingsTab::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        stopObserving();
}

void SettingsTab::startObserving() {
    writeObservation_ = connect(&shell_, &AppShell::writeChanged, this, [this](bool raised) {
        if (raised)
            storeAdjustData();
    });
    controlObservation_ = connect(&shell_, &AppShell::controlChanged, this, [this](bool raised) {
        if (raised)
            showAdjustData();
    });
    observing_ = true;
}

void SettingsTab::stopObserving() {
    if (!observing_)
        return;
    disconnect(writeObservation_);
    disconnect(controlObservation_);
    observing_ = false;
}

} // namespace lensdock
