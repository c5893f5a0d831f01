// The pieces of lensdock-cli without a device: command line, help, settings report, output, answers.
#include "adjust/SettingsReport.h"
#include "CliOptions.h"
#include "CommandHelp.h"
#include "CommandOutput.h"
#include "Confirmation.h"
#include "online/FirmwareVersionCheck.h"
#include "UpdateProgress.h"

#include <cstdio>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace lensdock;
using namespace lensdock::cli;

namespace {
QStringList command(const QString& line) {
    return QStringList{QStringLiteral("lensdock-cli")} + line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// What was written to a temporary stream.
QByteArray contents(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    QByteArray bytes;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

LensInfo primeLens() {
    LensInfo lens;
    lens.supportsFocusZoom = true;
    lens.zoomCount = 1;
    lens.focusPointCount = 2;
    lens.supportsFullTimeManual = true;
    lens.supportsFocusLimit = true;
    lens.focusLimitCount = 1;
    lens.supportsVcMode = false;
    return lens;
}
} // namespace

class TestCliPieces : public QObject {
    Q_OBJECT
private slots:
    void acceptedCommandLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<qint64>("waitMs");
        QTest::newRow("info") << "info"
                              << "info" << QStringList() << qint64(30000);
        QTest::newRow("wait fraction") << "--wait 2.5 read"
                                       << "read" << QStringList() << qint64(2500);
        QTest::newRow("wait zero") << "--wait 0 read"
                                   << "read" << QStringList() << qint64(0);
        QTest::newRow("apply") << "apply a.vlad --dry-run"
                               << "apply" << QStringList{"a.vlad"} << qint64(30000);
        QTest::newRow("check both") << "check-update"
                                    << "check-update" << QStringList() << qint64(30000);
        QTest::newRow("check adapter") << "check-update adapter"
                                       << "check-update" << QStringList{"adapter"} << qint64(30000);
        QTest::newRow("update lens") << "--yes update lens"
                                     << "update" << QStringList{"lens"} << qint64(30000);
        QTest::newRow("decode") << "decode f.vfwf --key 00ff --output f.dec"
                                << "decode" << QStringList{"f.vfwf"} << qint64(30000);
        QTest::newRow("kit") << "kit /media/kit"
                             << "kit" << QStringList{"/media/kit"} << qint64(30000);
        QTest::newRow("kit for lenses") << "kit k --for A036 --for B100 --mount Nikon"
                                        << "kit" << QStringList{"k"} << qint64(30000);
    }

    void acceptedCommandLines() {
        QFETCH(QString, line);
        QFETCH(QString, command);
        QFETCH(QStringList, arguments);
        QFETCH(qint64, waitMs);
        Failure failure;
        const auto options = parseCommandLine(::command(line), &failure);
        QVERIFY2(options, qPrintable(failure.message));
        QCOMPARE(options->command, command);
        QCOMPARE(options->arguments, arguments);
        QCOMPARE(qint64(options->lensWait.count()), waitMs);
    }

    void refusedCommandLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << ""
                                 << "no command";
        QTest::newRow("unknown command") << "erase"
                                         << "unknown command";
        QTest::newRow("unknown option") << "--colour info"
                                        << "colour";
        QTest::newRow("apply without file") << "apply"
                                            << "missing argument";
        QTest::newRow("surplus argument") << "info extra"
                                          << "unexpected argument";
        QTest::newRow("output for info") << "info --output x"
                                         << "no --output";
        QTest::newRow("dry run for read") << "read --dry-run"
                                          << "no --dry-run";
        QTest::newRow("key for apply") << "apply a.vlad --key 00"
                                       << "no --key";
        QTest::newRow("update without target") << "update"
                                               << "missing argument";
        QTest::newRow("update unknown target") << "update camera"
                                               << "unknown target";
        QTest::newRow("decode without key") << "decode f.vfwf --output f.dec"
                                            << "--key";
        QTest::newRow("wait not a number") << "--wait soon info"
                                           << "--wait";
        QTest::newRow("wait negative") << "--wait -1 info"
                                       << "--wait";
        QTest::newRow("bad download url") << "--download-url ftp://x info"
                                          << "http, https or file";
        QTest::newRow("kit without folder") << "kit"
                                            << "missing argument";
        QTest::newRow("for without kit") << "info --for A036"
                                         << "with kit only";
        QTest::newRow("mount without for") << "kit k --mount nikon"
                                           << "goes with --for";
        QTest::newRow("unknown mount") << "kit k --for A036 --mount leica"
                                       << "unknown mount";
        QTest::newRow("model not a code") << "kit k --for ../A036"
                                          << "not a lens model code";
        QTest::newRow("tick zero") << "--thread-tick-ms 0 info"
                                   << "--thread-tick-ms";
    }

    void refusedCommandLines() {
        QFETCH(QString, line);
        QFETCH(QString, message);
        Failure failure;
        QVERIFY(!parseCommandLine(command(line), &failure));
        QCOMPARE(failure.code, ExitCode::usage);
        QVERIFY2(failure.message.contains(message), qPrintable(failure.message));
    }

    void helpNeedsNoValidCall() {
        Failure failure;
        const auto options = parseCommandLine(command(QStringLiteral("help apply")), &failure);
        QVERIFY(options);
        QVERIFY(options->help);
        QCOMPARE(options->command, QStringLiteral("apply"));
    }

    void everyCommandHasItsHelp_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("synopsis");
        QTest::newRow("info") << "info"
                              << "info";
        QTest::newRow("read") << "read"
                              << "read [--output FILE.vlad]";
        QTest::newRow("apply") << "apply"
                               << "apply FILE.vlad [--dry-run]";
        QTest::newRow("factory-reset") << "factory-reset"
                                       << "factory-reset";
        QTest::newRow("check-update") << "check-update"
                                      << "check-update [adapter|lens]";
        QTest::newRow("update") << "update"
                                << "update adapter|lens";
        QTest::newRow("decode") << "decode"
                                << "decode FILE.vfwf --key HEX --output FILE.dec";
        QTest::newRow("kit") << "kit"
                             << "kit DIR [--for MODEL]... [--mount MOUNT]";
    }

    void everyCommandHasItsHelp() {
        QFETCH(QString, name);
        QFETCH(QString, synopsis);
        QVERIFY(CommandHelp::isCommand(name));
        const QString help = CommandHelp::commandHelp(name);
        QVERIFY2(
            help.startsWith(QStringLiteral("Usage: lensdock-cli [OPTIONS] ") + synopsis + QLatin1Char('\n')),
            qPrintable(help));
        QVERIFY(help.contains(QStringLiteral("--port PATH")));
        QVERIFY(help.contains(QStringLiteral("Exit status")));
        QVERIFY(CommandHelp::generalHelp().contains(synopsis));
    }

    void generalHelpListsEveryExitCode() {
        const QString help = CommandHelp::generalHelp();
        for (int code : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10})
            QVERIFY2(help.contains(QStringLiteral("\n  %1 ").arg(code)), qPrintable(QString::number(code)));
    }

    void settingsOfAPrimeLens() {
        QStringList keys;
        for (const Setting& setting : SettingsReport::settingsOf(LensAdjustData(), primeLens()))
            keys << setting.key;
        const QStringList expected{"focus.close.1",        "focus.middle.1", "fullTimeManual.enabled",
                                   "fullTimeManual.level", "limiter1.near",  "limiter1.far",
                                   "limiter1.mode"};
        QCOMPARE(keys, expected);
    }

    void differencesIgnoreUnusedSettings() {
        LensAdjustData from;
        LensAdjustData to;
        to.vcMode = 3;               // the lens has no VC mode
        to.focusZoomClose[1] = 7;    // one zoom position only
        to.focusZoomInfinite[0] = 4; // two distances only
        to.focusLimitSecondNear = 5; // one limiter position only
        to.focusZoomCenter[0] = -2;  // used
        const QJsonArray changes = SettingsReport::differenceJson(from, to, primeLens());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).toObject().value(QStringLiteral("setting")).toString(),
                 QStringLiteral("focus.middle.1"));
        QCOMPARE(changes.at(0).toObject().value(QStringLiteral("from")).toString(), QStringLiteral("0"));
        QCOMPARE(changes.at(0).toObject().value(QStringLiteral("to")).toString(), QStringLiteral("-2"));
        QCOMPARE(SettingsReport::differenceText(from, to, primeLens()).size(), 1);
    }

    void levelCountsOnlyWhileOn() {
        LensAdjustData from;
        from.isFullTimeManualEnable = false;
        LensAdjustData to = from;
        to.fullTimeManual = 3;
        QVERIFY(SettingsReport::differenceJson(from, to, primeLens()).isEmpty());
    }

    void jsonFailureObject() {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        QVERIFY(out && err);
        CommandOutput output(true, QStringLiteral("read"), out, err);
        output.lines({QStringLiteral("not in JSON mode")});
        output.finish(Failure{ExitCode::noLens, QStringLiteral("no lens\nmounted")});
        const QJsonObject json = QJsonDocument::fromJson(contents(out)).object();
        QCOMPARE(json.value(QStringLiteral("command")).toString(), QStringLiteral("read"));
        QCOMPARE(json.value(QStringLiteral("ok")).toBool(), false);
        QCOMPARE(json.value(QStringLiteral("exitCode")).toInt(), 4);
        QCOMPARE(contents(err), QByteArray("lensdock-cli: no lens mounted\n"));
        std::fclose(out);
        std::fclose(err);
    }

    void textModeIgnoresJsonFields() {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        QVERIFY(out && err);
        CommandOutput output(false, QStringLiteral("info"), out, err);
        output.set(QStringLiteral("x"), 1);
        output.lines({QStringLiteral("one"), QStringLiteral("two")});
        output.finish(std::nullopt);
        QCOMPARE(contents(out), QByteArray("one\ntwo\n"));
        QCOMPARE(contents(err), QByteArray());
        std::fclose(out);
        std::fclose(err);
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("agreed");
        QTest::newRow("y") << QByteArray("y\n") << true;
        QTest::newRow("YES") << QByteArray("YES\n") << true;
        QTest::newRow("spaces") << QByteArray("  yes \n") << true;
        QTest::newRow("n") << QByteArray("n\n") << false;
        QTest::newRow("empty") << QByteArray("\n") << false;
        QTest::newRow("end of input") << QByteArray() << false;
        QTest::newRow("yes please") << QByteArray("yes please\n") << false;
    }

    void answers() {
        QFETCH(QByteArray, input);
        QFETCH(bool, agreed);
        std::FILE* in = std::tmpfile();
        std::FILE* err = std::tmpfile();
        QVERIFY(in && err);
        std::fwrite(input.constData(), 1, size_t(input.size()), in);
        std::rewind(in);
        QCOMPARE(Confirmation(false, in, err).ask(QStringLiteral("Write?")), agreed);
        QVERIFY(contents(err).startsWith("Write? [y/N] "));
        std::fclose(in);
        std::fclose(err);
    }

    void adapterUpdateRule_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("available");
        QTest::newRow("newer major") << "0123"
                                     << "0200" << true;
        QTest::newRow("same major") << "0123"
                                    << "0150" << false;
        QTest::newRow("older") << "0200"
                               << "0123" << false;
        QTest::newRow("no valid firmware") << "ff00"
                                           << "0100" << true;
        QTest::newRow("no valid firmware, old catalogue") << "ffff"
                                                          << "0000" << true;
        QTest::newRow("three characters") << "ff0"
                                          << "0100" << false;
        QTest::newRow("latest not a number") << "0123"
                                             << "ab00" << false;
        QTest::newRow("latest too long") << "0123"
                                         << "02000" << false;
    }

    void adapterUpdateRule() {
        QFETCH(QString, current);
        QFETCH(QString, latest);
        QFETCH(bool, available);
        QCOMPARE(isAdapterUpdateOffered(current, latest, true), available);
    }

    void progressBar_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<QString>("bar");
        QTest::newRow("start") << 0.0 << "[..............................]   0% Sending     ";
        QTest::newRow("half") << 50.0 << "[###############...............]  50% Sending     ";
        QTest::newRow("done") << 100.0 << "[##############################] 100% Sending     ";
        QTest::newRow("beyond") << 130.0 << "[##############################] 100% Sending     ";
    }

    void progressBar() {
        QFETCH(double, percent);
        QFETCH(QString, bar);
        QCOMPARE(UpdateProgress::bar(percent, QStringLiteral("Sending")), bar);
    }

    void plainProgressLines() {
        std::FILE* out = std::tmpfile();
        QVERIFY(out);
        UpdateProgress progress(out, false);
        progress.updatePhase(2, QStringLiteral("updateStateDownloading"));
        for (double percent : {5.0, 7.0, 12.0, 40.0, 41.0, 100.0})
            progress.updateProgress(percent);
        progress.updatePhase(3, QString()); // a phase without its own text changes nothing
        progress.updateResult(FwErrorCode::resultOk);
        QCOMPARE(contents(out),
                 QByteArray("Downloading\nprogress 0%\nprogress 10%\nprogress 40%\nprogress 100%\n"));
        QCOMPARE(progress.waitForResult(std::chrono::milliseconds(0)), std::optional(FwErrorCode::resultOk));
        std::fclose(out);
    }

    void assumedYesAsksNothing() {
        std::FILE* err = std::tmpfile();
        QVERIFY(err);
        QVERIFY(Confirmation(true, stdin, err).ask(QStringLiteral("Write?")));
        QCOMPARE(contents(err), QByteArray());
        std::fclose(err);
    }
};

QTEST_GUILESS_MAIN(TestCliPieces)
#include "tst_clipieces.moc"
