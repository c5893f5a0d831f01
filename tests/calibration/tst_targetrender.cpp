#include "calibration/ShotRenderer.h"
#include "calibration/TargetPrinter.h"

#include <apriltag/apriltag.h>
#include <apriltag/tag36h11.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {

using Project = std::function<QPointF(QPointF)>;         // page millimetres to image pixels
using Pose = std::tuple<double, double, double, double>; // tilt and roll (degrees), shift x and y (mm)

// Every marker found with its id, each corner within the tolerance of where the layout puts it.
void checkMarkers(const cv::Mat1b& image, const TargetLayout& layout, const Project& project,
                  double tolerance) {
    apriltag_family_t* family = tag36h11_create();
    apriltag_detector_t* detector = apriltag_detector_create();
    apriltag_detector_add_family(detector, family);
    detector->quad_decimate = 1;
    image_u8_t frame{image.cols, image.rows, int(image.step), image.data};
    zarray_t* found = apriltag_detector_detect(detector, &frame);
    QMap<int, std::array<QPointF, 4>> corners;
    for (int i = 0; i < zarray_size(found); ++i) {
        apriltag_detection_t* d = nullptr;
        zarray_get(found, i, &d);
        // The detector starts at the tag's bottom-left and runs counter-clockwise on the image.
        for (int k = 0; k < 4; ++k)
            corners[d->id][3 - k] = QPointF(d->p[k][0], d->p[k][1]);
    }
    apriltag_detections_destroy(found);
    apriltag_detector_destroy(detector);
    tag36h11_destroy(family);
    QCOMPARE(corners.size(), layout.markers.size());
    for (const TargetMarker& marker : layout.markers)
        for (int k = 0; k < 4; ++k)
            QVERIFY2(QLineF(corners.value(marker.id)[k], project(marker.corners[k])).length() < tolerance,
                     qPrintable(QStringLiteral("marker %1 corner %2").arg(marker.id).arg(k)));
}

// The renderer's pinhole camera, worked out here on its own.
Project pinhole(const TargetLayout& layout, const CameraSetup& c) {
    return [layout, c](QPointF page) {
        const double t = qDegreesToRadians(c.tilt_deg), r = qDegreesToRadians(c.roll_deg);
        const double u0 = page.x() - layout.afEdgeX_mm, v0 = page.y() - layout.pageHeight_mm / 2;
        const double u = u0 * std::cos(r) - v0 * std::sin(r), v = u0 * std::sin(r) + v0 * std::cos(r);
        const double z = c.distance_mm + u * std::sin(t), f = c.focalLength_mm * c.widthPx / c.sensorWidth_mm;
        return QPointF(c.widthPx / 2.0 + f * (u * std::cos(t) + c.shiftX_mm) / z,
                       c.heightPx / 2.0 + f * (v + c.shiftY_mm) / z);
    };
}

// The PDF's page is the paper; the PNG prints at its size, the markers where the layout puts them.
void checkPrints(const TargetLayout& layout, QSizeF size_mm, int dpi) {
    QTemporaryDir dir;
    QFile pdf(dir.filePath("t.pdf"));
    QVERIFY(TargetPrinter::writePdf(layout, pdf.fileName(), nullptr) && pdf.open(QIODevice::ReadOnly));
    const auto box = QRegularExpression(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])")
                         .match(QString::fromLatin1(pdf.readAll())); // the page dictionary is plain text
    QVERIFY(std::abs(box.captured(1).toDouble() - size_mm.width() / 25.4 * 72) <= 0.5);
    QVERIFY(std::abs(box.captured(2).toDouble() - size_mm.height() / 25.4 * 72) <= 0.5);
    QVERIFY(TargetPrinter::writePng(layout, dir.filePath("t.png"), dpi, nullptr));
    QImage png = QImage(dir.filePath("t.png")).convertToFormat(QImage::Format_Grayscale8);
    const double pxPerMm = dpi / 25.4;
    QCOMPARE(png.size(), (size_mm * pxPerMm).toSize());
    QVERIFY(std::abs(png.dotsPerMeterX() * 0.0254 - dpi) < 0.05 &&
            png.dotsPerMeterY() == png.dotsPerMeterX());
    const auto toPixels = [pxPerMm](QPointF mm) { return mm * pxPerMm; };
    checkMarkers(cv::Mat1b(png.height(), png.width(), png.bits(), png.bytesPerLine()), layout, toPixels, 0.5);
}

// Energy of the horizontal gradient over a patch of the target 60 mm across, `along` mm from the AF edge.
double sharpness(const cv::Mat1f& shot, const Project& project, const TargetLayout& layout, double along) {
    const QPointF centre(layout.afEdgeX_mm + along, layout.pageHeight_mm / 2), half(30, 30);
    const QRect box = QRectF(project(centre - half), project(centre + half)).normalized().toRect();
    cv::Mat1f dx;
    cv::Sobel(shot(cv::Rect(box.x(), box.y(), box.width(), box.height())), dx, CV_32F, 1, 0);
    return cv::mean(dx.mul(dx))[0];
}

// A shot shows the markers where a pinhole camera puts them. Focus moved to a third of the page in
// front of the AF edge (side -1) blurs the far third and sharpens the near one; behind it (+1) the
// other way round.
void checkShots(const TargetLayout& layout, const Pose& pose, int side) {
    const ShotRenderer renderer(layout, TargetPrinter::render(layout, 200), 200);
    // A 3000 x 2000 body with a 50 mm f/2 lens, 30 to 42 focal lengths from the target.
    CameraSetup camera{
        .fNumber = 2, .widthPx = 3000, .heightPx = 2000, .distance_mm = 5 * layout.pageWidth_mm};
    std::tie(camera.tilt_deg, camera.roll_deg, camera.shiftX_mm, camera.shiftY_mm) = pose;
    const Project project = pinhole(layout, camera);
    const cv::Mat1f inFocus = renderer.renderLinear(camera, 1);
    checkMarkers(cv::Mat1b(inFocus * 255), layout, project, 1.0);
    const double third = layout.pageWidth_mm / 3;
    camera.focusOffset_mm = side * third * std::sin(qDegreesToRadians(camera.tilt_deg));
    const cv::Mat1f moved = renderer.renderLinear(camera, 2);
    const auto ratio = [&](double u) {
        return sharpness(moved, project, layout, u) / sharpness(inFocus, project, layout, u);
    };
    const double gained = ratio(side * third), lost = ratio(-side * third);
    QVERIFY2(lost < 0.7 && gained > 1.1, qPrintable(QStringLiteral("%1 %2").arg(lost).arg(gained)));
}

} // namespace

class TestTargetRender : public QObject {
    Q_OBJECT

private slots:
    // OpenCV's loops on its own TBB threads, whose hand-overs ThreadSanitizer cannot see, would
    // bury a real race in false ones; the code under test runs the same on one thread.
    void initTestCase() { cv::setNumThreads(0); }
    void targetPrintsAndPhotographs_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<QSizeF>("size_mm"); // from the paper standards, landscape
        QTest::addColumn<int>("dpi");
        QTest::addColumn<Pose>("pose");
        QTest::addColumn<int>("side");
        QTest::newRow("A4, square on, front focus")
            << int(Paper::a4) << QSizeF(297, 210) << 150 << Pose{45, 0, 0, 0} << -1;
        QTest::newRow("A3, rolled, shifted, front focus")
            << int(Paper::a3) << QSizeF(420, 297) << 100 << Pose{50, -3, -30, 20} << -1;
        QTest::newRow("Letter, rolled, shifted, back focus")
            << int(Paper::letter) << QSizeF(279.4, 215.9) << 203 << Pose{38, 4, 60, -40} << 1;
    }
    void targetPrintsAndPhotographs() {
        QFETCH(int, paper);
        QFETCH(QSizeF, size_mm);
        QFETCH(int, dpi);
        QFETCH(Pose, pose);
        QFETCH(int, side);
        const TargetLayout layout = TargetLayout::forPaper(Paper(paper));
        checkPrints(layout, size_mm, dpi);
        checkShots(layout, pose, side);
    }
};

QTEST_MAIN(TestTargetRender)
#include "tst_targetrender.moc"
