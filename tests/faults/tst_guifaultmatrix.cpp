// The fault table through the window: the whole program on the offscreen platform against the dock
// emulator, one case each, then the lens screen used again once the dock is healthy. The outcomes
// map onto the alerts the window shows and the screen it ends on.
#include "adjust/AdjustPayload.h"
#include "FaultTable.h"
#include "LensFixture.h"
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
const QString putBack = QStringLiteral("Put back your settings?");

// The titles of each operation's caution, success and failure alerts (a read has neither of the first two).
struct Titles {
    QString caution, success, failure;
};
Titles titlesOf(Operation operation) {
    const Titles titles[] = {{{}, {}, QStringLiteral("Reading the settings failed")},
                             {applyCaution, applied, QStringLiteral("Writing the settings failed")},
                             {QStringLiteral("Restore factory settings"),
                              QStringLiteral("Factory settings restored"),
                              QStringLiteral("Restoring the factory settings failed")},
                             {QStringLiteral("Update the dock"), QStringLiteral("Update complete"),
                              QStringLiteral("Update failed")},
                             {QStringLiteral("Update the lens"), QStringLiteral("Update complete"),
                              QStringLiteral("Update failed")}};
    return titles[int(operation)];
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
    const Titles t = titlesOf(c.operation);
    const QStringList failed = c.operation == Operation::read ? QStringList() : QStringList{t.failure};
    switch (c.outcome) {
    case Outcome::succeeds: // after a lens update the settings from before are offered back, and kept off
        if (c.operation == Operation::lensUpdate)
            return {{t.success, putBack}, Ends::lensScreen};
        return {t.success.isEmpty() ? QStringList() : QStringList{t.success}, Ends::lensScreen};
    case Outcome::noAnswer:
    case Outcome::refused:
        return {{t.failure}, Ends::lensScreen};
    case Outcome::adapterLost:
    case Outcome::lensLost:
        return {failed, Ends::connectScreen};
    case Outcome::overCurrent:
        // Found while the program starts, it is an adapter error there: said, and the program ends.
        return {{QStringLiteral("Over-current")},
                endsBeforeTheOperation(c) ? Ends::programEnded : Ends::connectScreen};
    }
    return {};
}

QString placeText(Ends place) {
    const char* places[] = {"lens screen idle", "connect screen", "the program ended"};
    return QLatin1String(places[int(place)]);
}

QString alertsText(const QStringList& titles, const char* label) {
    return titles.isEmpty() ? QStringLiteral("no alert")
                            : QStringLiteral("%1 \"%2\"").arg(QLatin1String(label), titles.join("\", \""));
}

QString expectedText(const FaultCase& c) {
    const GuiExpectation expected = expectationOf(c);
    return QStringLiteral("%1: %2, %3, usable after replug")
        .arg(outcomeText(c), alertsText(expected.alerts, "alert"), placeText(expected.ends));
}

FocusAdjustmentTab* focusTab(LensFixture& f) {
    return qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
}

// Catalogues offering an update only to the device the case updates; the firmware is always there.
void serveHost(LensFixture& f, Operation operation) {
    const QString key = QString::fromLatin1(decodeKey);
    f.serveCatalogues(operation == Operation::adapterUpdate ? "0201" : "0100", f.lens(), "E0", key);
    f.serveLensCatalogue(operation == Operation::lensUpdate ? "0200" : "0100", key);
    f.host.put("zolen/adapter/QB117_0201.vfwf", packedFirmware(Device::adapter, "0201"));
    f.host.put("zolen/lens/A036E0_0200.vfwf", packedFirmware(Device::lens, "0200"));
}

} // namespace

class TestGuiFaultMatrix : public QObject {
    Q_OBJECT

    CaseLog log;

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
        const bool overCurrentWasOn = f.dock->snapshot().overCurrent;
        f.dock->clearFaults();
        f.dock->setOverCurrent(false);
        if (overCurrentWasOn && f.endCount == 0) {
            // A lens refused for over-current is taken back only after it has been taken off.
            f.dock->unmountLens();
            QVERIFY(QTest::qWaitFor([&f] { return !f.thread().awaitLensRemoval(); }, boundMs));
        }
        QVERIFY(heal(*f.dock, std::chrono::milliseconds(boundMs)));
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

    void cleanup() { log.end(); }
    void faultCase_data() { addCaseRows(); }

    void faultCase() {
        QFETCH(int, index);
        const FaultCase& c = faultTable()[index];
        log.begin(QStringLiteral("GUI"), c, expectedText(c));
        LensFixture f;
        QVERIFY(f.startDock());
        LensStates lens{{}, {}, prepareLens(*f.dock, c)};
        QVERIFY(f.startHost());
        serveHost(f, c.operation);
        if (c.injection.when == Moment::atStart)
            inject(*f.dock, c.injection);

        const QString caution = titlesOf(c.operation).caution;
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
        const auto ended = [&] {
            // The connect screen is also where the program starts: a lost adapter is being searched for.
            return placeOf(f) == expected.ends &&
                   (c.outcome != Outcome::adapterLost || expected.ends != Ends::connectScreen ||
                    searchingTheAdapter(f));
        };
        // Observed first, so that the table shows what happened even when a check below fails.
        (void)QTest::qWaitFor(
            [&] {
                return struck(c, f.dock->snapshot()) && ended() &&
                       f.answerer->titles().mid(alertsBefore).size() >= expected.alerts.size();
            },
            boundMs);
        QTest::qWait(100); // a second alert would come now
        const QStringList after = f.answerer->titles().mid(alertsBefore);
        log.observed = alertsText(after, "alerts:") + ", " +
                       (placeOf(f) ? placeText(*placeOf(f)) : "neither idle nor at the connect screen");
        const QByteArray lensAfter = f.dock->snapshot().adjustBytes;
        QVERIFY2(struck(c, f.dock->snapshot()), "the fault never struck");
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
        log.observed += QStringLiteral("; after replug: \"%1\"").arg(applied);
    }
};

QTEST_MAIN(TestGuiFaultMatrix)
#include "tst_guifaultmatrix.moc"
