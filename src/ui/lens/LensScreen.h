#pragma once

#include "session/LensFlow.h"
#include "ui/AlertAsker.h"
#include "ui/lens/AdjustFileFolder.h"
#include "ui/lens/LensScreenOptions.h"
#include "ui/UpdateWindow.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace lensdock {

class AppContext;
class AppShell;
class LensInfoPanel;
class ProgressPanel;
class UpdateWindow;

// The screen the main window shows while a lens is connected: who the lens is, the three settings
// tabs behind a segmented switch, and five commands (apply, restore factory settings, open, save,
// check for a lens firmware update). It shows what its LensFlow decides and forwards the user's
// commands to it; it never talks to the device. GUI thread only.
class LensScreen : public QWidget {
    Q_OBJECT
public:
    LensScreen(AppShell& shell, LensScreenOptions options, QWidget* parent = nullptr);
    ~LensScreen() override;

    LensFlow& flow() { return *flow_; }
    const LensFlow& flow() const { return *flow_; }

    // The main window's File and View menus.
    void showTab(int index);
    bool acceptsCommands() const { return flow_->acceptsCommands(); }
    void openSettingsFile();
    void saveSettingsFile();
    void restoreFactorySettings() { flow_->restoreFactorySettings(); }
    void applySettings() { flow_->apply(); }
    // Saves the shown settings as a named profile.
    void saveProfile();
    // Shows the lens's profiles and backups (one window, raised when already open).
    void showLibrary();
    SettingsLibraryDialog* libraryDialog() const { return libraryDialog_; }

    // The shown values differ from what the lens was last known to hold.
    bool hasUnappliedEdits() const { return modified_; }
    // Checks now whether they do (the check otherwise follows the controls a moment later).
    bool refreshModified();
    // Stores what the controls show, a value being typed included, as a command would.
    void takeTypedValues();
    // The values the tabs show, the visible tab's controls included.
    LensAdjustData shownAdjustData() const;
    QString lensModelCode() const { return lensModelCode_; }
    QString lensSerialCode() const { return lensSerialCode_; }
    // Edits this lens lost when it went away: before anything else the screen asks whether to show
    // them again.
    void offerEditsBack(const LensAdjustData& edits, bool dockUnplugged) {
        editsOffered_ = edits;
        dockUnplugged_ = dockUnplugged;
    }
    // Says that the values shown came from a file and are not written yet; empty when nothing to say.
    QLabel* noteLabel() const { return noteLabel_; }

    static QString firmwareVersionText(const QString& firmwareVersion);
    static QString mountName(int mountInfo);

    QTabBar* tabSwitch() const { return tabSwitch_; }
    QStackedWidget* tabView() const { return tabView_; }
    LensInfoPanel* infoPanel() const { return infoPanel_; }
    QLabel* firmwareVersionLabel() const;
    QPushButton* applyButton() const { return applyButton_; }
    QPushButton* restoreFactoryButton() const { return restoreFactoryButton_; }
    QPushButton* saveAsButton() const { return saveAsButton_; }
    QPushButton* openButton() const { return openButton_; }
    QPushButton* updateButton() const { return updateButton_; }
    ProgressPanel* progressPanel() const { return progressPanel_; }
    // The lens update window while it is open.
    UpdateWindow* updateWindow() const { return updateWindow_; }

signals:
    void updateWindowOpened(lensdock::UpdateWindow* window);
    void modifiedChanged(bool modified);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildIdentity();
    QWidget* buildCommands();
    QWidget* buildTabs();
    QPushButton* makeButton(const QString& text, const QString& name, void (LensScreen::*action)());
    void connectFlow();
    void watchForEdits();
    void scheduleModifiedCheck();
    void showModified();
    void startFlow();
    void askToBringBackEdits();
    void noteFileLoaded(const QString& path);
    void changeSegment(int index);
    void showFirmwareVersion();
    void showProgress(DialogViewId id);
    void openUpdateWindow(const LensUpdateRequest& request);
    void chooseFileToOpen();
    void chooseFileToSave();
    FileDialogStart saveDialogStart() const;
    void chooseProfileName();
    void apply() { flow_->apply(); }
    void restoreFactory() { flow_->restoreFactorySettings(); }
    void checkForUpdate() { flow_->checkForUpdate(); }

    AppShell& shell_;
    AppContext& context_;
    const LensScreenOptions options_;
    const AdjustFileFolder fileFolder_;
    AlertAsker* asker_;
    LensFlow* flow_;
    bool started_ = false;
    bool modified_ = false;
    bool checkScheduled_ = false;
    const QString lensModelCode_;
    const QString lensSerialCode_;
    std::optional<LensAdjustData> editsOffered_;
    bool dockUnplugged_ = false;
    QLabel* noteLabel_ = nullptr;

    LensInfoPanel* infoPanel_ = nullptr;
    QTabBar* tabSwitch_ = nullptr;
    QStackedWidget* tabView_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* restoreFactoryButton_ = nullptr;
    QPushButton* saveAsButton_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* updateButton_ = nullptr;
    ProgressPanel* progressPanel_ = nullptr;
    QPointer<UpdateWindow> updateWindow_;
    QPointer<SettingsLibraryDialog> libraryDialog_;
};

} // namespace lensdock
