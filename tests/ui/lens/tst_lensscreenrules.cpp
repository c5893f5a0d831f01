#include "online/FirmwareVersionCheck.h"
#include "ui/lens/LensScreen.h"
#include "ui/Translations.h"

#include <QTest>

using namespace lensdock;

// The lens screen's rules that need no device: the version text, the update rule and the mount names.
class TestLensScreenRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void firmwareVersionText_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("leading zero dropped") << "0105"
                                              << "Version 1";
        QTest::newRow("two digits") << "1203"
                                    << "Version 12";
        QTest::newRow("empty") << ""
                               << "Version ";
        QTest::newRow("not a number") << "ab12"
                                      << "Version ab";
        QTest::newRow("one character") << "7"
                                       << "Version 7";
    }
    void firmwareVersionText() {
        QFETCH(QString, version);
        QFETCH(QString, shown);
        QCOMPARE(LensScreen::firmwareVersionText(version), shown);
    }

    void isLensUpdateAvailable_data() {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("available");
        QTest::newRow("next major") << "0200"
                                    << "0199" << true;
        QTest::newRow("only two digits count") << "0150"
                                               << "0109" << false;
        QTest::newRow("three-character catalogue") << "200"
                                                   << "0100" << false;
        QTest::newRow("five-character lens") << "0200"
                                             << "01000" << false;
        QTest::newRow("same") << "0100"
                              << "0100" << false;
        QTest::newRow("lens newer") << "0100"
                                    << "0200" << false;
        QTest::newRow("catalogue not a number") << "xx00"
                                                << "0100" << false;
        QTest::newRow("lens not a number") << "0200"
                                           << "ff00" << false;
        QTest::newRow("multi-byte character") << "0200" << QString::fromUtf8("0\xc3\xa9") + "1" << false;
        QTest::newRow("larger numbers") << "1200"
                                        << "0900" << true;
    }
    void isLensUpdateAvailable() {
        QFETCH(QString, latest);
        QFETCH(QString, current);
        QFETCH(bool, available);
        QCOMPARE(isFirmwareUpdateAvailable(current, latest), available);
    }

    void mountName_data() {
        QTest::addColumn<int>("mountInfo");
        QTest::addColumn<QString>("name");
        QTest::newRow("1") << 1 << "Canon";
        QTest::newRow("2") << 2 << "Nikon";
        QTest::newRow("3") << 3 << "SONY";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("4") << 4 << "";
    }
    void mountName() {
        QFETCH(int, mountInfo);
        QFETCH(QString, name);
        QCOMPARE(LensScreen::mountName(mountInfo), name);
    }
};

QTEST_MAIN(TestLensScreenRules)
#include "tst_lensscreenrules.moc"
