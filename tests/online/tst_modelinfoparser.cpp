#include "base/Guarded.h"
#include "LogCapture.h"
#include "online/FirmwareVersionCheck.h"
#include "online/ModelInfoParser.h"

#include <atomic>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace lensdock;

namespace {

const QStringList lensFields{"2026/01/02 03:04:05",
                             "B123",
                             "Lens N",
                             "0105",
                             "true",
                             "true",
                             "false",
                             "true",
                             "8",
                             "3",
                             "24",
                             "35",
                             "50",
                             "70",
                             "85",
                             "105",
                             "135",
                             "200",
                             "30",
                             "-30",
                             "2",
                             "10",
                             "0",
                             "9",
                             "0",
                             "9",
                             "KEY-123"};

QString lensText(QStringList fields = lensFields) {
    return fields.join(',');
}

QByteArray lensDocument(const QString& text) {
    return "<lensinfo>" + text.toUtf8() + "</lensinfo>";
}

// What the 27 fields above mean, written out by hand.
LensModelInfo expectedLens(const QString& name) {
    LensModelInfo record;
    record.infoDate = "2026/01/02 03:04:05";
    record.modelCode = "B123";
    record.lensName = name;
    record.latestVersion = "0105";
    record.supportsFocusZoom = true;
    record.supportsFullTimeManual = true;
    record.supportsFocusLimit = false;
    record.supportsVcMode = true;
    record.zoomCount = 8;
    record.focusPointCount = 3;
    record.zoomFocalLengths = {24, 35, 50, 70, 85, 105, 135, 200};
    record.focusAdjustMax = 30;
    record.focusAdjustMin = -30;
    record.focusLimitCount = 2;
    record.focusLimitDivisions = 10;
    record.focusLimitDefaultFirstNear = 0;
    record.focusLimitDefaultFirstFar = 9;
    record.focusLimitDefaultSecondNear = 0;
    record.focusLimitDefaultSecondFar = 9;
    record.decodeKey = "KEY-123";
    return record;
}

ModelInfoParseOptions connectScreen(int lensKind = 0) {
    return {QStringLiteral("Init"), false, lensKind};
}

ModelInfoParseOptions mainScreen() {
    return {QStringLiteral("Main"), true, 0};
}

} // namespace

class TestModelInfoParser : public QObject {
    Q_OBJECT

private slots:
    void twentySevenFieldsFillTheLensRecord_data() {
        QTest::addColumn<int>("lensKind");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain lens") << 0 << "Lens N";
        QTest::newRow("kind 1") << 1 << "Lens N\n  x1.4";
        QTest::newRow("kind 2") << 2 << "Lens N\n  x2";
        QTest::newRow("unknown kind") << 3 << "Lens N";
    }
    void twentySevenFieldsFillTheLensRecord() {
        QFETCH(int, lensKind);
        QFETCH(QString, name);
        LogCapture log;
        const auto result = ModelInfoParser::parseLensModelsInfo(lensDocument(lensText()), LensModelInfo(),
                                                                 connectScreen(lensKind));
        QVERIFY(!result.xmlError);
        QVERIFY(result.record);
        QCOMPARE(*result.record, expectedLens(name));
        QCOMPARE(log.lines(), QStringList());
    }

    void wrongFieldCountLeavesTheRecordUnchanged_data() {
        QTest::addColumn<int>("fieldCount");
        QTest::newRow("26") << 26;
        QTest::newRow("28") << 28;
        QTest::newRow("1") << 1;
    }
    void wrongFieldCountLeavesTheRecordUnchanged() {
        QFETCH(int, fieldCount);
        QStringList fields = lensFields;
        while (fields.size() > fieldCount)
            fields.removeLast();
        while (fields.size() < fieldCount)
            fields << "extra";
        LogCapture log;
        const auto onConnect = ModelInfoParser::parseLensModelsInfo(lensDocument(lensText(fields)),
                                                                    LensModelInfo(), connectScreen());
        QVERIFY(!onConnect.record);
        QVERIFY(!onConnect.xmlError);
        QCOMPARE(log.untimed(), QStringList());
        const auto onMain = ModelInfoParser::parseLensModelsInfo(lensDocument(lensText(fields)),
                                                                 LensModelInfo(), mainScreen());
        QVERIFY(!onMain.record);
        QCOMPARE(log.untimed(), QStringList{"[Main] [XML] Lens Model Info Format Error"});
    }

    void onlyLowerCaseTrueIsTrue_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("value");
        for (int index = 4; index <= 7; ++index) {
            QTest::addRow("True at %d", index) << index << "True";
            QTest::addRow("TRUE at %d", index) << index << "TRUE";
        }
        QTest::newRow("1") << 4 << "1";
        QTest::newRow("spaced") << 5 << " true";
        QTest::newRow("yes") << 7 << "yes";
    }
    void onlyLowerCaseTrueIsTrue() {
        QFETCH(int, index);
        QFETCH(QString, value);
        QStringList fields = lensFields;
        fields[4] = fields[5] = fields[6] = fields[7] = "true";
        fields[index] = value;
        const auto record = ModelInfoParser::lensRecordFrom(lensText(fields), LensModelInfo(), 0);
        QVERIFY(record);
        const bool flags[] = {record->supportsFocusZoom, record->supportsFullTimeManual,
                              record->supportsFocusLimit, record->supportsVcMode};
        for (int i = 4; i <= 7; ++i)
            QCOMPARE(flags[i - 4], i != index);
    }

    void integerFieldThatIsNoIntegerKeepsItsValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("abc") << "abc" << 42;
        QTest::newRow("empty") << "" << 42;
        QTest::newRow("leading space") << " 30" << 42;
        QTest::newRow("trailing space") << "30 " << 42;
        QTest::newRow("fraction") << "3.5" << 42;
        QTest::newRow("hexadecimal") << "0x1e" << 42;
        QTest::newRow("too large") << "99999999999" << 42;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("plus") << "+12" << 12;
        QTest::newRow("zero") << "0" << 0;
    }
    void integerFieldThatIsNoIntegerKeepsItsValue() {
        QFETCH(QString, value);
        QFETCH(int, expected);
        LensModelInfo previous;
        previous.focusAdjustMax = 42;
        QStringList fields = lensFields;
        fields[18] = value;
        const auto result =
            ModelInfoParser::parseLensModelsInfo(lensDocument(lensText(fields)), previous, connectScreen());
        QVERIFY(result.record);
        QCOMPARE(result.record->focusAdjustMax, expected);
        QCOMPARE(result.record->decodeKey, QString("KEY-123"));
    }

    void whitespaceBetweenElementsBelongsToTheElementStartedLast() {
        LogCapture log;
        const QByteArray xml =
            "<?xml version=\"1.0\"?>\n<catalogue>\n  " + lensDocument(lensText()) + "\n</catalogue>\n";
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(result.record);
        QVERIFY(!result.xmlError);
        QCOMPARE(result.record->latestVersion, QString("0105"));
        QCOMPARE(log.untimed(), QStringList{"[Init] [XML] Invalid element lensinfo : catalogue"});
    }

    void lastValidRecordOfADocumentWins() {
        QStringList second = lensFields;
        second[3] = "0207";
        const QByteArray xml = "<c>" + lensDocument(lensText()) + lensDocument(lensText(second)) +
                               lensDocument("too,few") + "</c>";
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(result.record);
        QCOMPARE(result.record->latestVersion, QString("0207"));
    }

    // Each piece of character data is checked on its own, so a record must arrive in one piece.
    void recordSplitIntoPiecesIsRefused_data() {
        QTest::addColumn<QByteArray>("xml");
        const QByteArray text = lensText().toUtf8();
        const QByteArray head = text.left(40);
        const QByteArray tail = text.mid(40);
        QTest::newRow("comment inside") << "<lensinfo>" + head + "<!-- x -->" + tail + "</lensinfo>";
        QTest::newRow("CDATA inside") << "<lensinfo>" + head + "<![CDATA[" + tail + "]]></lensinfo>";
        QTest::newRow("child element inside") << "<lensinfo>" + head + "<b/>" + tail + "</lensinfo>";
    }
    void recordSplitIntoPiecesIsRefused() {
        QFETCH(QByteArray, xml);
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(!result.record);
        QVERIFY(!result.xmlError);
    }

    void threeFieldsFillTheAdapterRecord() {
        const auto result = ModelInfoParser::parseAdapterModelsInfo(
            "<zoleninfo>2026/03/04 05:06:07,0102,ADAPTER-KEY</zoleninfo>", AdapterModelInfo(),
            connectScreen());
        QVERIFY(result.record);
        QCOMPARE(result.record->infoDate, QString("2026/03/04 05:06:07"));
        QCOMPARE(result.record->latestVersion, QString("0102"));
        QCOMPARE(result.record->decodeKey, QString("ADAPTER-KEY"));
    }

    void otherAdapterFieldCountsChangeNothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("2 fields") << QByteArray("2026/03/04 05:06:07,0102");
        QTest::newRow("4 fields") << QByteArray("2026/03/04 05:06:07,0102,KEY,more");
        QTest::newRow("empty") << QByteArray();
    }
    void otherAdapterFieldCountsChangeNothing() {
        QFETCH(QByteArray, text);
        const auto result = ModelInfoParser::parseAdapterModelsInfo("<zoleninfo>" + text + "</zoleninfo>",
                                                                    AdapterModelInfo(), connectScreen());
        QVERIFY(!result.record);
    }

    void adapterTextInAnotherElementIsLoggedAndIgnored() {
        LogCapture log;
        const auto result = ModelInfoParser::parseAdapterModelsInfo("<lensinfo>a,0102,c</lensinfo>",
                                                                    AdapterModelInfo(), connectScreen());
        QVERIFY(!result.record);
        QCOMPARE(log.untimed(), QStringList{"[Init] [XML] Invalid element zoleninfo : lensinfo"});
    }

    void malformedXmlReportsTheFailure_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("hasRecord");
        QTest::newRow("mismatched tags") << QByteArray("<a><lensinfo>x</a>") << false;
        QTest::newRow("empty document") << QByteArray() << false;
        QTest::newRow("not XML") << QByteArray("HTTP ERROR page") << false;
        QTest::newRow("bad entity") << QByteArray("<lensinfo>&nope;</lensinfo>") << false;
        QTest::newRow("garbage after a record") << lensDocument(lensText()) + "<" << true;
    }
    void malformedXmlReportsTheFailure() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, hasRecord);
        LogCapture log;
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(result.xmlError);
        QVERIFY(!result.xmlError->isEmpty());
        QCOMPARE(result.record.has_value(), hasRecord);
        QCOMPARE(log.untimed().contains("[Init] [XML] " + *result.xmlError), !hasRecord);
    }

    // The entity would supply a whole valid record: parsing must neither read it nor yield it.
    void externalEntitiesAreNeverFetched_data() {
        QTest::addColumn<QString>("reference"); // "file" or "http"
        QTest::addColumn<QByteArray>("declaration");
        QTest::newRow("local file") << "file" << QByteArray("SYSTEM");
        QTest::newRow("local file, public id") << "file" << QByteArray("PUBLIC \"-//x//y//EN\"");
        QTest::newRow("http address") << "http" << QByteArray("SYSTEM");
        QTest::newRow("parameter entity") << "http" << QByteArray("%");
    }
    void externalEntitiesAreNeverFetched() {
        QFETCH(QString, reference);
        QFETCH(QByteArray, declaration);
        QTemporaryDir dir;
        const QString path = dir.filePath("record.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lensText().toUtf8());
        file.close();
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QByteArray address = reference == "file"
                                       ? "file://" + path.toUtf8()
                                       : "http://127.0.0.1:" + QByteArray::number(server.serverPort()) + "/r";
        const QByteArray xml =
            declaration == "%"
                ? "<!DOCTYPE lensinfo [<!ENTITY % record SYSTEM \"" + address + "\"> %record;]><lensinfo/>"
                : "<!DOCTYPE lensinfo [<!ENTITY record " + declaration + " \"" + address +
                      "\">]><lensinfo>&record;</lensinfo>";
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(!result.record);
        QVERIFY(!server.waitForNewConnection(0));
    }

    void entityExpansionStaysBounded() {
        QByteArray xml = "<!DOCTYPE lensinfo [<!ENTITY e0 \"a,a,a,a,a,a,a,a,a,a\">";
        for (int level = 1; level < 10; ++level)
            xml += QByteArray("<!ENTITY e%1 \"").replace("%1", QByteArray::number(level)) +
                   QByteArray("&e%1;").replace("%1", QByteArray::number(level - 1)).repeated(10) + "\">";
        xml += "]><lensinfo>&e9;</lensinfo>";
        const auto result = ModelInfoParser::parseLensModelsInfo(xml, LensModelInfo(), connectScreen());
        QVERIFY(!result.record);
        QVERIFY(result.xmlError);
    }

    void updateIsAvailableWhenTheDeviceIsOlder_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("available");
        QTest::newRow("older") << "0100"
                               << "0200" << true;
        QTest::newRow("same") << "0200"
                              << "0200" << false;
        QTest::newRow("newer") << "0300"
                               << "0299" << false;
        QTest::newRow("minor part ignored") << "0105"
                                            << "0199" << false;
        QTest::newRow("tens") << "0900"
                              << "1000" << true;
        QTest::newRow("device not decimal") << "ffff"
                                            << "0100" << false;
        QTest::newRow("latest not decimal") << "0100"
                                            << "0a00" << false;
        QTest::newRow("device too short") << "010"
                                          << "0200" << false;
        QTest::newRow("latest too long") << "0100"
                                         << "02000" << false;
        QTest::newRow("non-ASCII") << QString::fromUtf8("\xc3\xa9") + "00"
                                   << "0200" << false;
        QTest::newRow("default record") << "0100"
                                        << "0000" << false;
    }
    void updateIsAvailableWhenTheDeviceIsOlder() {
        QFETCH(QString, device);
        QFETCH(QString, latest);
        QFETCH(bool, available);
        QCOMPARE(isFirmwareUpdateAvailable(device, latest), available);
    }

    void catalogueRecordIsNeverReadHalfWritten() {
        Guarded<AdapterModelInfo> record(AdapterModelInfo{"x", "x", "x"});
        std::atomic<bool> stop = false;
        std::thread writer([&] {
            for (int i = 0; !stop; ++i) {
                const QString text = QString::number(i % 10).repeated(4);
                record.set({text, text, text});
            }
        });
        int mixed = 0;
        for (int i = 0; i < 20000; ++i) {
            const AdapterModelInfo copy = record.get();
            if (copy.infoDate != copy.latestVersion || copy.latestVersion != copy.decodeKey)
                ++mixed;
        }
        stop = true;
        writer.join();
        QCOMPARE(mixed, 0);
        record.update([](AdapterModelInfo& value) { value.decodeKey = "changed"; });
        QCOMPARE(record.get().decodeKey, QString("changed"));
    }
};

QTEST_GUILESS_MAIN(TestModelInfoParser)
#include "tst_modelinfoparser.moc"
