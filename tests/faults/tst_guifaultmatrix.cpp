// The fault table through the window: the whole program on the offscreen platform against the dock
// emulator, one case each, then the lens screen used again once the dock is healthy. The outcomes
// map onto the alerts the window shows and the screen it ends on.
#include "adjust/AdjustPayload.h"
#include "FaultTable.h"
#include "LensFixture.h"
#include "ReliabilityLog.h"
#include "ui/ConnectScreen.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QStackedWidget>

using namespace lensdock;
using namespace faults;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString applied = QStringLiteral("Settings applied");
const QString applyCaution = QStringLiteral("Apply the settings");
const QString overCurrent = QStringLiteral("Over-current");
const QString updateFailed = QStringLiteral("Update failed");

QString cautionTitle(Operation operation) {
    switch (operation) {
    case Operation::read:
        return {};
    case Operation::apply:
        return applyCaution;
    case Operation::factoryRestore:
        return QStringLiteral("Restore factory settings");
    case Operation::adapterUpdate:
        return QStringLiteral("Update the adapter");
    case Operation::lensUpdate:
        return QStringLiteral("Update the lens");
    }
    return {};
}

const QString putBack = QStringLiteral("Put back your settings?");

QString successTitle(Operation operation) {
    switch (operation) {
    case Operation::read:
        return {};
    case Operation::apply:
        return applied;
    case Operation::factoryRestore:
        return QStringLiteral("Factory settings restored");
    case Operation::adapterUpdate:
    case Operation::lensUpdate:
        return QStringLiteral("Update complete");
    }
    return {};
}

QString failureTitle(Operation operation) {
    switch (operation) {
    case Operation::read:
        return QStringLiteral("Reading the settings failed");
    case Operation::apply:
        return QStringLiteral("Writing the settings failed");
    case Operation::factoryRestore:
        return QStringLiteral("Restoring the factory settings failed");
    case Operation::adapterUpdate:
    case Operation::lensUpdate:
        return updateFailed;
    }
    return {};
}

enum class Ends { lensScreen, connectScreen, programEnded };

struct GuiExpectation {
    QStringList alerts; // after the caution, or from the start when there is none
    Ends ends;
};

// A case whose fault strikes before the operation can start: the connection never reaches the lens.
bool endsBeforeTheOperation(const FaultCase& c) {
    return c.injection.when == Moment::atStart && c.outcome == Outcome::overCurrent;
}

GuiExpectation expectationOf(const FaultCase& c) {
    const QString success = successTitle(c.operation);
    const QStringList failed =
        c.operation == Operation::read ? QStringList() : QStringList{failureTitle(c.operation)};
    switch (c.outcome) {
    case Outcome::succeeds:
        if (c.operation == Operation::lensUpdate) // the settings from before are offered back, and kept off
            return {{success, putBack}, Ends::lensScreen};
        return {success.isEmpty() ? QStringList() : QStringList{success}, Ends::lensScreen};
    case Outcome::noAnswer:
    case Outcome::refused:
        return {{failureTitle(c.operation)}, Ends::lensScreen};
    case Outcome::adapterLost:
        return {failed, Ends::connectScreen};
    case Outcome::lensLost:
        return {{updateFailed}, Ends::connectScreen};
    case Outcome::overCurrent:
        // Found while the program starts, it is an adapter error there: said, and the program ends.
        return {{overCurrent}, endsBeforeTheOperation(c) ? Ends::programEnded : Ends::connectScreen};
    }
    return {};
}

QString placeText(Ends place) {
    switch (place) {
    case Ends::lensScreen:
        return QStringLiteral("lens screen idle");
    case Ends::connectScreen:
        return QStringLiteral("connect screen");
    case Ends::programEnded:
        return QStringLiteral("the program ended");
    }
    return {};
}

QString expectedText(const FaultCase& c) {
    const GuiExpectation expected = expectationOf(c);
    const QString alerts =
        expected.alerts.isEmpty()
            ? QStringLiteral("no alert")
            : QStringLiteral("alert \"%1\"").arg(expected.alerts.join(QStringLiteral("\", \"")));
    return outcomeText(c) + QStringLiteral(": ") + alerts + QStringLiteral(", ") + placeText(expected.ends) +
           QStringLiteral(", usable after replug");
}

FocusAdjustmentTab* focusTab(LensFixture& f) {
    return qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
}

// Catalogues offering an update only to the device the case updates; the firmware is always there.
void serveHost(LensFixture& f, Operation operation) {
    const QString key = QString::fromLatin1(decodeKey);
    f.serveCatalogues(operation == Operation::adapterUpdate ? QStringLiteral("0201") : QStringLiteral("0100"),
                      f.lens(), QStringLiteral("E0"), key);
    f.serveLensCatalogue(operation == Operation::lensUpdate ? QStringLiteral("0200") : QStringLiteral("0100"),
                         key);
    f.host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
               packedFirmware(Device::adapter, QStringLiteral("0201")));
    f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"),
               packedFirmware(Device::lens, QStringLiteral("0200")));
}

} // namespace

class TestGuiFaultMatrix : public QObject {
    Q_OBJECT

    std::optional<ReliabilityRow> row;

    static bool idle(LensFixture& f) {
        return f.screen() && f.thread().appState() == ApplicationState::lensConnected &&
               f.thread().appNewState() == ApplicationState::lensConnected;
    }

    static bool searchingTheAdapter(LensFixture& f) {
        const ApplicationState state = f.thread().appState();
        return state == ApplicationState::searchingAdapter || state == ApplicationState::reconnectingAdapter;
    }

    static std::optional<Ends> placeOf(LensFixture& f) {
        if (f.endCount > 0)
            return Ends::programEnded;
        if (!f.shell->connected() && qobject_cast<ConnectScreen*>(f.window->content()))
            return Ends::connectScreen;
        if (idle(f))
            return Ends::lensScreen;
        return std::nullopt;
    }

    // The dock healthy again, with the lens mounted and the adapter plugged in.
    static void recover(LensFixture& f) {
        f.dock->clearFaults();
        const bool overCurrentWasOn = f.dock->snapshot().overCurrent;
        f.dock->setOverCurrent(false);
        if (overCurrentWasOn && f.endCount == 0) {
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
        if (f.endCount > 0) {
            // The adapter was lost at launch and the program said so and ended: the user starts it again.
            f.window.reset();
            f.shell.reset();
            f.context.reset();
            f.endCount = 0;
            f.launch(f.host.downloadHost());
        }
    }

    // Starts the operation once the program is up; updates are offered by the program itself.
    static void startOperation(LensFixture& f, const FaultCase& c) {
        if (!writes(c.operation) || endsBeforeTheOperation(c))
            return;
        QVERIFY(f.waitIdle());
        if (c.operation == Operation::apply) {
            QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
            f.click(f.screen()->applyButton());
        } else {
            f.click(f.screen()->restoreFactoryButton());
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
        for (int i = 0; i < faultTable().size(); ++i)
            QTest::newRow(qPrintable(caseName(faultTable()[i]))) << i;
    }

    void faultCase() {
        QFETCH(int, index);
        const FaultCase& c = faultTable()[index];
        row = ReliabilityRow{QStringLiteral("GUI"),
                             operationName(c.operation),
                             c.description,
                             expectedText(c),
                             QString(),
                             false};
        LensFixture f;
        QVERIFY(f.startDock());
        LensStates lens{{}, {}, f.dock->snapshot().adjustBytes};
        // The lens holds custom settings, so that a restore or an update changes something.
        if (c.operation != Operation::apply)
            giveTheLensCustomSettings(*f.dock);
        QVERIFY(f.startHost());
        serveHost(f, c.operation);
        if (c.injection.when == Moment::atStart)
            inject(*f.dock, c.injection);

        const QString caution = cautionTitle(c.operation);
        const bool withCaution = !caution.isEmpty() && !endsBeforeTheOperation(c);
        int alertsBefore = withCaution ? -1 : 0;
        lens.before = f.dock->snapshot().adjustBytes;
        f.launch(f.host.downloadHost(), [&](const ModalAnswerer::Seen& seen) {
            if (withCaution && seen.title == caution && alertsBefore < 0) {
                alertsBefore = int(f.answerer->seen().size());
                lens.before = f.dock->snapshot().adjustBytes;
                lens.written = AdjustPayload::encode(f.editing(), f.lens());
                if (c.injection.when == Moment::atConfirmation)
                    inject(*f.dock, c.injection);
            }
            // Declining what the update changed keeps one outcome for both faces: the command-line
            // tool puts the settings back only when asked to.
            return seen.title == putBack ? seen.buttonIds.first() : seen.buttonIds.last();
        });
        startOperation(f, c);
        QTRY_VERIFY_WITH_TIMEOUT(alertsBefore >= 0, boundMs);

        const GuiExpectation expected = expectationOf(c);
        const auto struck = [&] {
            return c.injection.count == untilItGivesUp || f.dock->snapshot().faults.empty();
        };
        const auto ended = [&] {
            // The connect screen is also where the program starts: a lost adapter is being searched for.
            return placeOf(f) == expected.ends &&
                   (c.outcome != Outcome::adapterLost || expected.ends != Ends::connectScreen ||
                    searchingTheAdapter(f));
        };
        // Observed first, so that the table shows what happened even when a check below fails.
        (void)QTest::qWaitFor(
            [&] {
                return struck() && ended() &&
                       f.answerer->titles().mid(alertsBefore).size() >= expected.alerts.size();
            },
            boundMs);
        QTest::qWait(100); // a second alert would come now
        const QStringList after = f.answerer->titles().mid(alertsBefore);
        row->observed =
            (after.isEmpty() ? QStringLiteral("no alert")
                             : QStringLiteral("alerts: \"%1\"").arg(after.join(QStringLiteral("\", \"")))) +
            QStringLiteral(", ") +
            (placeOf(f) ? placeText(*placeOf(f)) : QStringLiteral("neither idle nor at the connect screen"));
        const QByteArray lensAfter = f.dock->snapshot().adjustBytes;
        QVERIFY2(struck(), "the fault never struck");
        QVERIFY(ended());
        QCOMPARE(after, expected.alerts);
        if (everyBlockSentBeforeTheLoss(c))
            QVERIFY2(f.answerer->seen().last().informativeText.contains(
                         QStringLiteral("did not come back with the new version")),
                     qPrintable(f.answerer->seen().last().informativeText));
        QCOMPARE(lensAfter, expectedLens(c, lens));
        if (c.operation == Operation::apply && c.outcome != Outcome::succeeds &&
            expected.ends == Ends::lensScreen)
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
