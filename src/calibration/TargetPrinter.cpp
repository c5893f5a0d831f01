#include "calibration/TargetPrinter.h"

#include <apriltag/apriltag.h>
#include <apriltag/tag36h11.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>

namespace lensdock {
namespace {

constexpr double mmPerInch = 25.4;
constexpr int pdfResolution = 1200;

const QString instructions = QStringLiteral(
    u"Stand this page at about 45° to the camera, turned about the line marked ▲▼, left side towards "
    u"the camera · focus on the black patch's left edge · distance 25–50 × focal length");

QPageSize::PageSizeId pageSizeId(Paper paper) {
    switch (paper) {
    case Paper::a3:
        return QPageSize::A3;
    case Paper::letter:
        return QPageSize::Letter;
    case Paper::a4:
        break;
    }
    return QPageSize::A4;
}

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

// Debian's libapriltag does not export image_u8_destroy; an image is its buffer and its header, each
// from malloc.
void destroyImage(image_u8_t* image) {
    if (image)
        std::free(image->buf);
    std::free(image);
}

// The black cells of a marker's tag image, one rectangle per run of a row, in cells with the black
// border's top-left at the origin. One path, so that neighbouring cells join without seams.
QPainterPath markerCells(int id, int* cellsAtBorder) {
    std::unique_ptr<apriltag_family_t, void (*)(apriltag_family_t*)> family(tag36h11_create(),
                                                                            tag36h11_destroy);
    std::unique_ptr<image_u8_t, void (*)(image_u8_t*)> image(apriltag_to_image(family.get(), id),
                                                             destroyImage);
    const int outside = (family->total_width - family->width_at_border) / 2;
    *cellsAtBorder = family->width_at_border;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (int y = 0; y < image->height; ++y) {
        const uint8_t* row = image->buf + y * image->stride;
        for (int x = 0; x < image->width;) {
            int end = x;
            while (end < image->width && row[end] < 128)
                ++end;
            if (end > x)
                path.addRect(QRectF(x - outside, y - outside, end - x, 1));
            x = end + 1;
        }
    }
    return path;
}

} // namespace

QImage TargetPrinter::render(const TargetLayout& layout, int dpi) {
    const double scale = dpi / mmPerInch;
    QImage image(int(std::lround(layout.pageWidth_mm * scale)),
                 int(std::lround(layout.pageHeight_mm * scale)), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    paint(painter, layout);
    return image;
}

bool TargetPrinter::writePdf(const TargetLayout& layout, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(pdfResolution);
        writer.setCreator(QStringLiteral("Lens Dock Utility"));
        writer.setTitle(QStringLiteral("Focus target, %1").arg(TargetLayout::paperName(layout.paper)));
        writer.setPageLayout(
            QPageLayout(QPageSize(pageSizeId(layout.paper)), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(error, QStringLiteral("cannot draw the PDF"));
        painter.scale(pdfResolution / mmPerInch, pdfResolution / mmPerInch);
        paint(painter, layout);
    } // the writer finishes the file when it goes
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

bool TargetPrinter::writePng(const TargetLayout& layout, const QString& path, int dpi, QString* error) {
    QImage image = render(layout, dpi);
    const int dotsPerMetre = int(std::lround(dpi / mmPerInch * 1000));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    if (!image.save(&file, "PNG"))
        return fail(error, QStringLiteral("cannot encode the PNG"));
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

void TargetPrinter::paint(QPainter& painter, const TargetLayout& layout) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const TargetSquare& square : layout.squares)
        painter.drawPolygon(square.corners.data(), int(square.corners.size()));
    painter.drawRect(layout.afPatch_mm);
    paintAxisMarks(painter, layout);
    for (const TargetMarker& marker : layout.markers)
        paintMarker(painter, marker);
    paintScaleBar(painter, layout);
    paintText(painter, instructions, layout.instructions_mm, Qt::AlignHCenter);
}

void TargetPrinter::paintMarker(QPainter& painter, const TargetMarker& marker) {
    // Cells map so that the black border exactly fills the marker's corners.
    int cells = 1;
    const QPainterPath path = markerCells(marker.id, &cells);
    const QPointF origin = marker.corners[0];
    const QPointF across = (marker.corners[1] - origin) / cells, down = (marker.corners[3] - origin) / cells;
    painter.save();
    painter.setTransform(QTransform(across.x(), across.y(), down.x(), down.y(), origin.x(), origin.y()) *
                         painter.transform());
    painter.drawPath(path);
    painter.restore();
}

// Two triangles on the turning axis, pointing at the AF patch from above and below.
void TargetPrinter::paintAxisMarks(QPainter& painter, const TargetLayout& layout) {
    const double size = 0.03 * layout.pageHeight_mm, gap = 0.01 * layout.pageHeight_mm;
    const double x = layout.afEdgeX_mm, top = layout.afPatch_mm.top(), bottom = layout.afPatch_mm.bottom();
    const QPointF above[3] = {
        {x, top - gap}, {x - 0.6 * size, top - gap - size}, {x + 0.6 * size, top - gap - size}};
    const QPointF below[3] = {
        {x, bottom + gap}, {x - 0.6 * size, bottom + gap + size}, {x + 0.6 * size, bottom + gap + size}};
    painter.drawPolygon(above, 3);
    painter.drawPolygon(below, 3);
}

// The bar, a tick every 10 mm below it, and its length beside it.
void TargetPrinter::paintScaleBar(QPainter& painter, const TargetLayout& layout) {
    const QRectF& bar = layout.scaleBar_mm;
    painter.drawRect(bar);
    const double tickWidth = 0.3, tickLength = 0.75 * bar.height();
    for (double at = 0; at <= layout.scaleBarLength_mm + 1e-9; at += 10) {
        const double left = std::clamp(bar.left() + at - tickWidth / 2, bar.left(), bar.right() - tickWidth);
        painter.drawRect(QRectF(left, bar.bottom(), tickWidth, tickLength));
    }
    const QRectF label(bar.right() + bar.height(), bar.top() - 0.25 * bar.height(),
                       0.25 * layout.scaleBarLength_mm, 1.5 * bar.height());
    paintText(painter, QStringLiteral("%1 mm").arg(layout.scaleBarLength_mm), label, Qt::AlignLeft);
}

// Text as large as fits the box. The font's size is in the painter's units (millimetres here) through
// a scale, so that the PDF and the image agree whatever their resolution.
void TargetPrinter::paintText(QPainter& painter, const QString& text, const QRectF& box,
                              Qt::Alignment align) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(100);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text);
    const double scale = std::min(box.height() / metrics.height(), box.width() / width);
    const double left = align & Qt::AlignHCenter ? box.center().x() - width * scale / 2 : box.left();
    painter.save();
    painter.translate(left, box.center().y() - metrics.height() * scale / 2);
    painter.scale(scale, scale);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, metrics.ascent()), text);
    painter.restore();
}

} // namespace lensdock
