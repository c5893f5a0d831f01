#include "adjust/AdjustDataFile.h"
#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "LogCapture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
// One row of a data table, each value in its column's order.
template <typename... T> void row(const char* name, T... values) {
    (QTest::newRow(name) << ... << values);
}

QList<std::int64_t> numbers(const QString& item) {
    QList<std::int64_t> values;
    for (const QString& n : item.section('=', 1).split('/'))
        values << n.toLongLong();
    return values;
}

// Settings as text, defaults where it says nothing: "manual=0/3" (enabled, level), "vc=3", "limit1=2/7/1"
// (near, far, mode), "close0=-30", "centre7=30", "infinity2=4", and "focus" for focus values unlike each
// other (close 1 to 8, centre -1 to -8, infinity 10 to 17).
LensAdjustData settings(const QString& text) {
    LensAdjustData d;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const auto v = numbers(item);
        if (item == "focus") {
            for (int i = 0; i < 8; ++i)
                d.focusZoomClose[i] = i + 1, d.focusZoomCenter[i] = -(i + 1), d.focusZoomInfinite[i] = 10 + i;
        } else if (item.startsWith("manual=")) {
            d.isFullTimeManualEnable = v[0], d.fullTimeManual = v[1];
        } else if (item.startsWith("vc=")) {
            d.vcMode = v[0];
        } else if (item.startsWith("limit1=")) {
            d.focusLimitFirstNear = v[0], d.focusLimitFirstFar = v[1], d.focusLimitFirstMode = v[2];
        } else if (item.startsWith("limit2=")) {
            d.focusLimitSecondNear = v[0], d.focusLimitSecondFar = v[1], d.focusLimitSecondMode = v[2];
        } else {
            auto& list = item.startsWith("close")    ? d.focusZoomClose
                         : item.startsWith("centre") ? d.focusZoomCenter
                                                     : d.focusZoomInfinite;
            list[item.section('=', 0, 0).back().digitValue()] = v[0];
        }
    }
    return d;
}

// A lens that supports every setting, changed by text: "zooms=5", "points=2", "switches=1", "steps=12",
// "range=-20/15", "factory=2/7/1/5" (its limiter steps), "modes=2/1" and "no-focus", "no-manual",
// "no-limiter", "no-vc" for what it lacks.
LensInfo lens(const QString& text = QString()) {
    LensInfo l;
    l.supportsFocusZoom = !text.contains("no-focus"), l.supportsFullTimeManual = !text.contains("no-manual");
    l.supportsFocusLimit = !text.contains("no-limiter"), l.supportsVcMode = !text.contains("no-vc");
    const auto value = [&](const QString& key, int fallback, int index = 0) {
        const QString item = text.split(' ').filter(QRegularExpression("^" + key + "=")).value(0);
        return item.isEmpty() ? fallback : int(numbers(item)[index]);
    };
    l.zoomCount = value("zooms", 8), l.focusPointCount = value("points", 3),
    l.focusLimitCount = value("switches", 2);
    l.focusLimitDivisions = value("steps", 10), l.focusAdjustMin = value("range", -30),
    l.focusAdjustMax = value("range", 30, 1);
    l.focusLimitDefaultFirstNear = value("factory", 0), l.focusLimitDefaultFirstFar = value("factory", 9, 1);
    l.focusLimitDefaultSecondNear = value("factory", 0, 2),
    l.focusLimitDefaultSecondFar = value("factory", 9, 3);
    l.focusLimitDefaultModes = {value("modes", 1), value("modes", 1, 1), 1, 1};
    return l;
}

const QString zeros24 = QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");

QString fileLine(const QString& settingsAfterFocus, const QString& focus = zeros24,
                 const QString& head = QStringLiteral("ZOLAD,20261206101500,A000,0000")) {
    return head + QLatin1Char(',') + focus + QLatin1Char(',') + settingsAfterFocus;
}
} // namespace

class TestAdjust : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // What goes to the lens, and what the same bytes read back as.
    void payloadFollowsTheLens_data() {
        QTest::addColumn<QString>("lens");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("payload");
        const QByteArray start = hexBytes("02 02 00 09 00 01 00 09 00 01 00"), zeros(24, '\0');
        const QByteArray focus =
            hexBytes("01 02 03 04 05 06 07 08 FF FE FD FC FB FA F9 F8 0A 0B 0C 0D 0E 0F 10 11");
        row("defaults", "", "", start + zeros);
        row("focus values", "", "focus", start + focus);
        row("five zooms", "zooms=5", "focus",
            start + hexBytes("01 02 03 04 05 00 00 00 FF FE FD FC FB 00 00 00"
                             "0A 0B 0C 0D 0E 00 00 00"));
        row("two focus points", "points=2", "focus", start + focus.left(16) + zeros.left(8));
        row("no focus adjustment", "no-focus", "focus", start + zeros);
        row("no limiter, modes still sent", "no-limiter", "focus",
            hexBytes("02 02 00 00 00 01 00 00 00 01 00") + focus);
        row("one switch position", "switches=1", "focus",
            hexBytes("02 02 00 09 00 01 00 00 00 01 00") + focus);
        row("manual focus off sends no level", "", "manual=0/3",
            hexBytes("00 02 00 09 00 01 00 09 00 01 00") + zeros);
        row("no manual focus", "no-manual", "", hexBytes("00 02 00 09 00 01 00 09 00 01 00") + zeros);
        row("limiter steps counted from the far end", "steps=12", "limit1=2/7/2 limit2=1/3/1 vc=3",
            hexBytes("02 03 00 09 04 02 00 0A 08 01 00") + zeros);
    }
    void payloadFollowsTheLens() {
        QFETCH(QString, lens);
        QFETCH(QString, data);
        QFETCH(QByteArray, payload);
        QCOMPARE(AdjustPayload::encode(settings(data), ::lens(lens)).toHex(' '), payload.toHex(' '));
        CommDataFormat request; // the length field counts the function number too
        makeSetAdjustData(request, settings(data), ::lens(lens));
        QVERIFY(request.funcNumber == 0xFB && request.data == payload && request.lengthFieldValue() == 36);
        const auto back = AdjustPayload::decode(payload, ::lens(lens));
        QVERIFY(back && back->isSameSettings(settings(data), ::lens(lens)));
    }

    // Correcting puts defaults in place of invalid values; the strict check before a write refuses them
    // whatever the lens supports, and names the first.
    void invalidValues_data() {
        QTest::addColumn<QString>("lens");
        QTest::addColumn<QString>("damaged");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<QStringList>("messages"); // after "[Thread] Error adjust check "
        row("defaults", "", "", "", QStringList());
        row("ends of the focus range", "", "close0=-30 centre7=30", "close0=-30 centre7=30", QStringList());
        row("focus above range", "", "centre3=31", "", QStringList{"zoomCenter = 31"});
        row("unused zoom entry", "zooms=2", "infinity7=-31", "", QStringList{"zoomInfinite = -31"});
        row("middle of an odd range", "range=-20/15", "close0=16", "close0=-2",
            QStringList{"zoomClose = 16"});
        row("first failure named", "", "centre0=-31 vc=0", "vc=1", QStringList{"zoomCenter = -31"});
        row("mode 3", "", "limit1=0/9/3", "", QStringList{"Limit1 Mode = 3"});
        row("near equals far", "", "limit1=5/5/1", "", QStringList{"Limit1 Near = 5", "Limit1 Far = 5"});
        row("far beyond the scale", "", "limit2=3/10/1", "limit2=3/9/1", QStringList{"Limit2 Far = 10"});
        row("negative far", "", "limit2=0/-1/1", "", QStringList{"Limit2 Near = 0", "Limit2 Far = -1"});
        row("negative near", "", "limit2=-1/4/1", "limit2=0/4/1", QStringList{"Limit2 Near = -1"});
        row("level 0 while off", "", "manual=0/0", "manual=0/2", QStringList{"fullTimeManual = 0"});
        row("vc mode 4", "", "vc=4", "vc=1", QStringList{"vcMode = 4"});
    }
    void invalidValues() {
        QFETCH(QString, lens);
        QFETCH(QString, damaged);
        QFETCH(QString, corrected);
        QFETCH(QStringList, messages);
        LensAdjustData data = settings(damaged);
        LogCapture capture;
        const LensInfo bare = ::lens("no-focus no-manual no-limiter no-vc " + lens);
        QCOMPARE(data.checkAdjustData(bare, true), messages.isEmpty());
        QCOMPARE(capture.untimed().replaceInStrings("[Thread] Error adjust check ", ""), messages);
        capture.clear();
        QVERIFY(!data.checkAdjustData(bare, false)); // nobody to tell: fails silently
        QVERIFY(capture.lines().isEmpty());
        QCOMPARE(data.correctSettings(::lens(lens)), damaged == corrected);
        QCOMPARE(data, settings(corrected));
    }

    void comparison_data() {
        QTest::addColumn<QString>("lens");
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("same"); // as the defaults
        row("identical", "", "", true);
        row("zoom 5 ignores entry 5", "zooms=5", "centre5=3", true);
        row("two points ignore infinity", "points=2", "infinity0=3", true);
        row("no focus adjustment", "no-focus", "close0=3", true);
        row("manual focus turned off", "", "manual=0/2", false);
        row("no manual focus", "no-manual", "manual=0/3", true);
        row("second switch with one position", "switches=1", "limit2=0/9/2", true);
        row("no limiter", "no-limiter", "limit1=3/9/1", true);
        row("no vc", "no-vc", "vc=3", true);
    }
    void comparison() {
        QFETCH(QString, lens);
        QFETCH(QString, data);
        QFETCH(bool, same);
        QCOMPARE(LensAdjustData().isSameSettings(settings(data), ::lens(lens)), same);
        QCOMPARE(settings(data).isSameSettings(LensAdjustData(), ::lens(lens)), same);
        // Levels of a manual focus turned off on both sides do not count.
        QVERIFY(settings("manual=0/1").isSameSettings(settings("manual=0/3"), ::lens(lens)));
    }

    // A save writes only what the lens uses, as one line that loads back as it was.
    void savedFileLoadsBack() {
        const QString focus = "1,2,3,4,5,6,7,8,-1,-2,-3,-4,-5,-6,-7,-8,10,11,12,13,14,15,16,17";
        const LensAdjustData data = settings("focus manual=1/3 limit1=1/6/2 limit2=4/8/2 vc=3");
        const auto line = [&](const QString& lensText, const LensAdjustData& saved) {
            return AdjustDataFile::formatLine(saved, "20261206101500", "A036", "0102", lens(lensText));
        };
        QCOMPARE(line("", data), "ZOLAD,20261206101500,A036,0102," + focus + ",1,3,1,6,2,4,8,2,3");
        QCOMPARE(line("zooms=5 points=2", data).section(',', 4, 27),
                 "1,2,3,4,5,0,0,0,-1,-2,-3,-4,-5,0,0,0,0,0,0,0,0,0,0,0");
        QCOMPARE(line("switches=1", data).section(',', 28), "1,3,1,6,2,0,0,0,3");
        QCOMPARE(line("no-focus no-manual no-limiter no-vc", data).section(',', 4),
                 zeros24 + ",0,0,0,0,0,0,0,0,0");
        QCOMPARE(line("", settings("manual=0/3")).section(',', 28), "0,0,0,9,1,0,9,1,2");

        const QString path = dir.filePath("saved.vlad");
        QVERIFY(AdjustDataFile::saveFile(data, path, "A036", "0102", lens()).saved);
        LensAdjustData loaded;
        const auto outcome = AdjustDataFile::loadFile(path, loaded);
        QCOMPARE(outcome.result, AdjustFileLoadResult::success);
        QCOMPARE(outcome.modelCode + outcome.firmwareVersion, QString("A0360102"));
        QCOMPARE(loaded, data);
        // A code that is not four bytes is refused and leaves the old file as it was.
        for (const auto& [model, firmware] : {std::pair<QString, QString>("A0361", "0000"),
                                              {QString("A03") + QChar(0xE9), "0000"},
                                              {"A036", "000"}}) {
            const auto refused = AdjustDataFile::saveFile(LensAdjustData(), path, model, firmware, lens());
            QVERIFY(!refused.saved && !refused.error);
        }
        QCOMPARE(AdjustDataFile::loadFile(path, loaded).result, AdjustFileLoadResult::success);
        QCOMPARE(loaded, data);
        const auto failed =
            AdjustDataFile::saveFile(data, dir.filePath("missing/out.vlad"), "A036", "0102", lens());
        QVERIFY(!failed.saved && failed.error && !failed.error->isEmpty());
        QCOMPARE(AdjustDataFile::withExtension("/tmp/lens.txt"), QString("/tmp/lens.txt.vlad"));
        QCOMPARE(AdjustDataFile::withExtension("/tmp/lens.vlad"), QString("/tmp/lens.vlad"));
    }

    // The process dies in the middle of replacing a good file: what is left is a whole file, the old
    // one or the new one, and the next save is not hindered by anything the dead one left behind.
    void saveKilledMidwayLeavesOldOrNewFile_data() {
        QTest::addColumn<int>("killAfter");
        for (int saves : {1, 5, 60})
            QTest::addRow("during save %d", saves) << saves;
    }
    void saveKilledMidwayLeavesOldOrNewFile() {
        QFETCH(int, killAfter);
        QTemporaryDir folder;
        const QString path = folder.filePath("settings.vlad");
        QVERIFY(AdjustDataFile::saveFile(LensAdjustData(), path, "A036", "0102", lens()).saved);
        QProcess saver;
        saver.start(QStringLiteral(LENSDOCK_SAVE_LOOP_EXE), {path});
        QVERIFY(saver.waitForStarted());
        QByteArray output;
        while (!output.contains("saving " + QByteArray::number(killAfter) + "\n")) {
            QVERIFY2(saver.waitForReadyRead(10000), qPrintable(saver.readAllStandardError()));
            output += saver.readAllStandardOutput();
        }
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        LensAdjustData left;
        QCOMPARE(AdjustDataFile::loadFile(path, left).result, AdjustFileLoadResult::success);
        // The save loop alternates the defaults with these.
        QVERIFY(left == LensAdjustData() ||
                left == settings("close1=-2 close3=-4 close5=-6 close7=-8 close0=1 "
                                 "close2=3 close4=5 close6=7 vc=3"));
        QVERIFY(AdjustDataFile::saveFile(settings("vc=1"), path, "A036", "0102", lens()).saved);
        QCOMPARE(AdjustDataFile::loadFile(path, left).result, AdjustFileLoadResult::success);
        QCOMPARE(left, settings("vc=1"));
    }

    // Opening a file fills what it left empty from the factory values and corrects it; a file that is
    // not whole and well-formed changes nothing.
    void openingAFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("editor"); // what the editor holds afterwards
        QTest::addColumn<QString>("logLine");
        const QByteArray good = fileLine("1,2,0,9,1,0,9,1,2").toUtf8();
        const int ok = int(AdjustFileOpenResult::success), format = int(AdjustFileOpenResult::formatError),
                  value = int(AdjustFileOpenResult::valueError);
        const char* before = "vc=3 centre0=12";
        row("saved without VC and limiter", "a.vlad", fileLine("1,2,0,0,0,0,0,0,0").toUtf8(), ok,
            "limit1=2/7/2 limit2=1/5/1 vc=2", "");
        row("signs and 64-bit limits, out of range corrected", "b.vlad",
            fileLine("0,+0,3,4,1,0,0,0,1", "99,-7,-9223372036854775808," + zeros24.mid(6)).toUtf8(), ok,
            "manual=0/2 limit1=3/4/1 limit2=1/5/1 vc=1 close1=-7", "");
        row("wrong extension", "d.txt", good, format, before, "");
        row("missing file", "", QByteArray(), int(AdjustFileOpenResult::osError), before, "");
        row("not UTF-8", "e.vlad", QByteArray("ZOLAD,\xFF\xFE"), int(AdjustFileOpenResult::osError), before,
            "");
        row("far too large", "f.vlad", QByteArray(70 * 1024, ','), format, before, "");
        row("36 elements", "g.vlad", fileLine("1,2,0,9,1,0,9,1").toUtf8(), format, before,
            "Element Error : 36");
        row("date checked before the identifier", "h.vlad",
            fileLine("1,2,0,9,1,0,9,1,2", zeros24, "XOLAD,2026120610150,A000,0000").toUtf8(), format, before,
            "Date Error : 2026120610150");
        row("identifier", "j.vlad",
            fileLine("1,2,0,9,1,0,9,1,2", zeros24, "ZOLAX,20261206101500,A000,0000").toUtf8(), format, before,
            "Identifier Error ZOLAD : ZOLAX");
        row("trailing line break", "k.vlad", good + "\n", value, before, "");
        row("enable flag 2", "n.vlad", fileLine("2,2,0,9,1,0,9,1,2").toUtf8(), value, before, "");
        row("beyond 64 bits", "o.vlad", fileLine("1,2,0,9223372036854775808,1,0,9,1,2").toUtf8(), value,
            before, "");
        row("arabic-indic digit", "p.vlad",
            fileLine(QString("1,2,0,") + QChar(0x0663) + ",1,0,9,1,2").toUtf8(), value, before, "");
    }
    void openingAFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QFETCH(QString, editor);
        QFETCH(QString, logLine);
        const QString path = dir.filePath(name.isEmpty() ? "gone.vlad" : name);
        QFile file(path);
        QVERIFY(name.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
        file.close();
        const LensInfo info = lens("factory=2/7/1/5 modes=2/1");
        LensAdjustData current = settings("vc=3 centre0=12");
        LogCapture capture;
        const auto outcome =
            AdjustDataFile::openIntoEditor(path, info, LensAdjustData::factorySettings(info), current);
        QCOMPARE(int(outcome.result), result);
        QCOMPARE(outcome.error.has_value(), result == int(AdjustFileOpenResult::osError));
        QCOMPARE(current, settings(editor));
        if (!logLine.isEmpty())
            QCOMPARE(capture.lines().filter("[Load Data]").mid(1, 1), QStringList{"[Load Data] " + logLine});
    }
};

QTEST_GUILESS_MAIN(TestAdjust)
#include "tst_adjust.moc"
