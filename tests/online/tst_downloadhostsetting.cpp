// Which download host a run uses: --download-url, then the settings file, then the environment,
// then the host chosen at build time.
#include "online/DownloadHostSetting.h"

#include <QCommandLineParser>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DownloadHostSource)

namespace {
const QString optionUrl = QStringLiteral("https://option.test");
const QString settingsUrl = QStringLiteral("https://settings.test");
const QString environmentUrl = QStringLiteral("file:///srv/kit");

std::optional<QString> given(bool set, const QString& url) {
    return set ? std::optional<QString>(url) : std::nullopt;
}
} // namespace

class TestDownloadHostSetting : public QObject {
    Q_OBJECT
    QTemporaryDir config;

private slots:
    void initTestCase() {
        // Before the first QSettings: the settings file lives here for this run.
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }

    void strongestSetSourceWins_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("settings");
        QTest::addColumn<bool>("environment");
        QTest::addColumn<DownloadHostSource>("source");
        QTest::addColumn<QString>("url");
        QTest::newRow("all four") << true << true << true << DownloadHostSource::commandLine << optionUrl;
        QTest::newRow("option over the environment")
            << true << false << true << DownloadHostSource::commandLine << optionUrl;
        QTest::newRow("settings over the environment")
            << false << true << true << DownloadHostSource::settingsFile << settingsUrl;
        QTest::newRow("settings alone")
            << false << true << false << DownloadHostSource::settingsFile << settingsUrl;
        QTest::newRow("environment alone")
            << false << false << true << DownloadHostSource::environment << environmentUrl;
        QTest::newRow("none") << false << false << false << DownloadHostSource::builtIn
                              << LENSDOCK_EXPECTED_DOWNLOAD_URL;
    }
    void strongestSetSourceWins() {
        QFETCH(bool, option);
        QFETCH(bool, settings);
        QFETCH(bool, environment);
        QFETCH(DownloadHostSource, source);
        QFETCH(QString, url);
        const DownloadHostSetting::Candidates candidates{
            given(option, optionUrl), given(settings, settingsUrl), given(environment, environmentUrl)};
        const auto choice = DownloadHostSetting::choose(candidates);
        QVERIFY(choice);
        QCOMPARE(choice->source, source);
        QCOMPARE(choice->host, *DownloadHost::fromUrl(url));
    }

    // A broken value is an error that names where it was set, not a quiet fall-back to a weaker one.
    void unusableValueNamesItsSource_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QString>("sourceWords");
        QTest::newRow("settings") << false << "settings file";
        QTest::newRow("option") << true << "command line";
    }
    void unusableValueNamesItsSource() {
        QFETCH(bool, option);
        QFETCH(QString, sourceWords);
        const QString broken = QStringLiteral("ftp://mirror.test");
        const DownloadHostSetting::Candidates candidates{given(option, broken), broken, environmentUrl};
        QString error;
        QVERIFY(!DownloadHostSetting::choose(candidates, &error));
        QVERIFY2(error.contains(broken) && error.contains(sourceWords), qPrintable(error));
    }

    void candidatesAreReadFromTheSystem_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<DownloadHostSource>("source");
        const QStringList withOption{"app", "--download-url", optionUrl};
        QTest::newRow("option") << withOption << settingsUrl << environmentUrl.toUtf8()
                                << DownloadHostSource::commandLine;
        QTest::newRow("settings file") << QStringList{"app"} << settingsUrl << environmentUrl.toUtf8()
                                       << DownloadHostSource::settingsFile;
        QTest::newRow("empty setting is unset")
            << QStringList{"app"} << "" << environmentUrl.toUtf8() << DownloadHostSource::environment;
        QTest::newRow("nothing set") << QStringList{"app"} << "" << QByteArray()
                                     << DownloadHostSource::builtIn;
    }
    void candidatesAreReadFromTheSystem() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, stored);
        QFETCH(QByteArray, environment);
        QFETCH(DownloadHostSource, source);
        {
            QSettings settings(DownloadHostSetting::settingsFilePath(), QSettings::NativeFormat);
            settings.setValue(DownloadHostSetting::settingsKey, stored);
        }
        QVERIFY(DownloadHostSetting::settingsFilePath().startsWith(config.path()));
        qputenv("LENSDOCK_DOWNLOAD_URL", environment);
        QCommandLineParser parser;
        parser.addOption(DownloadHost::commandLineOption());
        QVERIFY(parser.parse(arguments));
        const auto choice = DownloadHostSetting::choose(DownloadHostSetting::fromSystem(parser));
        qunsetenv("LENSDOCK_DOWNLOAD_URL");
        QVERIFY(choice);
        QCOMPARE(choice->source, source);
    }
};

QTEST_GUILESS_MAIN(TestDownloadHostSetting)
#include "tst_downloadhostsetting.moc"
