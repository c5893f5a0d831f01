// The fault matrix through the screens: the whole program on the offscreen platform against the dock
// emulator, one fault per case, then the lens screen used again once the dock is healthy.
#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "ReliabilityLog.h"
#include "ui/ConnectScreen.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QStackedWidget>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
constexpr int everyAttempt = 4; // a request and its three resends
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");
const QString readFailed = QStringLiteral("Reading the settings failed");
const QString applyCaution = QStringLiteral("Apply the settings");
const QString applied = QStringLiteral("Settings applied");
const QString applyFailed = QStringLiteral("Writing the settings failed");
const QString restoreCaution = QStringLiteral("Restore factory settings");
const QString restoreFailed = QStringLiteral("Restoring the factory settings failed");
const QString restored = QStringLiteral("Factory settings restored");
const QString lensOffer = QStringLiteral("Lens update available");
const QString lensCaution = QStringLiteral("Update the lens");
const QString updated = QStringLiteral("Update complete");
const QString updateFailed = QStringLiteral("Update failed");
const QString overCurrent = QStringLiteral("Over-current");

enum class Operation { readAtConnect, apply, factoryRestore, lensUpdate };
enum class Ends { lensScreen, connectScreen };

struct GuiCase {
    Operation operation;
    QString description;
    QString fault; // a FaultPlan name, "overcurrent" or "unplug"
    int count;
    int scope;          // function number the fault is limited to; -1 = every reply
    QStringList alerts; // what the fault brings: one alert, or none
    Ends ends;
    bool lensUnchanged; // the lens still holds what it held before
};

QString operationName(Operation operation) {
    switch (operation) {
    case Operation::readAtConnect:
        return QStringLiteral("read at connect");
    case Operation::apply:
        return QStringLiteral("apply settings");
    case Operation::factoryRestore:
        return QStringLiteral("factory restore");
    case Operation::lensUpdate:
        return QStringLiteral("lens firmware update");
    }
    return {};
}

QString caution(Operation operation) {
    switch (operation) {
    case Operation::apply:
        return applyCaution;
    case Operation::factoryRestore:
        return restoreCaution;
    case Operation::lensUpdate:
        return lensCaution;
    default:
        return {};
    }
}

const QList<GuiCase>& matrix() {
    static const QList<GuiCase> cases{
        {Operation::readAtConnect, QStringLiteral("one lost reply"), QStringLiteral("drop-reply"), 1,
         FunctionNumber::getAdjData, QStringList(), Ends::lensScreen, true},
        {Operation::readAtConnect, QStringLiteral("every reply lost"), QStringLiteral("drop-reply"),
         everyAttempt, FunctionNumber::getAdjData, QStringList{readFailed}, Ends::lensScreen, true},
        {Operation::readAtConnect, QStringLiteral("CRC error on every attempt"), QStringLiteral("crc-low"),
         everyAttempt, FunctionNumber::getAdjData, QStringList{readFailed}, Ends::lensScreen, true},
        // The adapter's lens check is not answered while the adapter reports over-current: the program
        // keeps waiting for a lens, as the connection course has it.
        {Operation::readAtConnect, QStringLiteral("over-current when the lens is mounted"),
         QStringLiteral("overcurrent"), 1, -1, QStringList(), Ends::connectScreen, true},
        {Operation::apply, QStringLiteral("one CRC error"), QStringLiteral("crc-high"), 1,
         FunctionNumber::setAdjData, QStringList{applied}, Ends::lensScreen, false},
        {Operation::apply, QStringLiteral("error frame on every attempt"), QStringLiteral("error-frame"),
         everyAttempt, FunctionNumber::setAdjData, QStringList{applyFailed}, Ends::lensScreen, true},
        // The lens took the settings though none of its answers arrived: the read that follows tells.
        {Operation::apply, QStringLiteral("CRC error on every attempt"), QStringLiteral("crc-low"),
         everyAttempt, FunctionNumber::setAdjData, QStringList{applied}, Ends::lensScreen, false},
        {Operation::apply, QStringLiteral("every reply lost"), QStringLiteral("drop-reply"), everyAttempt,
         FunctionNumber::setAdjData, QStringList{applied}, Ends::lensScreen, false},
        {Operation::apply, QStringLiteral("unplug at the write"), QStringLiteral("unplug-on-request"), 1,
         FunctionNumber::setAdjData, QStringList{applyFailed}, Ends::connectScreen, true},
        {Operation::apply, QStringLiteral("over-current at the write"), QStringLiteral("overcurrent"), 1, -1,
         QStringList{overCurrent}, Ends::connectScreen, true},
        {Operation::factoryRestore, QStringLiteral("every reply lost"), QStringLiteral("drop-reply"),
         everyAttempt, FunctionNumber::setAdjData, QStringList{restored}, Ends::lensScreen, false},
        {Operation::factoryRestore, QStringLiteral("unplug at the write"),
         QStringLiteral("unplug-on-request"), 1, FunctionNumber::setAdjData, QStringList{restoreFailed},
         Ends::connectScreen, true},
        {Operation::lensUpdate, QStringLiteral("one NAKed block"), QStringLiteral("nak-block"), 1, -1,
         QStringList{updated}, Ends::lensScreen, true},
        {Operation::lensUpdate, QStringLiteral("cancelled (CAN) block"), QStringLiteral("can-block"), 1, -1,
         QStringList{updateFailed}, Ends::lensScreen, true},
        {Operation::lensUpdate, QStringLiteral("every block NAKed"), QStringLiteral("nak-block"), 100, -1,
         QStringList{updateFailed}, Ends::lensScreen, true},
        {Operation::lensUpdate, QStringLiteral("every reply lost"), QStringLiteral("drop-reply"), 100,
         FunctionNumber::updateFirmware, QStringList{updateFailed}, Ends::lensScreen, true},
        {Operation::lensUpdate, QStringLiteral("unplug after the first block"),
         QStringLiteral("unplug-after-block"), 1, -1, QStringList{updateFailed}, Ends::connectScreen, true},
    };
    return cases;
}

QString expectedText(const GuiCase& c) {
    QString text = c.alerts.isEmpty()
                       ? QStringLiteral("no alert")
                       : QStringLiteral("alert(s) \"%1\"").arg(c.alerts.join(QStringLiteral("\", \"")));
    text += c.ends == Ends::lensScreen ? QStringLiteral(", lens screen idle")
                                       : QStringLiteral(", connect screen");
    if (c.operation == Operation::apply || c.operation == Operation::factoryRestore)
        text += c.lensUnchanged ? QStringLiteral(", lens settings unchanged") : QString();
    return text + QStringLiteral(", usable after replug");
}

void inject(DockEmulator& dock, const GuiCase& c) {
    if (c.fault == QStringLiteral("overcurrent"))
        return dock.setOverCurrent(true);
    if (c.scope >= 0)
        dock.setFaultScope(std::uint8_t(c.scope));
    dock.armFault(*FaultPlan::kindFromName(c.fault), c.count);
}

FocusAdjustmentTab* focusTab(LensFixture& f) {
    return qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
}

QByteArray firmwareData(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 5 + 1) & 0xFF);
    return data;
}

// The lens takes a fresh firmware the host offers; everything else as for the lens screen.
bool launchOfferingAnUpdate(LensFixture& f, ModalAnswerer::Chooser chooser) {
    if (!f.startDock() || !f.startHost())
        return false;
    f.serveCatalogues(QStringLiteral("0100"), f.lens());
    f.serveLensCatalogue(QStringLiteral("0200"), decodeKey);
    const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", firmwareData(4000)}}, decodeKey);
    f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed.bytes);
    f.launch(f.host.downloadHost(), std::move(chooser));
    return true;
}
} // namespace

class TestGuiFaultMatrix : public QObject {
    Q_OBJECT

    std::optional<ReliabilityRow> row;

    static bool idle(LensFixture& f) {
        return f.screen() && f.thread().appState() == ApplicationState::lensConnected &&
               f.thread().appNewState() == ApplicationState::lensConnected;
    }

    static bool atConnectScreen(LensFixture& f) {
        return !f.shell->connected() && qobject_cast<ConnectScreen*>(f.window->content());
    }

    // Launches and, for the commands, starts the operation; the fault goes in at the caution.
    static bool startCase(LensFixture& f, const GuiCase& c, ModalAnswerer::Chooser chooser) {
        if (c.operation == Operation::lensUpdate)
            return launchOfferingAnUpdate(f, std::move(chooser));
        if (c.operation == Operation::readAtConnect) {
            const bool atMount = c.fault == QStringLiteral("overcurrent");
            f.dockOptions.lensMounted = !atMount;
            if (!f.startDock())
                return false;
            if (!atMount)
                inject(*f.dock, c);
            if (!f.startHost())
                return false;
            f.serveCatalogues(QStringLiteral("0100"), f.lens());
            f.launch(f.host.downloadHost(), std::move(chooser));
            if (atMount) {
                // The adapter identified, the program waits for a lens: it comes with over-current.
                if (!QTest::qWaitFor(
                        [&f] { return f.thread().appState() == ApplicationState::waitingForLens; }, boundMs))
                    return false;
                inject(*f.dock, c);
                f.dock->mountLens();
            }
            return true;
        }
        if (!f.launchConnected(std::move(chooser)))
            return false;
        QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
        f.click(c.operation == Operation::apply ? f.screen()->applyButton()
                                                : f.screen()->restoreFactoryButton());
        return true;
    }

    // The dock healthy again, with the lens mounted and the adapter plugged in.
    static void recover(LensFixture& f) {
        f.dock->clearFaults();
        const bool overCurrentWasOn = f.dock->snapshot().overCurrent;
        f.dock->setOverCurrent(false);
        if (overCurrentWasOn) {
            // A lens refused for over-current is taken back only after it has been taken off.
            f.dock->unmountLens();
            QVERIFY(QTest::qWaitFor([&f] { return !f.thread().awaitLensRemoval(); }, boundMs));
        }
        f.dock->mountLens();
        if (!f.dock->snapshot().plugged) {
            const int plugs = f.dock->snapshot().plugCount;
            f.dock->replug();
            QVERIFY(f.dock->waitForPlugCount(plugs + 1, std::chrono::milliseconds(boundMs)));
        }
    }

private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void cleanup() {
        if (!row)
            return;
        row->passed = !QTest::currentTestFailed();
        ReliabilityLog::append(*row);
        row.reset();
    }

    void faultCase_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < matrix().size(); ++i)
            QTest::newRow(qPrintable(operationName(matrix()[i].operation) + QStringLiteral(" / ") +
                                     matrix()[i].description))
                << i;
    }

    void faultCase() {
        QFETCH(int, index);
        const GuiCase& c = matrix()[index];
        row = ReliabilityRow{QStringLiteral("GUI"),
                             operationName(c.operation),
                             c.description,
                             expectedText(c),
                             QString(),
                             false};
        LensFixture f;
        int alertsBefore = -1;
        const QString trigger = caution(c.operation);
        QByteArray lensBefore;
        QVERIFY(startCase(f, c, [&](const ModalAnswerer::Seen& seen) {
            if (!trigger.isEmpty() && seen.title == trigger && alertsBefore < 0) {
                alertsBefore = int(f.answerer->seen().size());
                lensBefore = f.dock->snapshot().adjustBytes;
                inject(*f.dock, c);
            }
            return seen.buttonIds.last();
        }));
        if (c.operation == Operation::readAtConnect) {
            alertsBefore = 0;
            lensBefore = f.dock->snapshot().adjustBytes;
        }
        QTRY_VERIFY_WITH_TIMEOUT(alertsBefore >= 0, boundMs);
        const auto ended = [&] { return c.ends == Ends::connectScreen ? atConnectScreen(f) : idle(f); };
        // Observed first, so that the table shows what happened even when a check below fails.
        QTest::qWaitFor(
            [&] { return ended() && f.answerer->titles().mid(alertsBefore).size() >= c.alerts.size(); },
            boundMs);
        QTest::qWait(100); // a second alert would come now
        const QStringList after = f.answerer->titles().mid(alertsBefore);
        row->observed =
            (after.isEmpty() ? QStringLiteral("no alert")
                             : QStringLiteral("alerts: \"%1\"").arg(after.join(QStringLiteral("\", \"")))) +
            (atConnectScreen(f) ? QStringLiteral(", connect screen")
             : idle(f)          ? QStringLiteral(", lens screen idle")
                                : QStringLiteral(", neither idle nor at the connect screen"));
        QVERIFY(ended());
        QCOMPARE(after, c.alerts);
        if (c.lensUnchanged)
            QCOMPARE(f.dock->snapshot().adjustBytes, lensBefore);
        if (c.operation == Operation::apply && c.alerts != QStringList{applied} && c.ends == Ends::lensScreen)
            QCOMPARE(f.editing().focusZoomClose[0], 1); // the edits stay
        QCOMPARE(f.leftInStore(), QStringList());

        recover(f);
        QVERIFY(f.waitIdle());
        const int alertsNow = int(f.answerer->seen().size());
        QTest::keyClick(focusTab(f)->slider(1, 0), Qt::Key_Right);
        f.click(f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().mid(alertsNow), (QStringList{applyCaution, applied}),
                                  boundMs);
        row->observed += QStringLiteral("; after replug: \"%1\"").arg(applied);
    }
};

QTEST_MAIN(TestGuiFaultMatrix)
#include "tst_guifaultmatrix.moc"
