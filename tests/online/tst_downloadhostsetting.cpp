// Which download host a run uses: --download-url, then the settings file, then the environment,
// then the host chosen at build time. (tst_clikit reads the first three from a real process's settings
// file and environment.)
#include "online/DownloadHostSetting.h"

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

private slots:
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
};

QTEST_GUILESS_MAIN(TestDownloadHostSetting)
#include "tst_downloadhostsetting.moc"
