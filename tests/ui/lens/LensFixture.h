#pragma once

#include "adjust/AdjustPayload.h"
#include "GuiFixture.h"
#include "ui/lens/LensScreen.h"

#include <QPushButton>
#include <QStringList>
#include <QTest>

// The whole program with a lens connected: the dock emulator on a pty, a local download host with
// the catalogues, and the window showing the lens screen, idle. File dialogs answer from a queue of
// paths (an empty queue cancels); alerts are answered by the fixture's answerer.
struct LensFixture : GuiFixture {
    static constexpr int courseBoundMs = 20000;

    QStringList openPaths;
    QStringList savePaths;
    int openDialogs = 0;
    int saveDialogs = 0;
    // Where each dialog was asked to start, in order.
    QList<lensdock::FileDialogStart> openStarts;
    QList<lensdock::FileDialogStart> saveStarts;

    explicit LensFixture(const lensdock::DockProfile& profile = lensdock::DockProfile::zoomLens())
        : GuiFixture(profile) {
        lensDialogs.open = [this](QWidget*, const lensdock::FileDialogStart& start) {
            openStarts << start;
            return next(openPaths, openDialogs);
        };
        lensDialogs.save = [this](QWidget*, const lensdock::FileDialogStart& start) {
            saveStarts << start;
            return next(savePaths, saveDialogs);
        };
    }
    // The program ends while the dialogs' queues still exist.
    ~LensFixture() { stop(); }

    // Launches with the host serving the catalogues; true once the lens screen is idle.
    bool launchConnected(ModalAnswerer::Chooser chooser = ModalAnswerer::confirm,
                         const QString& lensCatalogueVersion = QStringLiteral("0100")) {
        if (!startDock() || !startHost())
            return false;
        serveCatalogues(QStringLiteral("0100"), dockOptions.profile.lens);
        serveLensCatalogue(lensCatalogueVersion);
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
        return QTest::qWaitFor(
            [this] {
                return screen() && thread().appState() == lensdock::ApplicationState::lensConnected &&
                       thread().appNewState() == lensdock::ApplicationState::lensConnected;
            },
            courseBoundMs);
    }

    lensdock::LensScreen* screen() const {
        return window ? qobject_cast<lensdock::LensScreen*>(window->content()) : nullptr;
    }
    lensdock::ConnectionThread& thread() const { return context->connectionThread(); }
    lensdock::LensInfo lens() const { return dockOptions.profile.lens; }

    // The settings the emulated lens holds.
    lensdock::LensAdjustData lensHolds() const {
        return *lensdock::AdjustPayload::decode(dock->snapshot().adjustBytes, lens());
    }
    lensdock::LensAdjustData editing() const { return context->currentAdjustData().get(); }

    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

private:
    static std::optional<QString> next(QStringList& paths, int& count) {
        ++count;
        if (paths.isEmpty())
            return std::nullopt;
        return paths.takeFirst();
    }
};
