#include "ui/lens/LensScreen.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/ProgressPanel.h"
#include "ui/tabs/ChangeList.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/tabs/SettingsTab.h"
#include "ui/UpdateWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace lensdock {

namespace {
FileIO storeOf(const std::optional<QString>& libraryFolder) {
    return libraryFolder ? FileIO(*libraryFolder) : FileIO();
}
} // namespace

LensScreen::LensScreen(AppShell& shell, LensScreenOptions options, QWidget* parent)
    : QWidget(parent), shell_(shell), context_(shell.context()), options_(std::move(options)),
      fileFolder_(options_.settingsFile), asker_(new AlertAsker(this, shell.options().alertPresenter, this)),
      flow_(new LensFlow(
          context_, *asker_,
          LensFlow::Options{storeOf(options_.libraryFolder), options_.progressCloseDelay, &ChangeList::lines},
          this)),
      lensModelCode_(context_.lensInfo().get().modelCode),
      lensSerialCode_(context_.lensInfo().get().serialCode) {
    setObjectName(QStringLiteral("lensScreen"));
    progressPanel_ = new ProgressPanel(this);
    progressPanel_->setObjectName(QStringLiteral("dialogWindow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addWidget(buildIdentity());
    auto* main = new QVBoxLayout;
    main->addWidget(buildTabs(), 1);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName(QStringLiteral("lensNote"));
    noteLabel_->setWordWrap(true);
    noteLabel_->hide();
    main->addWidget(noteLabel_);
    main->addWidget(buildCommands());
    layout->addLayout(main, 1);
    //% "Focus Adjustment"
    tabSwitch_->addTab(qtTrId("tabFocusAdjustment"));
    //% "Focus Limiter"
    tabSwitch_->addTab(qtTrId("tabLimiter"));
    //% "Miscellaneous"
    tabSwitch_->addTab(qtTrId("tabMiscellaneous"));
    connect(tabSwitch_, &QTabBar::currentChanged, this, &LensScreen::changeSegment);
    showFirmwareVersion();
    connectFlow();
    watchForEdits();
}

// The flow goes first: its reports must not reach a screen half torn down.
LensScreen::~LensScreen() {
    delete libraryDialog_; // it works on this lens and its flow
    delete flow_;
    flow_ = nullptr;
}

void LensScreen::connectFlow() {
    connect(flow_, &LensFlow::editsCommitRequested, &shell_, &AppShell::raiseWrite);
    connect(flow_, &LensFlow::settingsReplaced, &shell_, &AppShell::raiseControl);
    connect(flow_, &LensFlow::progressShown, this, &LensScreen::showProgress);
    connect(flow_, &LensFlow::progressClosed, progressPanel_, &QDialog::close);
    connect(flow_, &LensFlow::lensUpdateRequested, this, &LensScreen::openUpdateWindow);
    connect(flow_, &LensFlow::firmwareVersionChanged, this, &LensScreen::showFirmwareVersion);
    connect(
        flow_, &LensFlow::leaveRequested, &shell_, [shell = &shell_] { shell->setConnected(false); },
        Qt::QueuedConnection);
    connect(flow_, &LensFlow::endRequested, &shell_, &AppShell::endProcess);
}

// The flow starts once the screen is on show, so that its first question has a window to sit on.
void LensScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (started_)
        return;
    started_ = true;
    if (editsOffered_)
        QMetaObject::invokeMethod(this, &LensScreen::askToBringBackEdits, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(flow_, &LensFlow::start, Qt::QueuedConnection);
}

// Asked before the flow starts, so that no update offer or command comes in between.
void LensScreen::askToBringBackEdits() {
    const DialogId question =
        dockUnplugged_ ? DialogId::restoreEditsAfterDockConfirm : DialogId::restoreEditsConfirm;
    asker_->ask(question, QString(), [this](DialogResponse answer) {
        if (answer == DialogResponse::yes && editsOffered_) {
            context_.currentAdjustData().set(*editsOffered_);
            shell_.raiseControl();
        }
        editsOffered_.reset();
        flow_->start();
    });
}

// ---- unapplied edits: what the tabs show against what the lens holds ----

void LensScreen::watchForEdits() {
    for (int index = 0; index < tabView_->count(); ++index) {
        auto* tab = static_cast<SettingsTab*>(tabView_->widget(index));
        connect(tab, &SettingsTab::controlsChanged, this, &LensScreen::scheduleModifiedCheck);
    }
    connect(tabView_, &QStackedWidget::currentChanged, this, &LensScreen::scheduleModifiedCheck);
    connect(&shell_, &AppShell::controlChanged, this, &LensScreen::scheduleModifiedCheck);
    connect(flow_, &LensFlow::writeFinished, this, [this](bool written) {
        if (written)
            noteLabel_->hide();
        scheduleModifiedCheck();
    });
    connect(flow_, &LensFlow::settingsReplaced, this, &LensScreen::scheduleModifiedCheck);
    connect(flow_, &LensFlow::heldSettingsChanged, this, &LensScreen::scheduleModifiedCheck);
}

// Showing data moves many controls at once: one check after they all moved.
void LensScreen::scheduleModifiedCheck() {
    if (checkScheduled_)
        return;
    checkScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkScheduled_ = false;
            refreshModified();
        },
        Qt::QueuedConnection);
}

LensAdjustData LensScreen::shownAdjustData() const {
    const auto* tab = static_cast<const SettingsTab*>(tabView_->currentWidget());
    return tab->isObserving() ? tab->shownAdjustData() : context_.currentAdjustData().get();
}

void LensScreen::takeTypedValues() {
    shell_.raiseWrite();
}

// A lens whose settings could not be read has nothing to compare with: then nothing counts as edited.
bool LensScreen::refreshModified() {
    const std::optional<LensAdjustData> held = context_.lensSettings().get();
    const bool modified = held && !shownAdjustData().isSameSettings(*held, context_.lensInfo().get());
    if (modified != modified_) {
        modified_ = modified;
        showModified();
        if (!modified)
            noteLabel_->hide();
        emit modifiedChanged(modified);
    }
    return modified;
}

void LensScreen::showModified() {
    QFont font = applyButton_->font();
    font.setBold(modified_);
    applyButton_->setFont(font);
    applyButton_->setProperty("modified", modified_);
    //% "Some values are not yet written to the lens."
    applyButton_->setToolTip(modified_ ? qtTrId("lensUnappliedTip") : QString());
}

void LensScreen::noteFileLoaded(const QString& path) {
    //% "Loaded “%1”. The values are not written to the lens until you press Apply."
    noteLabel_->setText(qtTrId("lensFileLoadedNote").arg(QFileInfo(path).fileName()));
    noteLabel_->show();
}

void LensScreen::showTab(int index) {
    tabSwitch_->setCurrentIndex(index);
}

void LensScreen::changeSegment(int index) {
    shell_.raiseWrite();
    tabView_->setCurrentIndex(index);
}

void LensScreen::showProgress(DialogViewId id) {
    progressPanel_->setDialogId(id);
    progressPanel_->open();
}

QLabel* LensScreen::firmwareVersionLabel() const {
    return infoPanel_->txtFirmwareVersion();
}

// The rows show the major version; the tooltip tells every digit, so that a minor update shows.
void LensScreen::showFirmwareVersion() {
    const std::pair<QLabel*, QString> rows[] = {
        {firmwareVersionLabel(), context_.lensInfo().get().firmwareVersion},
        {infoPanel_->txtAdapterFirmwareVersion(), context_.adapterBasicInfo().get().fwVersion}};
    for (const auto& [label, version] : rows) {
        label->setText(firmwareVersionText(version));
        //% "Firmware %1"
        label->setToolTip(qtTrId("infoFirmwareFull").arg(version));
    }
}

QString LensScreen::firmwareVersionText(const QString& firmwareVersion) {
    const QString digits = firmwareVersion.left(2);
    bool isNumber = false;
    const int number = digits.toInt(&isNumber, 10);
    //% "Version "
    return qtTrId("infoVersion") + (isNumber ? QString::number(number) : digits);
}

void LensScreen::openUpdateWindow(const LensUpdateRequest& request) {
    auto* window =
        new UpdateWindow(context_, options_.update, storeOf(options_.libraryFolder), this->window());
    window->setLensUpdateInfo(request.mountSuffix, request.modelCode, request.version, request.decodeKey);
    connect(window, &UpdateWindow::updateFinished, flow_, &LensFlow::updateFinished);
    updateWindow_ = window;
    emit updateWindowOpened(window);
    window->show();
}

// ---- files: the dialog is shown again until a file was opened or saved, or the user cancels ----

// Unapplied values would be replaced by the file: that is asked first.
void LensScreen::openSettingsFile() {
    if (!flow_->beginFileCommand())
        return;
    if (!refreshModified()) {
        chooseFileToOpen();
        return;
    }
    asker_->ask(DialogId::openOverEditsConfirm, QString(), [this](DialogResponse answer) {
        if (answer == DialogResponse::yes)
            chooseFileToOpen();
        else
            flow_->endFileCommand();
    });
}

// Quitting closes the alert that brought the dialog back: then the command ends there.
void LensScreen::chooseFileToOpen() {
    const std::optional<QString> choice =
        shell_.isQuitting() ? std::nullopt
                            : options_.fileDialogs.chooseOpen(window(), {fileFolder_.start(), QString()});
    if (!choice) {
        flow_->endFileCommand();
        return;
    }
    fileFolder_.remember(*choice);
    flow_->openFile(*choice, [this, path = *choice](bool opened) {
        if (!opened) {
            chooseFileToOpen();
            return;
        }
        if (refreshModified()) {
            flow_->endFileCommand();
            noteFileLoaded(path);
            return;
        }
        // A file equal to what the lens holds leaves nothing to apply: said once, nothing noted.
        asker_->ask(DialogId::openFileSameAsLens, QFileInfo(path).fileName(),
                    [this](DialogResponse) { flow_->endFileCommand(); });
    });
}

void LensScreen::saveSettingsFile() {
    if (flow_->beginFileCommand())
        chooseFileToSave();
}

void LensScreen::chooseFileToSave() {
    const std::optional<QString> choice =
        shell_.isQuitting() ? std::nullopt : options_.fileDialogs.chooseSave(window(), saveDialogStart());
    if (!choice) {
        flow_->endFileCommand();
        return;
    }
    fileFolder_.remember(*choice);
    flow_->saveFile(*choice, [this](bool saved) {
        if (saved)
            flow_->endFileCommand();
        else
            chooseFileToSave();
    });
}

FileDialogStart LensScreen::saveDialogStart() const {
    return {fileFolder_.start(),
            AdjustFileFolder::proposedName(context_.lensInfo().get().modelCode, QDate::currentDate())};
}

void LensScreen::saveProfile() {
    if (flow_->beginFileCommand())
        chooseProfileName();
}

// As with the file dialogs, the question comes back until a profile was saved or the user cancels.
void LensScreen::chooseProfileName() {
    //% "Save as Profile"
    const QString title = qtTrId("profileSaveTitle");
    const ProfileNameChooser ask =
        options_.askProfileName ? options_.askProfileName : &SettingsLibraryDialog::platformAskName;
    const std::optional<QString> name = shell_.isQuitting() ? std::nullopt : ask(window(), title, QString());
    if (!name) {
        flow_->endFileCommand();
        return;
    }
    flow_->saveProfile(*name, [this](bool saved) {
        if (!saved) {
            chooseProfileName();
            return;
        }
        flow_->endFileCommand();
        if (libraryDialog_)
            libraryDialog_->reload();
    });
}

void LensScreen::showLibrary() {
    if (!libraryDialog_) {
        libraryDialog_ = new SettingsLibraryDialog(*flow_, context_.lensInfo().get(), options_.fileDialogs,
                                                   fileFolder_, options_.askProfileName, window());
        libraryDialog_->setAttribute(Qt::WA_DeleteOnClose);
        if (options_.libraryIsTemporary)
            //% "In the demo, profiles and backups are kept only until the demo ends."
            libraryDialog_->showNote(qtTrId("libraryTemporaryNote"));
    }
    libraryDialog_->show();
    libraryDialog_->raise();
}

// Who the lens is, fixed at construction, and the update button below it.
QWidget* LensScreen::buildIdentity() {
    LensInfoPanel::Identity identity;
    identity.lensImage = shell_.pictures().lensImage.get();
    if (identity.lensImage.isNull())
        identity.lensImage = BuiltInPictures::lensImage();
    identity.lensName = context_.lensModelInfo().get().lensName;
    identity.lensModelName = context_.lensInfo().get().modelCode;
    identity.lensMountName = mountName(context_.adapterBasicInfo().get().mountInfo);
    auto* box = new QWidget(this);
    infoPanel_ = new LensInfoPanel(identity, box);
    //% "Check for Update"
    updateButton_ = makeButton(qtTrId("btnUpdate"), QStringLiteral("btnUpdate"), &LensScreen::checkForUpdate);
    updateButton_->setParent(box);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(infoPanel_);
    layout->addWidget(updateButton_);
    layout->addStretch();
    return box;
}

QPushButton* LensScreen::makeButton(const QString& text, const QString& name, void (LensScreen::*action)()) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

QWidget* LensScreen::buildTabs() {
    auto* box = new QWidget(this);
    tabSwitch_ = new QTabBar(box);
    tabSwitch_->setObjectName(QStringLiteral("segmentTabControl"));
    tabSwitch_->setExpanding(false);
    tabSwitch_->setDrawBase(false);
    tabView_ = new QStackedWidget(box);
    tabView_->setObjectName(QStringLiteral("tabCustomView"));
    tabView_->addWidget(new FocusAdjustmentTab(shell_));
    tabView_->addWidget(new FocusLimiterTab(shell_));
    tabView_->addWidget(new MiscellaneousTab(shell_));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabSwitch_, 0, Qt::AlignHCenter);
    layout->addWidget(tabView_, 1);
    return box;
}

QWidget* LensScreen::buildCommands() {
    auto* box = new QWidget(this);
    //% "Open…"
    openButton_ =
        makeButton(qtTrId("btnCustomLoad"), QStringLiteral("btnOpen"), &LensScreen::openSettingsFile);
    //% "Save As…"
    saveAsButton_ =
        makeButton(qtTrId("btnCustomSave"), QStringLiteral("btnSaveAs"), &LensScreen::saveSettingsFile);
    //% "Restore Factory Settings"
    restoreFactoryButton_ = makeButton(qtTrId("btnFactoryDefault"), QStringLiteral("btnRestoreFactory"),
                                       &LensScreen::restoreFactory);
    //% "Apply"
    applyButton_ = makeButton(qtTrId("btnCustomSet"), QStringLiteral("btnApplySettings"), &LensScreen::apply);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(openButton_);
    layout->addWidget(saveAsButton_);
    layout->addStretch();
    layout->addWidget(restoreFactoryButton_);
    layout->addWidget(applyButton_);
    return box;
}

QString LensScreen::mountName(int mountInfo) {
    switch (mountInfo) {
    case 1:
        //% "Canon"
        return qtTrId("mountName1");
    case 2:
        //% "Nikon"
        return qtTrId("mountName2");
    case 3:
        //% "SONY"
        return qtTrId("mountName3");
    default:
        return QString();
    }
}

} // namespace lensdock
