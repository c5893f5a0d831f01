#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareKeys.h"
#include "FirmwareTestFiles.h"
#include "LogCapture.h"

#include <QTest>

using namespace lensdock;

class TestFirmwareCipher : public QObject {
    Q_OBJECT

private slots:
    void baseKeyIsThePassPhraseOnceThenItsFirstElevenBytes() {
        QCOMPARE(FirmwareKeys::basePassPhrase, QString("CipherUtilityRootWord"));
        QCOMPARE(FirmwareKeys::baseKey(), firmwaretest::baseKey);
        QCOMPARE(FirmwareKeys::baseKey(), QByteArray("CipherUtilityRootWordCipherUtili"));
    }

    void repeatToLength_data() {
        QTest::addColumn<QByteArray>("phrase");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("three bytes") << QByteArray("abc") << QByteArray("abcabcabcabcabcabcabcabcabcabcab");
        QTest::newRow("exactly 32") << QByteArray("0123456789abcdefghijklmnopqrstuv")
                                    << QByteArray("0123456789abcdefghijklmnopqrstuv");
        QTest::newRow("longer than 32") << QByteArray("0123456789abcdefghijklmnopqrstuvWXYZ")
                                        << QByteArray("0123456789abcdefghijklmnopqrstuv");
        QTest::newRow("one byte") << QByteArray("x") << QByteArray(32, 'x');
        QTest::newRow("empty gives zeros") << QByteArray() << QByteArray(32, '\0');
    }
    void repeatToLength() {
        QFETCH(QByteArray, phrase);
        QFETCH(QByteArray, expected);
        QCOMPARE(FirmwareKeys::repeatToLength(phrase, 32), expected);
    }

    void acceptsHexadecimalKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("upper case") << firmwaretest::decodeKeyText;
        QTest::newRow("lower case") << firmwaretest::decodeKeyText.toLower();
        QTest::newRow("mixed case") << QString(
            "00112233445566778899aAbBcCdDeEfF0123456789ABCDEFfedcba9876543210");
    }
    void acceptsHexadecimalKeys() {
        QFETCH(QString, text);
        LogCapture capture;
        QCOMPARE(FirmwareKeys::parseDecodeKey(text),
                 std::optional<QByteArray>(
                     hexBytes("00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210")));
        QVERIFY(capture.lines().isEmpty());
    }

    void refusesMalformedKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("errorLine");
        const QString key = firmwaretest::decodeKeyText;
        const QString length = "[Decode] Error decryptionKeyData Length";
        const QString digit = "[Decode] Error Invalid key";
        QTest::newRow("empty") << QString() << length;
        QTest::newRow("63 digits") << key.left(63) << length;
        QTest::newRow("65 digits") << key + "0" << length;
        QTest::newRow("G in the middle") << key.left(30) + "G" + key.mid(31) << digit;
        QTest::newRow("space at the end") << key.left(63) + " " << digit;
        QTest::newRow("sign before a digit") << "-" + key.mid(1) << digit;
        // 63 characters that are 64 bytes in UTF-8: the length passes, the digit does not.
        QTest::newRow("two-byte character") << key.left(62) + QChar(0x00E9) << digit;
        // 64 characters that are 65 bytes in UTF-8.
        QTest::newRow("64 characters, 65 bytes") << key.left(63) + QChar(0x00E9) << length;
    }
    void refusesMalformedKeys() {
        QFETCH(QString, text);
        QFETCH(QString, errorLine);
        LogCapture capture;
        QVERIFY(!FirmwareKeys::parseDecodeKey(text).has_value());
        QCOMPARE(capture.untimed(), QStringList{errorLine});
    }

    void withoutAKeyGivesNothing() {
        LogCapture capture;
        FirmwareCipher cipher;
        QVERIFY(!cipher.doAlgorithm(QByteArray("abc")).has_value());
        QCOMPARE(capture.untimed(), QStringList{"[Decode] Error Algorithm not initialize"});
    }

    void xorsWithTheKeyStream_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("keyIndexAfter");
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
        QTest::newRow("zeros give the key") << QByteArray(4, '\0') << hexBytes("43 78 52 5B") << 4;
        QTest::newRow("key gives zeros") << firmwaretest::fileKey << QByteArray(32, '\0') << 0;
        QTest::newRow("wraps after 32 bytes") << QByteArray(34, '\xFF')
                                              << hexBytes("BC87ADA4DED8CCFC1E0A3C304A707E6F"
                                                          "8A8BD5EA12175B6069463732FDC2A186 BC87")
                                              << 2;
    }
    void xorsWithTheKeyStream() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QFETCH(int, keyIndexAfter);
        FirmwareCipher cipher;
        cipher.setKey(firmwaretest::fileKey);
        QCOMPARE(cipher.doAlgorithm(input), std::optional<QByteArray>(expected));
        QCOMPARE(cipher.keyIndex(), keyIndexAfter);
    }

    void successiveCallsContinueOneStream() {
        const QByteArray plain = firmwaretest::pattern(100);
        FirmwareCipher cipher;
        cipher.setKey(firmwaretest::fileKey);
        QByteArray pieces;
        for (int length : {7, 0, 25, 1, 40, 27})
            pieces += *cipher.doAlgorithm(plain.mid(pieces.size(), length));
        QCOMPARE(pieces, firmwaretest::encipher(plain));
        QCOMPARE(cipher.keyIndex(), 100 % 32);
    }

    void settingAKeyRestartsTheStream() {
        FirmwareCipher cipher;
        cipher.setKey(firmwaretest::fileKey);
        QVERIFY(cipher.doAlgorithm(QByteArray(5, '\0')).has_value());
        cipher.setKey(firmwaretest::baseKey);
        QCOMPARE(cipher.keyIndex(), 0);
        QCOMPARE(cipher.doAlgorithm(QByteArray(3, '\0')), std::optional<QByteArray>(QByteArray("Cip")));
    }
};

QTEST_APPLESS_MAIN(TestFirmwareCipher)
#include "tst_firmwarecipher.moc"
