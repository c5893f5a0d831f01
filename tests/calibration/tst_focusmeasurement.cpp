// Focus measured from rendered shots: the sign and size of the error, each quality gate refusing
// the shot it exists for, a raw and a JPEG of one scene agreeing, and the command line from the
// printed target (its PNG and JSON, as another renderer would use them) to the measured shots.
#include "calibration/DepthOfField.h"
#include "calibration/FocusMeasurement.h"
#include "calibration/ShotReader.h"
#include "calibration/ShotRenderer.h"
#include "calibration/ShotWriter.h"
#include "calibration/TargetPrinter.h"

#include <opencv2/core.hpp>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {

constexpr int pageDpi = 400;
constexpr double tolerance = 0.15; // of the depth of field

struct Scene {
    double focal = 50, fNumber = 1.4, distanceFactor = 25, tilt = 45;
    double offsetInDepths = 0; // the focus plane behind the AF edge, in depths of field
    double offset_mm = 0;      // or in millimetres, when set
    double exposure = 0.6, motion = 0;
};

CameraSetup cameraFor(const Scene& scene) {
    CameraSetup camera;
    camera.widthPx = 3000;
    camera.heightPx = 2000;
    camera.focalLength_mm = scene.focal;
    camera.fNumber = scene.fNumber;
    camera.distance_mm = scene.focal * scene.distanceFactor;
    camera.tilt_deg = scene.tilt;
    camera.exposure = scene.exposure;
    camera.motionBlur_px = scene.motion;
    // The depth of field by the textbook formula, circle of confusion 0.029 mm on 36 x 24 mm.
    const double f = scene.focal, s = camera.distance_mm, c = std::hypot(36.0, 24.0) / 1500;
    const double hyperfocal = f * f / (scene.fNumber * c) + f;
    const double depth =
        s * (hyperfocal - f) / (hyperfocal - s) - s * (hyperfocal - f) / (hyperfocal + s - 2 * f);
    camera.focusOffset_mm = scene.offset_mm != 0 ? scene.offset_mm : scene.offsetInDepths * depth;
    return camera;
}

double depthOfField(const CameraSetup& camera) {
    return DepthOfField::of(camera.focalLength_mm, camera.fNumber, camera.distance_mm,
                            std::hypot(36.0, 24.0) / 1500)
        .total_mm;
}

const ShotRenderer& renderer() {
    static const TargetLayout layout = TargetLayout::forPaper(Paper::a4);
    static const ShotRenderer instance(layout, TargetPrinter::render(layout, pageDpi), pageDpi);
    return instance;
}

FocusResult measureJpeg(const ShotRenderer& with, const CameraSetup& camera, int quality = 92) {
    const QByteArray jpeg =
        ShotWriter::jpegData(with.renderLinear(camera, 7), ShotRenderer::metadataFor(camera), quality);
    const ShotReadResult read = ShotReader::readData(jpeg, QStringLiteral("shot.jpg"));
    return read.shot ? FocusMeasurement::measure(*read.shot) : FocusResult::refusal(read.reason);
}

QJsonObject runCli(const QStringList& arguments, int expectedExit) {
    QProcess cli;
    cli.start(QStringLiteral(LENSDOCK_CLI_EXE), arguments);
    if (!cli.waitForFinished(120000))
        return {};
    const QByteArray out = cli.readAllStandardOutput();
    if (cli.exitCode() != expectedExit)
        qWarning("exit %d: %s %s", cli.exitCode(), out.constData(), cli.readAllStandardError().constData());
    return cli.exitCode() == expectedExit ? QJsonDocument::fromJson(out).object() : QJsonObject{};
}

} // namespace

Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(FocusVerdict)

class TestFocusMeasurement : public QObject {
    Q_OBJECT

private slots:
    // OpenCV's loops on its own TBB threads, whose hand-overs ThreadSanitizer cannot see, would
    // bury a real race in false ones; the code under test runs the same on one thread.
    void initTestCase() { cv::setNumThreads(0); }
    void measuresTheFocusPlane_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<FocusVerdict>("verdict");
        QTest::newRow("front focus") << Scene{.offsetInDepths = -0.6} << FocusVerdict::frontFocus;
        QTest::newRow("at the AF edge") << Scene{} << FocusVerdict::inFocus;
        QTest::newRow("back focus") << Scene{.offsetInDepths = 0.6} << FocusVerdict::backFocus;
        QTest::newRow("85 mm f/2, turned 40 degrees")
            << Scene{.focal = 85, .fNumber = 2, .distanceFactor = 30, .tilt = 40, .offsetInDepths = 0.4}
            << FocusVerdict::backFocus;
    }
    void measuresTheFocusPlane() {
        QFETCH(Scene, scene);
        QFETCH(FocusVerdict, verdict);
        const CameraSetup camera = cameraFor(scene);
        const FocusResult result = measureJpeg(renderer(), camera);
        QVERIFY2(result.measured(), qPrintable(result.reason));
        const double depth = depthOfField(camera);
        QVERIFY2(std::abs(result.focusError_mm - camera.focusOffset_mm) <= tolerance * depth,
                 qPrintable(QStringLiteral("measured %1 mm, true %2 mm, depth of field %3 mm")
                                .arg(result.focusError_mm)
                                .arg(camera.focusOffset_mm)
                                .arg(depth)));
        QCOMPARE(result.verdict, verdict);
        QVERIFY(result.intervalLow_mm <= result.focusError_mm &&
                result.focusError_mm <= result.intervalHigh_mm);
        QVERIFY(std::abs(result.tilt_deg - scene.tilt) < 2);
        QVERIFY(std::abs(result.distance_mm - camera.distance_mm) < 0.02 * camera.distance_mm);
    }

    void refusesWithItsReason_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("reason");
        QTest::newRow("too small in the frame") << Scene{.distanceFactor = 110} << "too few edges";
        QTest::newRow("overexposed") << Scene{.exposure = 1.6} << "highlights clipped";
        QTest::newRow("camera shake") << Scene{.motion = 7} << "motion blur";
        QTest::newRow("turned too little") << Scene{.tilt = 22} << "turn it between 30° and 60°";
        QTest::newRow("turned too far") << Scene{.tilt = 66} << "turn it between 30° and 60°";
        QTest::newRow("behind the far end")
            << Scene{.fNumber = 2.8, .offset_mm = 130} << "back-focus error is larger";
        QTest::newRow("before the near end")
            << Scene{.fNumber = 2.8, .offset_mm = -130} << "front-focus error is larger";
    }
    void refusesWithItsReason() {
        QFETCH(Scene, scene);
        QFETCH(QString, reason);
        const FocusResult result = measureJpeg(renderer(), cameraFor(scene));
        QVERIFY2(!result.measured() && result.reason.contains(reason), qPrintable(result.reason));
    }

    void aShotWithoutTheTargetIsRefused() {
        QImage blank(400, 300, QImage::Format_Grayscale8);
        blank.fill(255);
        const ShotRenderer empty(TargetLayout::forPaper(Paper::a4), blank, 34);
        const FocusResult result = measureJpeg(empty, cameraFor(Scene{}));
        QVERIFY2(result.reason.startsWith(QStringLiteral("target not found")), qPrintable(result.reason));
    }

    void rawAndJpegOfOneSceneAgree() {
        const CameraSetup camera = cameraFor(Scene{.offsetInDepths = 0.3});
        QTemporaryDir folder;
        const QString dng = folder.filePath(QStringLiteral("scene.dng"));
        QString error;
        QVERIFY2(ShotWriter::writeDng(dng, renderer().renderMosaic(camera, 3), 16383, 512,
                                      ShotRenderer::metadataFor(camera), &error),
                 qPrintable(error));
        const ShotReadResult raw = ShotReader::read(dng);
        QVERIFY2(raw.shot && raw.shot->raw, qPrintable(raw.reason));
        const FocusResult fromRaw = FocusMeasurement::measure(*raw.shot);
        const FocusResult fromJpeg = measureJpeg(renderer(), camera);
        QVERIFY2(fromRaw.measured() && fromJpeg.measured(), qPrintable(fromRaw.reason + fromJpeg.reason));
        const double spread = (fromRaw.intervalHigh_mm - fromRaw.intervalLow_mm) +
                              (fromJpeg.intervalHigh_mm - fromJpeg.intervalLow_mm);
        QVERIFY2(
            std::abs(fromRaw.focusError_mm - fromJpeg.focusError_mm) <= spread,
            qPrintable(
                QStringLiteral("raw %1, JPEG %2").arg(fromRaw.focusError_mm).arg(fromJpeg.focusError_mm)));
    }

    // The printed target's PNG and JSON are all another renderer needs; what it renders from them,
    // the command line measures, and it refuses what is not a photo.
    void fromThePrintedTargetToTheMeasuredShot() {
        QTemporaryDir folder;
        const auto path = [&folder](const char* name) { return folder.filePath(QLatin1String(name)); };
        runCli({"calibrate", "target", "--output", path("t.pdf"), "--png", path("t.png"), "--dpi", "300",
                "--json", path("t.json")},
               0);
        QFile json(path("t.json"));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject geometry = QJsonDocument::fromJson(json.readAll()).object();
        QString error;
        const auto layout = TargetLayout::fromJson(geometry, &error);
        QVERIFY2(layout, qPrintable(error));
        QCOMPARE(geometry.value("pngDpi").toInt(), 300);
        const ShotRenderer fromPrint(*layout, QImage(path("t.png")), geometry.value("pngDpi").toDouble());
        const CameraSetup camera = cameraFor(Scene{.offsetInDepths = -0.5});
        QVERIFY(ShotWriter::writeJpeg(path("shot.jpg"), fromPrint.renderLinear(camera, 5),
                                      ShotRenderer::metadataFor(camera), 90, &error));
        QFile text(path("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a photo\n") > 0);
        text.close();
        const QJsonArray shots =
            runCli({"--json", "calibrate", "measure", path("shot.jpg"), path("notes.jpg")}, 7)
                .value("shots")
                .toArray();
        QCOMPARE(shots.size(), 2);
        const QJsonObject measured = shots[0].toObject();
        QCOMPARE(measured.value("verdict").toString(), QStringLiteral("front focus"));
        QVERIFY(std::abs(measured.value("focusError_mm").toDouble() - camera.focusOffset_mm) <=
                tolerance * depthOfField(camera));
        QCOMPARE(measured.value("interval_mm").toArray().size(), 2);
        QVERIFY(measured.value("peakAlongTarget_mm").toDouble() < 0);
        QCOMPARE(shots[1].toObject().value("verdict").toString(), QStringLiteral("refused"));
        QVERIFY(!shots[1].toObject().value("reason").toString().isEmpty());
    }
};

QTEST_MAIN(TestFocusMeasurement)
#include "tst_focusmeasurement.moc"
