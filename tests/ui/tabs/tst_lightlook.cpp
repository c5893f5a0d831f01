#include "TabFixture.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusIndicatorView.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitView.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

using namespace lensdock;

namespace {
enum class Drawing { limitMarks, indicatorTicks, switchStops };

// The pixels of `region` that differ from `ground` by more than a tenth of full scale in some channel.
int pixelsStandingOut(const QImage& image, const QRect& region, QRgb ground) {
    constexpr int visible = 30;
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count += qAbs(qRed(pixel) - qRed(ground)) > visible ||
                     qAbs(qGreen(pixel) - qGreen(ground)) > visible ||
                     qAbs(qBlue(pixel) - qBlue(ground)) > visible;
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

int visiblePixelsOf(Drawing drawing) {
    TabFixture f(zoomLens());
    QImage picture(392, 45, QImage::Format_ARGB32);
    picture.fill(QColor(0xd0, 0xe0, 0xf0));
    f.shell->pictures().focusLimitImage.set(picture);
    f.shell->pictures().focusAdjustmentImage.set(picture);
    if (drawing == Drawing::indicatorTicks) {
        FocusAdjustmentTab tab(*f.shell);
        tab.show();
        return marksBelowTheStrip(tab.focusIndicator(), {0.0, 0.5, 1.0});
    }
    FocusLimiterTab tab(*f.shell);
    tab.show();
    if (drawing == Drawing::limitMarks)
        return marksBelowTheStrip(tab.position(1)->view(), {0.0, 1.0});
    // The stop marks lie in the right quarter of the switch icon.
    QLabel* icon = tab.position(1)->icon();
    const QImage image = icon->grab().toImage();
    const QRect placed = QStyle::alignedRect(icon->layoutDirection(), icon->alignment(),
                                             icon->pixmap().size(), icon->contentsRect());
    return pixelsStandingOut(image, placed.adjusted(placed.width() * 3 / 4, 0, 0, 0), image.pixel(0, 0));
}

// Under the built-in style with a light or a dark desktop palette; the application's are given back.
int visiblePixelsOf(Drawing drawing, bool darkDesktop) {
    const QPalette savedPalette = QApplication::palette();
    const QString savedStyle = QApplication::style()->name();
    QApplication::setStyle(QStringLiteral("Fusion"));
    // A palette made from a dark button colour is dark throughout with white text.
    QApplication::setPalette(darkDesktop ? QPalette(QColor(0x35, 0x35, 0x35))
                                         : QApplication::style()->standardPalette());
    const int count = visiblePixelsOf(drawing);
    QApplication::setStyle(savedStyle);
    QApplication::setPalette(savedPalette);
    return count;
}
} // namespace

class TestLightLook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void drawnMarksStayVisibleOnADarkDesktop_data() {
        QTest::addColumn<Drawing>("drawing");
        QTest::newRow("limit marks") << Drawing::limitMarks;
        QTest::newRow("indicator ticks") << Drawing::indicatorTicks;
        QTest::newRow("switch stop marks") << Drawing::switchStops;
    }
    void drawnMarksStayVisibleOnADarkDesktop() {
        QFETCH(Drawing, drawing);
        const int onLight = visiblePixelsOf(drawing, false);
        const int onDark = visiblePixelsOf(drawing, true);
        QVERIFY2(onLight > 0 && onDark * 10 >= onLight * 9,
                 qPrintable(QStringLiteral("%1 of %2").arg(onDark).arg(onLight)));
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 128);
    }
};

QTEST_MAIN(TestLightLook)
#include "tst_lightlook.moc"
