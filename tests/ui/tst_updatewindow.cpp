#include "FirmwarePacker.h"
#include "GuiFixture.h"
#include "LogCapture.h"
#include "ui/ConnectScreen.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::FwErrorCode)

namespace {
constexpr int courseBoundMs = 30000;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString offer = QStringLiteral("Adapter update available");
const QString caution = QStringLiteral("Update the adapter");
const QString complete = QStringLiteral("Update complete");
const QString failed = QStringLiteral("Update failed");

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return data;
}

// Records what the adapter update window showed.
struct WindowWatch {
    QList<int> progress;
    QStringList phases;
    QPointer<UpdateWindow> window;

    void follow(ConnectScreen* screen) {
        QObject::connect(screen, &ConnectScreen::updateWindowOpened, screen, [this](UpdateWindow* opened) {
            window = opened;
            QObject::connect(opened, &UpdateWindow::progressShown, opened, [this, opened](int percent) {
                progress << percent;
                const QString phase = opened->phaseText();
                if (!phase.isEmpty() && (phases.isEmpty() || phases.last() != phase))
                    phases << phase;
            });
        });
    }
};
} // namespace

class TestUpdateWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qRegisterMetaType<FwErrorCode>();
        Translations::install(*qApp, QLocale(QLocale::English));
    }

    void adapterUpdateThroughTheWindow() {
        DockProfile profile = DockProfile::zoomLens();
        profile.adapter.fwVersion = "0102";
        GuiFixture gui(profile);
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0200", profile.lens, "E0", decodeKey);
        const auto packed = FirmwarePacker::pack({{0x01, 0x00, "0200", firmwareData(3000)}}, decodeKey);
        QVERIFY(packed.ok());
        gui.host.put("zolen/adapter/QB117_0200.vfwf", packed.bytes);
        gui.launch(gui.host.downloadHost());
        WindowWatch watch;
        watch.follow(qobject_cast<ConnectScreen*>(gui.window->content()));
        QTRY_VERIFY_WITH_TIMEOUT(gui.countOf(complete) == 1, courseBoundMs);
        QCOMPARE(gui.answerer->titles(), (QStringList{offer, caution, complete}));
        QTRY_VERIFY(watch.window.isNull()); // closed and gone after the result
        QCOMPARE(watch.progress.last(), 100);
        QVERIFY(watch.progress.contains(95)); // sent, before the adapter came back
        QVERIFY(std::is_sorted(watch.progress.begin(), watch.progress.end()));
        QCOMPARE(watch.phases.first(), QStringLiteral("Connecting to the download server…"));
        QCOMPARE(watch.phases.last(), QStringLiteral("Writing the firmware to the device…"));
        QCOMPARE(gui.dock->snapshot().adapter.fwVersion, QStringLiteral("0200"));
        QCOMPARE(gui.leftInStore(), QStringList());
        // The course goes on to the lens.
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), courseBoundMs);
        QCOMPARE(gui.countOf(offer), 1);
    }

    void missingFirmwareEndsAsADecodingError() {
        DockProfile profile = DockProfile::zoomLens();
        profile.adapter.fwVersion = "0102";
        GuiFixture gui(profile);
        QVERIFY(gui.startDock());
        QVERIFY(gui.startHost());
        gui.serveCatalogues("0200", profile.lens, "E0", decodeKey);
        gui.launch(gui.host.downloadHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.countOf(failed) == 1, courseBoundMs);
        QCOMPARE(gui.answerer->seen().last().informativeText,
                 QStringLiteral("The firmware could not be updated.\nThe firmware file is damaged."));
        QCOMPARE(gui.leftInStore(), QStringList());
        QCOMPARE(gui.dock->snapshot().adapter.fwVersion, QStringLiteral("0102"));
        QTRY_VERIFY_WITH_TIMEOUT(gui.shell->connected(), courseBoundMs);
    }

    void unreachableHostEndsWithANetworkError() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        QTemporaryDir store;
        AppOptions options;
        options.downloadHost = *DownloadHost::fromUrl("http://lensdock-test.invalid");
        AppContext context(options);
        UpdateJobTimings timings = GuiFixture::updateTimings();
        timings.connectDelay = std::chrono::milliseconds(200);
        LogCapture log;
        QPointer<UpdateWindow> window = new UpdateWindow(context, timings, FileIO(store.path()));
        window->setAdapterUpdateInfo("0200", decodeKey);
        QSignalSpy results(window.data(), &UpdateWindow::updateFinished);
        window->show();
        QCOMPARE(window->phaseText(), QString());
        window->hide();
        window->show();
        QVERIFY(log.contains("[Update] Updating..."));
        QTRY_VERIFY_WITH_TIMEOUT(results.count() == 1, 5000);
        QCOMPARE(results.first().first().value<FwErrorCode>(), FwErrorCode::errorNetwork);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(results.count(), 1);
        QVERIFY(QDir(store.filePath("Varnet/adapter")).entryList(QDir::Files).isEmpty());
    }

    void windowCannotBeClosedWhileUpdating() {
        GuiFixture gui;
        gui.launchWithoutWindow();
        QTemporaryDir store;
        AppOptions options;
        options.downloadHost = *DownloadHost::fromUrl("http://lensdock-test.invalid");
        AppContext context(options);
        UpdateJobTimings timings = GuiFixture::updateTimings();
        timings.connectDelay = std::chrono::milliseconds(200);
        QPointer<UpdateWindow> window = new UpdateWindow(context, timings, FileIO(store.path()));
        window->setAdapterUpdateInfo("0200", decodeKey);
        QSignalSpy results(window.data(), &UpdateWindow::updateFinished);
        window->show();
        QCOMPARE(window->percentText(), QStringLiteral("0%"));
        window->close();
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QCOMPARE(results.count(), 1);
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
