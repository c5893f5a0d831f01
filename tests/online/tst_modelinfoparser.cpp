#include "LogCapture.h"
#include "online/FirmwareVersionCheck.h"
#include "online/ModelInfoParser.h"

#include <functional>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
// Every integer differs from the record's defaults, so that a field left unread shows.
const QString lensText = "2026/01/02 03:04:05,B123,Lens N,0105,true,true,false,true,5,2,"
                         "24,35,50,70,85,105,135,200,25,-20,1,12,1,8,2,6,KEY-123";

// What the 27 fields above mean, written out by hand in the order of the record's members, with
// `change` applied.
std::optional<LensModelInfo> lens(const std::function<void(LensModelInfo&)>& change = {}) {
    const std::array<int, 8> focalLengths{24, 35, 50, 70, 85, 105, 135, 200};
    LensModelInfo record{
        "2026/01/02 03:04:05", "B123", "Lens N", "0105", true, true, false, true, 5, 2,
        focalLengths,          25,     -20,      1,      12,   1,    8,     2,    6, "KEY-123"};
    if (change)
        change(record);
    return record;
}

// The record with the first focus adjustment bound at `value`; 30 is what it held before.
std::optional<LensModelInfo> focusAdjustMax(int value) {
    return lens([value](LensModelInfo& r) { r.focusAdjustMax = value; });
}

QString withField(int index, const QString& value) {
    QStringList fields = lensText.split(',');
    fields[index] = value;
    return fields.join(',');
}

QByteArray lensDocument(const QString& text) {
    return "<lensinfo>" + text.toUtf8() + "</lensinfo>";
}

ModelInfoParseOptions connectScreen(int lensKind = 0) {
    return {QStringLiteral("Init"), false, lensKind};
}
} // namespace

class TestModelInfoParser : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QTcpServer server;

private slots:
    void initTestCase() {
        QFile record(dir.filePath("record.txt"));
        QVERIFY(record.open(QIODevice::WriteOnly) && record.write(lensText.toUtf8()) > 0);
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    // A record of another field count changes nothing; only the main screen reports it. Only lower-case
    // "true" is true; an integer field that is no decimal integer keeps its value.
    void lensRecord_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lensKind");
        QTest::addColumn<std::optional<LensModelInfo>>("record");
        using R = LensModelInfo&;
        QTest::newRow("plain lens") << lensText << 0 << lens();
        QTest::newRow("kind 1") << lensText << 1 << lens([](R r) { r.lensName += "\n  x1.4"; });
        QTest::newRow("kind 2") << lensText << 2 << lens([](R r) { r.lensName += "\n  x2"; });
        QTest::newRow("26 fields") << lensText.section(',', 0, 25) << 0 << std::optional<LensModelInfo>();
        QTest::newRow("28 fields") << lensText + ",extra" << 0 << std::optional<LensModelInfo>();
        QTest::newRow("True") << withField(4, "True") << 0 << lens([](R r) { r.supportsFocusZoom = false; });
        QTest::newRow("TRUE") << withField(5, "TRUE") << 0
                              << lens([](R r) { r.supportsFullTimeManual = false; });
        QTest::newRow("1 is no flag") << withField(6, "1") << 0 << lens();
        QTest::newRow("spaced true") << withField(7, " true") << 0
                                     << lens([](R r) { r.supportsVcMode = false; });
        QTest::newRow("abc") << withField(18, "abc") << 0 << focusAdjustMax(30);
        QTest::newRow("leading space") << withField(18, " 3") << 0 << focusAdjustMax(30);
        QTest::newRow("fraction") << withField(18, "3.5") << 0 << focusAdjustMax(30);
        QTest::newRow("too large") << withField(18, "99999999999") << 0 << focusAdjustMax(30);
        QTest::newRow("negative") << withField(18, "-7") << 0 << focusAdjustMax(-7);
        QTest::newRow("plus") << withField(18, "+12") << 0 << focusAdjustMax(12);
    }
    void lensRecord() {
        QFETCH(QString, text);
        QFETCH(int, lensKind);
        QFETCH(std::optional<LensModelInfo>, record);
        LogCapture log;
        const auto result = ModelInfoParser::parseLensModelsInfo(lensDocument(text), LensModelInfo(),
                                                                 connectScreen(lensKind));
        QVERIFY(!result.xmlError);
        QVERIFY(result.record == record);
        QCOMPARE(log.lines(), QStringList());
        const auto onMain = ModelInfoParser::parseLensModelsInfo(lensDocument(text), LensModelInfo(),
                                                                 {"Main", true, lensKind});
        QVERIFY(onMain.record == record);
        QCOMPARE(log.untimed(),
                 record ? QStringList() : QStringList{"[Main] [XML] Lens Model Info Format Error"});
    }

    // Text between elements belongs to the element started last; of several records the last valid one
    // wins. Each piece of character data is checked on its own, so a record must arrive in one piece.
    // An external entity would supply a whole valid record: parsing must neither read it nor yield it.
    void documents_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("latestVersion"); // of the record; empty: none
        QTest::addColumn<int>("xmlError");          // 1 reported, 0 none, -1 either
        QTest::addColumn<QString>("logged");        // a line the log must hold
        const auto row = [](const char* name, const QByteArray& xml, const char* version, int error,
                            const char* logged = "") {
            QTest::newRow(name) << xml << QString(version) << error << QString(logged);
        };
        const QByteArray head = "<lensinfo>" + lensText.left(40).toUtf8(),
                         tail = lensText.mid(40).toUtf8() + "</lensinfo>";
        row("whitespace between elements",
            "<?xml version=\"1.0\"?>\n<c>\n  " + lensDocument(lensText) + "\n</c>\n", "0105", 0,
            "[Init] [XML] Invalid element lensinfo : c");
        row("last valid record wins",
            "<c>" + lensDocument(lensText) + lensDocument(withField(3, "0207")) + lensDocument("a,b") +
                "</c>",
            "0207", 0);
        row("garbage after a record", lensDocument(lensText) + "<", "0105", 1);
        row("comment inside", head + "<!-- x -->" + tail, "", 0);
        row("CDATA inside", head + "<![CDATA[" + tail.chopped(11) + "]]></lensinfo>", "", 0);
        row("child element inside", head + "<b/>" + tail, "", 0, "[Init] [XML] Invalid element lensinfo : b");
        row("mismatched tags", "<a><lensinfo>x</a>", "", 1);
        row("empty document", "", "", 1);
        row("not XML", "HTTP ERROR page", "", 1);
        row("bad entity", "<lensinfo>&nope;</lensinfo>", "", 1);
        const QByteArray file = "file://" + dir.filePath("record.txt").toUtf8();
        const QByteArray http = "http://127.0.0.1:" + QByteArray::number(server.serverPort()) + "/r";
        const QByteArray entity = "<!DOCTYPE lensinfo [<!ENTITY record %1\">]><lensinfo>&record;</lensinfo>";
        row("local file", QByteArray(entity).replace("%1", "SYSTEM \"" + file), "", -1);
        row("local file, public id", QByteArray(entity).replace("%1", "PUBLIC \"-//x//y//EN\" \"" + file), "",
            -1);
        row("http address", QByteArray(entity).replace("%1", "SYSTEM \"" + http), "", -1);
        row("parameter entity",
            "<!DOCTYPE lensinfo [<!ENTITY % record SYSTEM \"" + http + "\"> %record;]><lensinfo/>", "", -1);
        QByteArray bomb = "<!DOCTYPE lensinfo [<!ENTITY e0 \"a,a,a,a,a,a,a,a,a,a\">";
        for (int level = 1; level < 10; ++level)
            bomb += QStringLiteral("<!ENTITY e%1 \"%2\">")
                        .arg(level)
                        .arg(QStringLiteral("&e%1;").arg(level - 1).repeated(10))
                        .toUtf8();
        row("entity expansion", bomb + "]><lensinfo>&e9;</lensinfo>", "", 1);
    }
    void documents() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, latestVersion);
        QFETCH(int, xmlError);
        QFETCH(QString, logged);
        LogCapture log;
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QCOMPARE(result.record ? result.record->latestVersion : QString(), latestVersion);
        if (xmlError >= 0)
            QCOMPARE(result.xmlError.has_value(), xmlError == 1);
        // An XML error is logged only when the document gave no record.
        if (result.xmlError)
            QCOMPARE(log.contains("[Init] [XML] " + *result.xmlError), !result.record);
        QVERIFY2(logged.isEmpty() || log.contains(logged), qPrintable(log.untimed().join('\n')));
        QVERIFY(!server.waitForNewConnection(0));
    }

    void adapterRecord_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("record"); // date, latest version and key; empty: none
        QTest::addColumn<QString>("log");
        const QByteArray fields = "2026/03/04 05:06:07,0102,ADAPTER-KEY";
        const auto row = [](const char* name, const QByteArray& xml, const QString& record,
                            const char* log = "") { QTest::newRow(name) << xml << record << QString(log); };
        row("3 fields", "<zoleninfo>" + fields + "</zoleninfo>", fields);
        row("2 fields", "<zoleninfo>2026/03/04 05:06:07,0102</zoleninfo>", "");
        row("4 fields", "<zoleninfo>" + fields + ",more</zoleninfo>", "");
        row("another element", "<lensinfo>" + fields + "</lensinfo>", "",
            "[Init] [XML] Invalid element zoleninfo : lensinfo");
    }
    void adapterRecord() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, record);
        QFETCH(QString, log);
        LogCapture capture;
        const auto result = ModelInfoParser::parseAdapterModelsInfo(xml, AdapterModelInfo(), connectScreen());
        const QString got = result.record ? QStringList{result.record->infoDate, result.record->latestVersion,
                                                        result.record->decodeKey}
                                                .join(',')
                                          : QString();
        QCOMPARE(got, record);
        QCOMPARE(capture.untimed().join('\n'), log);
    }

    // Only the first two digits count.
    void updateIsAvailableWhenTheDeviceIsOlder_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("available");
        QTest::newRow("older") << "0100" << QString("0200") << true;
        QTest::newRow("same") << "0200" << QString("0200") << false;
        QTest::newRow("newer") << "0300" << QString("0299") << false;
        QTest::newRow("minor part ignored") << "0105" << QString("0199") << false;
        QTest::newRow("tens") << "0900" << QString("1000") << true;
        QTest::newRow("device not decimal") << "ffff" << QString("0100") << false;
        QTest::newRow("latest not decimal") << "0100" << QString("0a00") << false;
        QTest::newRow("device too short") << "010" << QString("0200") << false;
        QTest::newRow("latest too long") << "0100" << QString("02000") << false;
        QTest::newRow("non-ASCII") << QString::fromUtf8("\xc3\xa9") + "00" << QString("0200") << false;
        QTest::newRow("default record") << "0100" << QString("0000") << false;
    }
    void updateIsAvailableWhenTheDeviceIsOlder() {
        QFETCH(QString, device);
        QFETCH(QString, latest);
        QFETCH(bool, available);
        QCOMPARE(isFirmwareUpdateAvailable(device, latest), available);
    }
};

QTEST_GUILESS_MAIN(TestModelInfoParser)
#include "tst_modelinfoparser.moc"
