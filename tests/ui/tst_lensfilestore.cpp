#include "online/ModelInfoParser.h"
#include "online/NetworkInterface.h"
#include "ui/BuiltInPictures.h"
#include "ui/LensFileStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
QByteArray png(Qt::GlobalColor colour) {
    QImage image(6, 4, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QRgb colourOf(const QImage& image) {
    return image.isNull() ? 0 : image.pixel(0, 0) | 0xff000000u;
}
} // namespace

class TestLensFileStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The copies are named after the last downloads; make them those of lens A036 on mount E0.
        NetworkInterface network(*DownloadHost::fromUrl("http://127.0.0.1:1"));
        network.downloadLensModelsInfo("A036", "E0");
        network.downloadLensImage("A036", "E0");
        network.downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, "A036");
        network.downloadLensFeatureImage(NetworkFileType::focusLimitImage, "A036");
    }

    void catalogueRoundTrip() {
        QTemporaryDir library;
        const LensFileStore store{FileIO(library.path())};
        QVERIFY(!store.storedCatalogue());
        QVERIFY(store.storeCatalogue("<lensinfo>x</lensinfo>"));
        QCOMPARE(store.storedCatalogue().value_or(QByteArray()), QByteArray("<lensinfo>x</lensinfo>"));
        QVERIFY(QFile::exists(library.path() + "/Varnet/lens/lensinfo_A036E0.xml"));
    }

    void storedCatalogueIsBounded_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("taken");
        QTest::newRow("at the bound") << ModelInfoParser::maxCatalogueBytes << true;
        QTest::newRow("one byte over") << ModelInfoParser::maxCatalogueBytes + 1 << false;
    }
    void storedCatalogueIsBounded() {
        QFETCH(qint64, size);
        QFETCH(bool, taken);
        QTemporaryDir library;
        const LensFileStore store{FileIO(library.path())};
        QVERIFY(store.storeCatalogue(QByteArray(size, 'x')));
        QCOMPARE(store.storedCatalogue().has_value(), taken);
    }

    void picture_data() {
        QTest::addColumn<QByteArray>("downloaded"); // empty: the download failed
        QTest::addColumn<bool>("localCopy");
        QTest::addColumn<QRgb>("colour"); // 0: no picture
        QTest::newRow("downloaded") << png(Qt::red) << false << qRgb(255, 0, 0);
        QTest::newRow("downloaded over a copy") << png(Qt::red) << true << qRgb(255, 0, 0);
        QTest::newRow("failed, copy") << QByteArray() << true << qRgb(0, 0, 255);
        QTest::newRow("failed, no copy") << QByteArray() << false << QRgb(0);
        QTest::newRow("not a picture, copy") << QByteArray("<html>404</html>") << true << qRgb(0, 0, 255);
        QTest::newRow("not a picture, no copy") << QByteArray("<html>404</html>") << false << QRgb(0);
    }
    void picture() {
        QFETCH(QByteArray, downloaded);
        QFETCH(bool, localCopy);
        QFETCH(QRgb, colour);
        QTemporaryDir library;
        const LensFileStore store{FileIO(library.path())};
        if (localCopy)
            QVERIFY(!store.picture(NetworkFileType::focusLimitImage, png(Qt::blue)).isNull());
        const auto data = downloaded.isEmpty() ? std::nullopt : std::optional<QByteArray>(downloaded);
        QCOMPARE(colourOf(store.picture(NetworkFileType::focusLimitImage, data)), colour);
        // Whatever arrived intact is what a later offline run finds.
        if (colour)
            QCOMPARE(colourOf(store.picture(NetworkFileType::focusLimitImage, std::nullopt)), colour);
    }

    void builtInPicturesExistForEveryType() {
        for (auto type : {NetworkFileType::lensImage, NetworkFileType::focusAdjustmentImage,
                          NetworkFileType::focusLimitImage})
            QVERIFY(!LensFileStore::builtInPicture(type).isNull());
        for (const QString& name : BuiltInPictures::names())
            QVERIFY2(!BuiltInPictures::named(name).isNull(), qPrintable(name));
        QVERIFY(BuiltInPictures::named("nothing").isNull());
        QCOMPARE(BuiltInPictures::appIcon(64).size(), QSize(64, 64));
    }
};

QTEST_MAIN(TestLensFileStore)
#include "tst_lensfilestore.moc"
