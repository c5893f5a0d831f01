#pragma once

#include "adjust/AdjustPayload.h"
#include "GuiFixture.h"
#include "ui/AlertCatalogue.h"
#include "ui/lens/LensScreen.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTest>

// The title of the alert `kind`, as the user sees it.
inline QString titleOf(lensdock::DialogId kind) {
    return qtTrId(lensdock::alertRow(kind).titleKey);
}

// The whole program with a lens connected: the dock emulator on a pty, a local download host with
// the catalogues, and the window showing the lens screen, idle. File dialogs answer from a queue of
// paths (an empty queue cancels) and record where they were asked to start, in order.
struct LensFixture : GuiFixture {
    static constexpr int courseBoundMs = 20000;

    QStringList openPaths;
    QStringList savePaths;
    int openDialogs = 0;
    int saveDialogs = 0;
    QList<lensdock::FileDialogStart> starts;
    // What the lens holds when the program starts, when not its factory settings.
    std::optional<lensdock::LensAdjustData> heldAtStart;

    explicit LensFixture(const lensdock::DockProfile& profile = lensdock::DockProfile::zoomLens())
        : GuiFixture(profile) {
        const auto answer = [this](QStringList& paths, int& count) {
            return [this, &paths, &count](QWidget*, const lensdock::FileDialogStart& start) {
                starts << start;
                ++count;
                return paths.isEmpty() ? std::nullopt : std::optional<QString>(paths.takeFirst());
            };
        };
        lensDialogs.open = answer(openPaths, openDialogs);
        lensDialogs.save = answer(savePaths, saveDialogs);
    }
    // The program ends while the dialogs' queues still exist.
    ~LensFixture() { stop(); }

    // Launches with the host serving the catalogues; true once the lens screen is idle.
    bool launchConnected(ModalAnswerer::Chooser chooser = ModalAnswerer::confirm) {
        if (!startDock() || !startHost())
            return false;
        if (heldAtStart)
            dock->setLensSettings(lensdock::AdjustPayload::encode(*heldAtStart, lens()));
        serveCatalogues(QStringLiteral("0100"), dockOptions.profile.lens);
        serveLensCatalogue(QStringLiteral("0100"));
        launch(host.downloadHost(), std::move(chooser));
        return waitIdle();
    }

    // The lens catalogue with another latest firmware version and decode key.
    void serveLensCatalogue(const QString& latestVersion,
                            const QString& decodeKey = QStringLiteral("LENS-KEY")) {
        QByteArray catalogue = lensCatalogue(dockOptions.profile.lens.modelCode);
        catalogue.replace(",0100,", "," + latestVersion.toUtf8() + ",");
        catalogue.replace("LENS-KEY", decodeKey.toUtf8());
        host.put(lensCataloguePath(), catalogue);
    }
    QString lensCataloguePath() const {
        return "zolen/lens/lensinfo_" + dockOptions.profile.lens.modelCode + "E0.xml";
    }

    bool waitIdle() {
        const auto idle = lensdock::ApplicationState::lensConnected;
        return QTest::qWaitFor(
            [&] { return screen() && thread().appState() == idle && thread().appNewState() == idle; },
            courseBoundMs);
    }

    lensdock::LensScreen* screen() const {
        return window ? qobject_cast<lensdock::LensScreen*>(window->content()) : nullptr;
    }
    lensdock::ConnectionThread& thread() const { return context->connectionThread(); }
    lensdock::LensInfo lens() const { return dockOptions.profile.lens; }
    lensdock::LensAdjustData lensHolds() const {
        return *lensdock::AdjustPayload::decode(dock->snapshot().adjustBytes, lens());
    }
    lensdock::LensAdjustData editing() const { return context->currentAdjustData().get(); }
    bool saw(lensdock::DialogId kind) const { return answerer->titles().contains(titleOf(kind)); }

    // The user's hands: buttons, the tab shown or the focus adjustment clicked on the segmented control,
    // radio indicators, keys, and a focus cell typed and ended with Return.
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    template <typename Tab = lensdock::FocusAdjustmentTab> Tab* shown() const {
        return qobject_cast<Tab*>(screen()->tabView()->currentWidget());
    }
    lensdock::FocusAdjustmentTab& tab() const {
        QTabBar* bar = screen()->tabSwitch();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
        return *shown();
    }
    static void tick(QAbstractButton* radio) {
        QStyleOptionButton option;
        option.initFrom(radio);
        QTest::mouseClick(
            radio, Qt::LeftButton, {},
            radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio).center());
    }
    void press(const char* keys) const {
        QApplication::setActiveWindow(window.get());
        QWidget* focus = QApplication::focusWidget();
        QTest::keySequence(focus ? focus : window.get(), QKeySequence(QString::fromLatin1(keys)));
    }
    void type(int row, int column, const QString& text) const {
        QLineEdit* field = tab().textField(row, column);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
};
