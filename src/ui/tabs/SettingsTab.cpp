#include "ui/tabs/SettingsTab.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/LightLook.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QShowEvent>

namespace lensdock {

SettingsTab::SettingsTab(AppShell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    LightLook::apply(*this);
}

AppContext& SettingsTab::context() const {
    return shell_.context();
}

LensAdjustData SettingsTab::shownAdjustData() const {
    LensAdjustData data = context().currentAdjustData().get();
    copyControls(data);
    data.correctSettings(context().lensInfo().get());
    return data;
}

// Every value control of the tab, whatever kind: the screen needs to know when the shown values may
// have moved away from what the lens holds.
void SettingsTab::reportControlChanges() {
    if (reporting_)
        return;
    reporting_ = true;
    for (QAbstractSlider* slider : findChildren<QAbstractSlider*>())
        connect(slider, &QAbstractSlider::valueChanged, this, &SettingsTab::controlsChanged);
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::toggled, this, &SettingsTab::controlsChanged);
}

void SettingsTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the dock is not a new showing: unstored edits stay.
    if (event->spontaneous() || observing_)
        return;
    reportControlChanges();
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
