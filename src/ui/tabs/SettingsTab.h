#pragma once

#include "adjust/LensAdjustData.h"

#include <QMetaObject>
#include <QWidget>

namespace lensdock {

class AppContext;
class AppShell;

// What the three settings tabs share: from the moment a tab is shown until it is hidden it follows
// the shell's flags, storing its controls into the current adjust data when `write` is raised and
// showing that data again when `control` is raised. Every showing starts from the data afresh. A tab
// keeps the application's light look under a dark desktop theme.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit SettingsTab(AppShell& shell, QWidget* parent = nullptr);

    // Shows the current adjust data in the controls.
    virtual void showAdjustData() = 0;
    // Stores the controls into the current adjust data, then corrects it.
    virtual void storeAdjustData() = 0;
    // The current adjust data as the controls show it, corrected; nothing is stored.
    LensAdjustData shownAdjustData() const;

    bool isObserving() const { return observing_; }

signals:
    // A control's value changed, by the user or by showing data.
    void controlsChanged();

protected:
    // Puts the values of the controls into `data`, uncorrected.
    virtual void copyControls(LensAdjustData& data) const = 0;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    AppShell& shell() { return shell_; }
    AppContext& context() const;

private:
    void startObserving();
    void stopObserving();
    void reportControlChanges();

    AppShell& shell_;
    bool observing_ = false;
    bool reporting_ = false;
    QMetaObject::Connection writeObservation_;
    QMetaObject::Connection controlObservation_;
};

} // namespace lensdock
