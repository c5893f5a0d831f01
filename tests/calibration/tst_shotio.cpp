#include "calibration/ShotReader.h"
#include "calibration/ShotWriter.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {

template <typename... T> void row(const char* name, T... values) {
    (QTest::newRow(name) << ... << values);
}

// Flat blocks of known linear levels, side by side; the fifth is 0.5, which sRGB encodes as 0.7354.
const std::vector<float> levels{0.01f, 0.05f, 0.1f, 0.2f, 0.5f, 0.75f, 0.95f};
constexpr int block = 16;

cv::Mat1f blocks() {
    cv::Mat1f image(block, block * int(levels.size()));
    for (int x = 0; x < image.cols; ++x)
        image.col(x).setTo(levels[x / block]);
    return image;
}

const ShotMetadata metadata{85.5,      2.8,       128,      std::nullopt,
                            "TestCam", "Model 7", "SN0042", QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9))};

// The metadata as text, numbers to two decimals: a sensor width of 36 mm * 85.5 / 128 reads "24.05".
QString described(const ShotMetadata& m) {
    const auto n = [](std::optional<double> v) { return v ? QString::number(*v, 'f', 2) : QString("-"); };
    return QString("%1|%2|%3|%4|%5|%6|%7|%8")
        .arg(n(m.focalLength_mm), n(m.fNumber), n(m.focalLength35mm_mm), n(m.sensorWidth_mm), m.make, m.model,
             m.bodySerial, m.taken.toString(Qt::ISODate));
}
const QString fullMetadata("85.50|2.80|128.00|24.05|TestCam|Model 7|SN0042|2024-05-17T14:03:09");

// A Bayer mosaic in the given 2x2 colour order (0 red, 1 green, 2 blue): greens on a gradient, red and
// blue saturated, so that taking any of them shows.
cv::Mat1w mosaic(int width, int height, int black, int white,
                 const QByteArray& cfa = QByteArray("\0\1\1\2", 4)) {
    cv::Mat1w m(height, width);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            m(r, c) =
                cfa[r % 2 * 2 + c % 2] == 1 ? black + (white - black) * ((r * 7 + c * 13) % 97) / 100 : white;
    return m;
}

} // namespace

class TestShotIo : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void imageRoundTrip_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<QString>("expected");
        row("JPEG", QString("shot.jpg"), 0.01, fullMetadata);
        row("PNG", QString("shot.png"), 1e-3, QString("-|-|-|-||||"));
        row("TIFF", QString("shot.TIF"), 1e-3, fullMetadata);
    }
    void imageRoundTrip() {
        QFETCH(QString, fileName);
        QFETCH(double, tolerance);
        QFETCH(QString, expected);
        const QString path = dir_.filePath(fileName);
        QString error;
        const bool jpeg = fileName.endsWith(".jpg"), png = fileName.endsWith(".png");
        QVERIFY2(jpeg  ? ShotWriter::writeJpeg(path, blocks(), metadata, 95, &error)
                 : png ? ShotWriter::writePng(path, blocks(), &error)
                       : ShotWriter::writeTiff(path, blocks(), metadata, &error),
                 qPrintable(error));
        QCOMPARE_LE(std::abs(QImage(path).pixelColor(4 * block + 8, 8).greenF() - 0.7354), 0.003);
        const ShotReadResult result = ShotReader::read(path);
        QVERIFY2(result.shot, qPrintable(result.reason));
        const Shot& shot = *result.shot;
        QVERIFY(shot.linear.cols == block * int(levels.size()) && !shot.raw &&
                shot.sensorPixelsPerPixel == 1 && shot.sensorWidthPx == shot.linear.cols);
        for (std::size_t i = 0; i < levels.size(); ++i)
            QCOMPARE_LE(std::abs(shot.linear(block / 2, int(i) * block + block / 2) - levels[i]), tolerance);
        QCOMPARE(described(shot.metadata), expected);
    }
    void dngRoundTrip_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("black");
        QTest::addColumn<int>("white");
        QTest::addColumn<QByteArray>("cfa");
        row("RGGB, 12-bit, no black", QSize(64, 48), 0, 4095, QByteArray("\0\1\1\2", 4));
        row("GRBG, 14-bit, black 512", QSize(64, 48), 512, 16383, QByteArray("\1\0\2\1", 4));
        row("GBRG, odd size, 16-bit", QSize(45, 33), 2048, 65535, QByteArray("\1\2\0\1", 4));
        row("BGGR, 12-bit, black 200", QSize(40, 30), 200, 4095, QByteArray("\2\1\1\0", 4));
    }
    void dngRoundTrip() {
        QFETCH(QSize, size);
        const int width = size.width(), height = size.height();
        QFETCH(int, black);
        QFETCH(int, white);
        QFETCH(QByteArray, cfa);
        const QString path = dir_.filePath("shot.dng");
        const cv::Mat1w m = mosaic(width, height, black, white, cfa);
        QVERIFY(ShotWriter::writeDng(path, m, white, black, metadata, nullptr));
        QFile file(path); // the writer's RGGB CFAPattern entry (tag 33422, 4 bytes) set to this row's order
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray rggb("\x8E\x82\x01\0\4\0\0\0\0\1\1\2", 12);
        const ShotReadResult result =
            ShotReader::readData(file.readAll().replace(rggb, rggb.left(8) + cfa), path);
        QVERIFY2(result.shot, qPrintable(result.reason));
        const Shot& shot = *result.shot;
        QVERIFY(shot.raw && shot.sensorPixelsPerPixel == 2 && shot.sensorWidthPx == width &&
                shot.linear.cols == width / 2 && shot.linear.rows == height / 2);
        for (int y = 0; y < shot.linear.rows; ++y)
            for (int x = 0; x < shot.linear.cols; ++x) {
                double greens = 0;
                for (int i = 0; i < 4; ++i)
                    greens += cfa[i] == 1 ? m(2 * y + i / 2, 2 * x + i % 2) - black : 0;
                QCOMPARE_LE(std::abs(shot.linear(y, x) - greens / 2 / (white - black)), 1e-5);
            }
        QCOMPARE(described(shot.metadata), fullMetadata);
    }
    void unreadable_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("reason");
        const QByteArray jpeg = ShotWriter::jpegData(blocks(), metadata, 90);
        QByteArray huge = jpeg; // the frame header claims 20000 x 20000 pixels
        huge.replace(huge.indexOf("\xFF\xC0") + 5, 4, QByteArray("\x4E\x20\x4E\x20", 4));
        QFile dng(dir_.filePath("whole.dng"));
        QVERIFY(ShotWriter::writeDng(dng.fileName(), mosaic(64, 48, 0, 4095), 4095, 0, metadata, nullptr));
        QVERIFY(dng.open(QIODevice::ReadOnly));
        const QByteArray bayer = dng.readAll(), cfa("\x06\x01\3\0\1\0\0\0\x23\x80", 10);
        // The same with PhotometricInterpretation LinearRaw instead of CFA: one channel, no mosaic.
        const QByteArray mono = QByteArray(bayer).replace(cfa, cfa.left(8) + "\x4C\x88");
        row("empty file", QByteArray(""), QString("a.jpg"), QString("empty"));
        row("text named .jpg", QByteArray("focus notes\n"), QString("a.jpg"), QString("not a JPEG"));
        row("truncated JPEG", jpeg.chopped(8), QString("a.jpg"), QString("truncated"));
        row("too large", huge, QString("a.jpeg"), QString("too large.*200 megapixels"));
        row("unknown format", QByteArray("GIF89a\1\0\1\0"), QString("a.gif"), QString("unknown format"));
        row("garbage .dng", QByteArray(4000, '\x5A'), QString("a.DNG"), QString("LibRaw cannot open"));
        row("truncated DNG", bayer.left(3000), QString("a.dng"), QString("LibRaw|truncated"));
        row("missing file", QByteArray(), QString("missing.jpg"), QString("cannot open the file"));
        row("monochrome DNG", mono, QString("a.dng"), QString("not a Bayer mosaic"));
        row("unknown raw with a preview", QByteArray(3000, '\x11') + jpeg, QString("a.NEF"),
            QString("embedded JPEG preview instead"));
    }
    void unreadable() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fileName);
        QFETCH(QString, reason);
        QFile file(dir_.filePath(fileName));
        if (!bytes.isNull()) // a null array stands for a file that does not exist
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(bytes) == bytes.size());
        file.close();
        const ShotReadResult result = ShotReader::read(file.fileName());
        // Only a raw file's own preview may be read "instead", and then with a note saying so.
        const QString said = result.shot ? result.shot->note : result.reason;
        QVERIFY2(said.contains(QRegularExpression(reason)), qPrintable(said));
        QCOMPARE(bool(result.shot), reason.contains("instead"));
    }
};

QTEST_GUILESS_MAIN(TestShotIo)
#include "tst_shotio.moc"
