#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusLimitView.h"

#include <cstdlib>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int viewHeight = 100;
constexpr int pictureGrey = 200;

QImage greyPicture(int width = 392) {
    QImage picture(width, 45, QImage::Format_ARGB32);
    picture.fill(QColor(pictureGrey, pictureGrey, pictureGrey));
    return picture;
}

// What the view draws, over a transparent ground.
QImage rendered(QWidget& view) {
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int grey(const QImage& image, int x, int y) {
    return qRed(image.pixel(x, y));
}
int alpha(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

// `base` under black at `opacity`.
int darkened(double base, double opacity) {
    return int(base * (1 - opacity) + 0.5);
}
} // namespace

// Blending is done in 8 bits: allow a step or two.
#define COMPARE_NEAR(actual, expected)                                                                       \
    QVERIFY2(std::abs((actual) - (expected)) <= 2,                                                           \
             qPrintable(QStringLiteral("%1 is not near %2").arg(actual).arg(expected)))

class TestFocusViews : public QObject {
    Q_OBJECT
private slots:
    void geometryOfAViewAsWideAsThePicture() {
        FocusWindowView view;
        const QSizeF size(392, viewHeight);
        QCOMPARE(view.stripRect(size), QRectF(0, 55, 392, 45));
        QCOMPARE(view.pictureRect(size), QRectF(0, 55, 392, 45));
        QCOMPARE(view.scaleRect(size), QRectF(40, 0, 312, viewHeight));
        QCOMPARE(view.scaleX(size, 0.5), 196.0);
    }

    void pictureOffsetRoundsHalvesAwayFromZero() {
        FocusWindowView view;
        QCOMPARE(view.pictureRect(QSizeF(393, viewHeight)).x(), 1.0);
        QCOMPARE(view.pictureRect(QSizeF(391, viewHeight)).x(), -1.0);
    }

    void withoutAPictureNothingIsDrawn_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("window") << 0;
        QTest::newRow("indicator") << 1;
        QTest::newRow("limit") << 2;
    }
    void withoutAPictureNothingIsDrawn() {
        QFETCH(int, kind);
        std::unique_ptr<QWidget> view;
        if (kind == 0)
            view = std::make_unique<FocusWindowView>();
        else if (kind == 1)
            view = std::make_unique<FocusIndicatorView>();
        else
            view = std::make_unique<FocusLimitView>();
        view->resize(392, viewHeight);
        const QImage image = rendered(*view);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(alpha(image, x, y), 0);
        }
    }

    void theStripLiesAlongTheTopEdge() {
        FocusWindowView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        const QImage image = rendered(view);
        QCOMPARE(grey(image, 100, 2), pictureGrey);
        QCOMPARE(grey(image, 100, 44), pictureGrey);
        QCOMPARE(alpha(image, 100, 44), 255);
        QCOMPARE(alpha(image, 100, 45), 0);
        QCOMPARE(alpha(image, 100, 95), 0);
    }

    void cornersAreRoundedMoreAtTheBottomOfTheStrip() {
        FocusWindowView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        const QImage image = rendered(view);
        // Upper corners: radius 7; lower corners: radius 14.
        QCOMPARE(alpha(image, 0, 0), 0);
        QCOMPARE(alpha(image, 391, 0), 0);
        QCOMPARE(alpha(image, 7, 0), 255);
        QCOMPARE(alpha(image, 2, 44), 0);
        QCOMPARE(alpha(image, 7, 44), 0);
        QCOMPARE(alpha(image, 14, 44), 255);
        QCOMPARE(alpha(image, 389, 44), 0);
    }

    void aLightRimBordersTheWindowBesideANarrowPicture() {
        FocusWindowView view;
        view.resize(500, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        const QImage image = rendered(view);
        COMPARE_NEAR(grey(image, 20, 0), 204); // white 0.8
        COMPARE_NEAR(grey(image, 0, 20), 204);
        QCOMPARE(grey(image, 20, 20), 255); // inside the rim, left of the picture
        QCOMPARE(grey(image, 53, 20), 255);
        QCOMPARE(grey(image, 54, 20), pictureGrey); // picture at round((500 - 392) / 2)
        QCOMPARE(grey(image, 445, 20), pictureGrey);
        QCOMPARE(grey(image, 446, 20), 255);
    }

    void indicatorMarksBothEndsAndTheMiddleOfTheScale() {
        FocusIndicatorView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        const QImage image = rendered(view);
        const int marked = darkened(pictureGrey, 0.15);
        for (int x : {39, 40, 195, 196, 351, 352}) {
            COMPARE_NEAR(grey(image, x, 20), marked);
            // The marks run the whole height, below the strip too.
            COMPARE_NEAR(alpha(image, x, 80), int(255 * 0.15 + 0.5));
        }
        for (int x : {38, 41, 194, 197, 350, 353}) {
            QCOMPARE(grey(image, x, 20), pictureGrey);
            QCOMPARE(alpha(image, x, 80), 0);
        }
    }

    void markPositionsRoundHalvesAwayFromZero() {
        FocusIndicatorView view;
        view.imageWidth = 336; // a scale of 256 points
        view.resize(336, viewHeight);
        view.setFocusIndicatorImage(greyPicture(336));
        view.tickMarks = {12.5 / 256};
        const QImage image = rendered(view);
        // 40 + 12.5 rounds to 53: the mark covers 52 and 53.
        QVERIFY(alpha(image, 52, 80) > 0);
        QVERIFY(alpha(image, 53, 80) > 0);
        QCOMPARE(alpha(image, 51, 80), 0);
        QCOMPARE(alpha(image, 54, 80), 0);
    }

    void rangeModeShadesOutsideTheLimits() {
        FocusLimitView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        view.setNearValue(0.25); // x = 40 + 78 = 118
        view.setFarValue(0.75);  // x = 40 + 234 = 274
        const QImage image = rendered(view);
        const int shaded = darkened(pictureGrey, 0.1);
        COMPARE_NEAR(grey(image, 60, 20), shaded);
        COMPARE_NEAR(grey(image, 116, 20), shaded);
        COMPARE_NEAR(grey(image, 117, 20), darkened(shaded, 0.15)); // shade and mark
        COMPARE_NEAR(grey(image, 118, 20), darkened(pictureGrey, 0.15));
        QCOMPARE(grey(image, 119, 20), pictureGrey);
        QCOMPARE(grey(image, 200, 20), pictureGrey);
        QCOMPARE(grey(image, 272, 20), pictureGrey);
        COMPARE_NEAR(grey(image, 273, 20), darkened(pictureGrey, 0.15));
        COMPARE_NEAR(grey(image, 274, 20), darkened(shaded, 0.15));
        COMPARE_NEAR(grey(image, 300, 20), shaded);
        // The shading stays inside the window; the marks do not.
        QCOMPARE(alpha(image, 60, 80), 0);
        QVERIFY(alpha(image, 117, 80) > 0);
        QVERIFY(alpha(image, 274, 80) > 0);
    }

    void segmentModeOnlyMarksTheLimits() {
        FocusLimitView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        view.setMode(FocusLimitView::segmentMode);
        view.setNearValue(0.25);
        view.setFarValue(0.75);
        const QImage image = rendered(view);
        QCOMPARE(grey(image, 60, 20), pictureGrey);
        QCOMPARE(grey(image, 300, 20), pictureGrey);
        COMPARE_NEAR(grey(image, 118, 20), darkened(pictureGrey, 0.15));
    }

    void fullRangeShadesOnlyTheMargins() {
        FocusLimitView view;
        view.resize(392, viewHeight);
        view.setFocusIndicatorImage(greyPicture());
        const QImage image = rendered(view);
        const int shaded = darkened(pictureGrey, 0.1);
        COMPARE_NEAR(grey(image, 20, 20), shaded);
        COMPARE_NEAR(grey(image, 370, 20), shaded);
        for (int x : {42, 100, 200, 300, 350})
            QCOMPARE(grey(image, x, 20), pictureGrey);
    }
};

QTEST_MAIN(TestFocusViews)
#include "tst_focusviews.moc"
