// A download host kept in a local folder answers as the same files served over HTTP do. (Firmware:
// tst_clikit updates from a truncated file over HTTP and from a folder.)
#include "LocalDownloadHost.h"
#include "online/NetworkInterface.h"
#include "RecordingListeners.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {

const QByteArray catalogue = "<zoleninfo>2026/03/04 05:06:07,0102,KEY</zoleninfo>";
// Above the host's error page, which must not count as too large.
constexpr qint64 sizeBound = 4000;

// What a listener learnt from one download, in a form two hosts can be compared by.
struct Heard {
    NetworkFileType type = NetworkFileType::focusLimitImage;
    std::optional<QByteArray> data;
    QString domain;
    int code = 0;

    bool operator==(const Heard&) const = default;
};

QString describe(const Heard& heard) {
    return QStringLiteral("type %1, data %2, error \"%3\" %4")
        .arg(int(heard.type))
        .arg(heard.data ? QString::number(heard.data->size()) : QStringLiteral("none"), heard.domain)
        .arg(heard.code);
}

NetworkLimits smallBounds() {
    NetworkLimits limits;
    limits.maxDataBytes = sizeBound;
    return limits;
}

Heard dataFrom(const DownloadHost& host, const QString& path) {
    auto listener = std::make_shared<RecordingNotificationListener>();
    NetworkInterface network(host, smallBounds());
    network.setNotificationDelegate(listener);
    network.downloadFile(path);
    const auto calls = listener->waitForCalls(1);
    if (calls.size() != 1)
        return {};
    const FileDownloadCall& call = calls.front();
    return {call.type, call.data, call.error ? call.error->domain : QString(),
            call.error ? call.error->code : 0};
}

} // namespace

class TestFolderHost : public QObject {
    Q_OBJECT
    LocalDownloadHost host;
    QTemporaryDir outside;

    DownloadHost folder() const {
        return *DownloadHost::fromUrl(QUrl::fromLocalFile(host.rootPath()).toString());
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put("zolen/adapter/zoleninfo.xml", catalogue);
        host.put("zolen/lens/lensinfo_E000N0.xml", "");
        host.put("zolen/lens/lensinfo_BIGN0.xml", QByteArray(sizeBound + 1, 'x'));
        QFile secret(outside.filePath("secret.png"));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("not for the host") > 0);
        secret.close();
        QVERIFY(QFile::link(secret.fileName(), host.rootPath() + "/zolen/lens/lensimage_LINKN0.png"));
        QVERIFY(QFile::link(host.rootPath() + "/zolen/adapter/zoleninfo.xml",
                            host.rootPath() + "/zolen/lens/lensinfo_INSIDEN0.xml"));
    }

    // The HTTP path is what the host is asked for; the folder path names the same case in a folder.
    // A web server serves nothing outside its root, so a symlink leading out is a missing file.
    void dataOutcomesMatchTheHost_data() {
        QTest::addColumn<QString>("httpPath");
        QTest::addColumn<QString>("folderPath");
        QTest::newRow("catalogue") << "zolen/adapter/zoleninfo.xml"
                                   << "zolen/adapter/zoleninfo.xml";
        QTest::newRow("missing picture") << "zolen/lens/lensimage_A000N0.png"
                                         << "zolen/lens/lensimage_A000N0.png";
        QTest::newRow("empty catalogue") << "zolen/lens/lensinfo_E000N0.xml"
                                         << "zolen/lens/lensinfo_E000N0.xml";
        QTest::newRow("oversized catalogue") << "zolen/lens/lensinfo_BIGN0.xml"
                                             << "zolen/lens/lensinfo_BIGN0.xml";
        QTest::newRow("symlink out of the folder") << "zolen/lens/lensimage_GONEN0.png"
                                                   << "zolen/lens/lensimage_LINKN0.png";
        QTest::newRow("folder in place of a file") << "zolen/lens/lensimage_X.png"
                                                   << "zolen/lens";
    }
    void dataOutcomesMatchTheHost() {
        QFETCH(QString, httpPath);
        QFETCH(QString, folderPath);
        const Heard overHttp = dataFrom(host.downloadHost(), httpPath);
        Heard fromFolder = dataFrom(folder(), folderPath);
        QVERIFY(!overHttp.domain.isEmpty() || overHttp.data);
        fromFolder.type = overHttp.type; // the two names differ where the case needs another file
        QVERIFY2(fromFolder == overHttp, qPrintable(describe(fromFolder) + " <> " + describe(overHttp)));
    }

    void symlinkInsideTheFolderIsServed() {
        const Heard heard = dataFrom(folder(), "zolen/lens/lensinfo_INSIDEN0.xml");
        QCOMPARE(heard.data, catalogue);
        QCOMPARE(heard.type, NetworkFileType::lensModelsInfo);
    }

    void reachabilityIsAReadableFolder_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("the folder") << "" << true;
        QTest::newRow("a missing folder") << "/missing" << false;
        QTest::newRow("a file") << "/zolen/adapter/zoleninfo.xml" << false;
    }
    void reachabilityIsAReadableFolder() {
        QFETCH(QString, relative);
        QFETCH(bool, reachable);
        const auto where = DownloadHost::fromUrl(QUrl::fromLocalFile(host.rootPath() + relative).toString());
        QVERIFY(where && where->isFolder());
        const NetworkInterface network(*where);
        QCOMPARE(network.isNetworkReachable(), reachable);
    }
};

QTEST_GUILESS_MAIN(TestFolderHost)
#include "tst_folderhost.moc"
