// lensdock-cli's settings library against the dock emulator: the backup made before every write,
// restoring one, and named profiles.
#include "adjust/AdjustPayload.h"
#include "CliDock.h"
#include "CliProcess.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int exitOk = 0;
constexpr int exitUsage = 2;
constexpr int exitFile = 7;

QStringList offline() {
    return {QStringLiteral("--download-url"), QStringLiteral("http://127.0.0.1:9")};
}

LensAdjustData settingsWith(int close0) {
    LensAdjustData data;
    data.focusZoomClose[0] = close0;
    data.vcMode = 2;
    return data;
}
} // namespace

class TestCliLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome;

    CliResult run(const CliDock& dock, const QStringList& arguments) {
        CliProcess cli(dataHome.path());
        return cli.run(dock.port() + offline() + QStringList{QStringLiteral("--yes")} + arguments);
    }
    static void setLens(CliDock& dock, const LensAdjustData& data) {
        dock.emulator->setLensSettings(AdjustPayload::encode(data, dock.options.profile.lens));
    }
    static bool lensHolds(const CliDock& dock, const LensAdjustData& data) {
        const LensInfo& lens = dock.options.profile.lens;
        const auto held = AdjustPayload::decode(dock.emulator->snapshot().adjustBytes, lens);
        return held && held->isSameSettings(data, lens);
    }

private slots:
    void aRestoreBringsBackWhatTheResetReplaced() {
        CliDock dock;
        QVERIFY(dock.start());
        setLens(dock, settingsWith(5));
        const CliResult reset = run(dock, {QStringLiteral("--json"), QStringLiteral("factory-reset")});
        QCOMPARE(reset.exitCode, exitOk);
        const QString backup = reset.json().value(QStringLiteral("backup")).toString();
        QVERIFY(QFileInfo(backup).isFile());
        QVERIFY(!lensHolds(dock, settingsWith(5)));

        const CliResult listed = run(dock, {QStringLiteral("--json"), QStringLiteral("backups")});
        QCOMPARE(listed.exitCode, exitOk);
        const QJsonArray backups = listed.json().value(QStringLiteral("backups")).toArray();
        QCOMPARE(backups.size(), 1);
        QCOMPARE(backups.first()[QStringLiteral("reason")].toString(), QStringLiteral("factory"));
        QCOMPARE(backups.first()[QStringLiteral("path")].toString(), backup);

        const CliResult restored = run(dock, {QStringLiteral("restore"), QFileInfo(backup).fileName()});
        QVERIFY2(restored.exitCode == exitOk, qPrintable(restored.errText()));
        QVERIFY(lensHolds(dock, settingsWith(5)));
        QVERIFY(restored.outText().contains(QStringLiteral("backed up in")));
        QCOMPARE(run(dock, {QStringLiteral("restore"), QStringLiteral("nothing-like-it")}).exitCode,
                 exitFile);
    }

    void profilesRoundTrip() {
        CliDock dock;
        QVERIFY(dock.start());
        setLens(dock, settingsWith(3));
        const QString name = QStringLiteral("Body ../A");
        QCOMPARE(run(dock, {QStringLiteral("profile"), QStringLiteral("save"), name}).exitCode, exitOk);
        setLens(dock, settingsWith(-4));
        const CliResult listed =
            run(dock, {QStringLiteral("--json"), QStringLiteral("profile"), QStringLiteral("list")});
        const QJsonArray profiles = listed.json().value(QStringLiteral("profiles")).toArray();
        QCOMPARE(profiles.size(), 1);
        QCOMPARE(profiles.first()[QStringLiteral("name")].toString(), name);
        QVERIFY(profiles.first()[QStringLiteral("path")].toString().startsWith(dataHome.path()));

        const CliResult applied = run(dock, {QStringLiteral("profile"), QStringLiteral("apply"), name});
        QVERIFY2(applied.exitCode == exitOk, qPrintable(applied.errText()));
        QVERIFY(lensHolds(dock, settingsWith(3)));

        const CliResult sameButCase =
            run(dock, {QStringLiteral("profile"), QStringLiteral("save"), QStringLiteral("body ../a")});
        QCOMPARE(sameButCase.exitCode, exitFile);
        QCOMPARE(run(dock, {QStringLiteral("profile"), QStringLiteral("delete"), name}).exitCode, exitOk);
        QCOMPARE(run(dock, {QStringLiteral("profile"), QStringLiteral("apply"), name}).exitCode, exitFile);
    }

    void profileUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no action") << QStringList{QStringLiteral("profile")};
        QTest::newRow("unknown action") << QStringList{QStringLiteral("profile"), QStringLiteral("rename")};
        QTest::newRow("save without a name")
            << QStringList{QStringLiteral("profile"), QStringLiteral("save")};
        QTest::newRow("list with a name")
            << QStringList{QStringLiteral("profile"), QStringLiteral("list"), QStringLiteral("x")};
        QTest::newRow("dry-run on save") << QStringList{QStringLiteral("profile"), QStringLiteral("save"),
                                                        QStringLiteral("x"), QStringLiteral("--dry-run")};
    }
    void profileUsage() {
        QFETCH(QStringList, arguments);
        CliProcess cli(dataHome.path());
        const CliResult result = cli.run(arguments);
        QCOMPARE(result.exitCode, exitUsage);
        QCOMPARE(result.errorLines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCliLibrary)
#include "tst_clilibrary.moc"
