#pragma once

#include "calibration/TargetLayout.h"

#include <QImage>
#include <QString>

class QPainter;

namespace lensdock {

// Draws the focus target exactly as its layout describes it, as a PDF at the paper's size or as a
// greyscale image. Both outputs come from one drawing in page millimetres, so the print and the
// picture the renderer photographs cannot differ.
//
// The instruction line and the scale bar's label are text: a QGuiApplication must exist (with
// QT_QPA_PLATFORM=offscreen where there is no display).
class TargetPrinter {
public:
    // The page on a white ground, round(mm / 25.4 * dpi) pixels each way, Format_Grayscale8.
    static QImage render(const TargetLayout& layout, int dpi);
    // A PDF of one landscape page at the paper's physical size, without margins.
    static bool writePdf(const TargetLayout& layout, const QString& path, QString* error);
    // A PNG that carries its dpi, so that it prints at the right size.
    static bool writePng(const TargetLayout& layout, const QString& path, int dpi, QString* error);

private:
    // The drawing itself; the painter's units are page millimetres.
    static void paint(QPainter& painter, const TargetLayout& layout);
    static void paintMarker(QPainter& painter, const TargetMarker& marker);
    static void paintAxisMarks(QPainter& painter, const TargetLayout& layout);
    static void paintScaleBar(QPainter& painter, const TargetLayout& layout);
    static void paintText(QPainter& painter, const QString& text, const QRectF& box, Qt::Alignment align);
};

} // namespace lensdock
