#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitView.h"

#include <QLabel>
#include <QStyle>

using namespace lensdock;

namespace {
// A pixel of the drawing: its grey level (-1: any) and its opacity, each give or take 2 for blending.
struct Probe {
    int x, y, grey, alpha;
};

struct ViewCase {
    int kind; // 0 window, 1 indicator, 2 limiter
    int width;
    bool picture; // a grey one of 200, 392 wide
    int mode;
    qreal near, far;
    QList<Probe> probes;
};

constexpr int mark = 170;     // the picture under a mark: 200 at 15 % black
constexpr int shade = 180;    // under the limiter's shade, 10 % black
constexpr int both = 153;     // under both
constexpr int markAlpha = 38; // a mark on the transparent ground

// The pixels of `region` that differ from `ground` by more than a tenth of full scale in some channel.
int pixelsStandingOut(const QImage& image, const QRect& region, QRgb ground) {
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count += qAbs(qRed(pixel) - qRed(ground)) > 30 || qAbs(qGreen(pixel) - qGreen(ground)) > 30 ||
                     qAbs(qBlue(pixel) - qBlue(ground)) > 30;
        }
    }
    return count;
}

// The marks at `fractions` where they reach below the window strip onto the view's own ground.
int marksBelowTheStrip(FocusWindowView* view, const QList<qreal>& fractions) {
    const QImage image = view->grab().toImage();
    const int strip = int(view->imageHeight);
    int count = 0;
    for (qreal fraction : fractions) {
        const QRect below(int(view->scaleX(view->size(), fraction)) - 2, strip, 5, image.height() - strip);
        count += pixelsStandingOut(image, below, image.pixel(1, image.height() - 1));
    }
    return count;
}

// The stop marks lie in the right quarter of the switch icon.
int switchStopMarks(QLabel* icon) {
    const QImage image = icon->grab().toImage();
    const QRect placed = QStyle::alignedRect(icon->layoutDirection(), icon->alignment(),
                                             icon->pixmap().size(), icon->contentsRect());
    return pixelsStandingOut(image, placed.adjusted(placed.width() * 3 / 4, 0, 0, 0), image.pixel(0, 0));
}
} // namespace
Q_DECLARE_METATYPE(ViewCase)

class TestFocusViews : public QObject {
    Q_OBJECT
private slots:
    void geometryRoundsHalvesAwayFromZero() {
        FocusWindowView view;
        QCOMPARE(view.pictureRect(QSizeF(392, 100)), QRectF(0, 55, 392, 45));
        QCOMPARE(view.pictureRect(QSizeF(393, 100)).x(), 1.0);
        QCOMPARE(view.pictureRect(QSizeF(391, 100)).x(), -1.0);
        view.imageWidth = 336; // a scale of 256 points
        QCOMPARE(view.scaleX(QSizeF(336, 100), 12.5 / 256), 53.0);
    }

    // The picture in a window strip along the top edge, its upper corners rounded by 7 and its lower
    // ones by 14, with a light rim beside a narrower picture; marks at the ends and the middle of the
    // scale, the whole height; the limiter's marks at its limits with, in range mode, the rest shaded.
    void viewsDrawThePictureAndTheirMarks_data() {
        QTest::addColumn<ViewCase>("c");
        const int range = FocusLimitView::rangeMode;
        QTest::newRow("window") << ViewCase{0,
                                            392,
                                            true,
                                            range,
                                            0,
                                            1,
                                            {{100, 2, 200, 255},
                                             {100, 44, 200, 255},
                                             {100, 45, -1, 0},
                                             {100, 95, -1, 0},
                                             {0, 0, -1, 0},
                                             {391, 0, -1, 0},
                                             {7, 0, -1, 255},
                                             {2, 44, -1, 0},
                                             {7, 44, -1, 0},
                                             {14, 44, -1, 255},
                                             {389, 44, -1, 0}}};
        QTest::newRow("window wider than the picture") << ViewCase{0,
                                                                   500,
                                                                   true,
                                                                   range,
                                                                   0,
                                                                   1,
                                                                   {{20, 0, 204, 255},
                                                                    {0, 20, 204, 255},
                                                                    {20, 20, 255, 255},
                                                                    {53, 20, 255, 255},
                                                                    {54, 20, 200, 255},
                                                                    {445, 20, 200, 255},
                                                                    {446, 20, 255, 255}}};
        QTest::newRow("indicator") << ViewCase{1,
                                               392,
                                               true,
                                               range,
                                               0,
                                               1,
                                               {{39, 20, mark, 255},
                                                {40, 20, mark, 255},
                                                {195, 20, mark, 255},
                                                {196, 20, mark, 255},
                                                {351, 20, mark, 255},
                                                {352, 20, mark, 255},
                                                {40, 80, -1, markAlpha},
                                                {196, 80, -1, markAlpha},
                                                {352, 80, -1, markAlpha},
                                                {38, 20, 200, 255},
                                                {41, 20, 200, 255},
                                                {194, 20, 200, 255},
                                                {197, 20, 200, 255},
                                                {350, 20, 200, 255},
                                                {353, 20, 200, 255},
                                                {41, 80, -1, 0},
                                                {353, 80, -1, 0}}};
        // Limits at x = 40 + 78 and 40 + 234.
        QTest::newRow("limiter, range") << ViewCase{2,
                                                    392,
                                                    true,
                                                    range,
                                                    0.25,
                                                    0.75,
                                                    {{60, 20, shade, 255},
                                                     {116, 20, shade, 255},
                                                     {117, 20, both, 255},
                                                     {118, 20, mark, 255},
                                                     {119, 20, 200, 255},
                                                     {200, 20, 200, 255},
                                                     {272, 20, 200, 255},
                                                     {273, 20, mark, 255},
                                                     {274, 20, both, 255},
                                                     {300, 20, shade, 255},
                                                     {60, 80, -1, 0},
                                                     {117, 80, -1, markAlpha},
                                                     {274, 80, -1, markAlpha}}};
        QTest::newRow("limiter, segment")
            << ViewCase{2,
                        392,
                        true,
                        FocusLimitView::segmentMode,
                        0.25,
                        0.75,
                        {{60, 20, 200, 255}, {300, 20, 200, 255}, {118, 20, mark, 255}}};
        QTest::newRow("limiter, whole scale") << ViewCase{2,
                                                          392,
                                                          true,
                                                          range,
                                                          0,
                                                          1,
                                                          {{20, 20, shade, 255},
                                                           {370, 20, shade, 255},
                                                           {42, 20, 200, 255},
                                                           {200, 20, 200, 255},
                                                           {350, 20, 200, 255}}};
        const QList<Probe> nothing{
            {100, 20, -1, 0}, {20, 20, -1, 0}, {40, 80, -1, 0}, {196, 80, -1, 0}, {352, 80, -1, 0}};
        for (int kind : {0, 1, 2})
            QTest::newRow(qPrintable(QString("no picture, kind %1").arg(kind)))
                << ViewCase{kind, 392, false, range, 0, 1, nothing};
    }
    void viewsDrawThePictureAndTheirMarks() {
        QFETCH(ViewCase, c);
        FocusWindowView window;
        FocusIndicatorView indicator;
        FocusLimitView limiter;
        limiter.setMode(c.mode);
        limiter.setNearValue(c.near);
        limiter.setFarValue(c.far);
        FocusWindowView* view = c.kind == 0   ? &window
                                : c.kind == 1 ? &indicator
                                              : static_cast<FocusWindowView*>(&limiter);
        view->resize(c.width, 100);
        QImage picture(392, 45, QImage::Format_ARGB32);
        picture.fill(QColor(200, 200, 200));
        if (c.picture)
            view->setFocusIndicatorImage(picture);
        QImage image(view->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        for (const Probe& p : c.probes) {
            const QRgb pixel = image.pixel(p.x, p.y);
            const bool near =
                qAbs(qAlpha(pixel) - p.alpha) <= 2 && (p.grey < 0 || qAbs(qRed(pixel) - p.grey) <= 2);
            QVERIFY2(
                near,
                qPrintable(
                    QString("(%1, %2): %3 at %4").arg(p.x).arg(p.y).arg(qRed(pixel)).arg(qAlpha(pixel))));
        }
    }

    // The marks reach below the window strip onto the tab's ground and the switch icons are drawn in
    // dark ink: on a dark desktop both once vanished. They stand out there as on a light one.
    void drawnMarksStayVisibleOnADarkDesktop() {
        const QPalette savedPalette = QApplication::palette();
        const QString savedStyle = QApplication::style()->name();
        QApplication::setStyle(QStringLiteral("Fusion"));
        QList<int> seen[2];
        for (bool dark : {false, true}) {
            // A palette made from a dark button colour is dark throughout with white text.
            QApplication::setPalette(dark ? QPalette(QColor(0x35, 0x35, 0x35))
                                          : QApplication::style()->standardPalette());
            TabFixture f(zoomLens());
            QImage picture(392, 45, QImage::Format_ARGB32);
            picture.fill(QColor(0xd0, 0xe0, 0xf0));
            f.shell->pictures().focusLimitImage.set(picture);
            f.shell->pictures().focusAdjustmentImage.set(picture);
            FocusAdjustmentTab focus(*f.shell);
            FocusLimiterTab limiter(*f.shell);
            focus.show();
            limiter.show();
            seen[dark] = {marksBelowTheStrip(focus.focusIndicator(), {0.0, 0.5, 1.0}),
                          marksBelowTheStrip(limiter.position(1)->view(), {0.0, 1.0}),
                          switchStopMarks(limiter.position(1)->icon())};
        }
        QApplication::setStyle(savedStyle);
        QApplication::setPalette(savedPalette);
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(seen[0][i] > 0 && seen[1][i] * 10 >= seen[0][i] * 9,
                     qPrintable(QStringLiteral("%1 of %2").arg(seen[1][i]).arg(seen[0][i])));
        }
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 128);
    }
};

QTEST_MAIN(TestFocusViews)
#include "tst_focusviews.moc"
