#pragma once

#include <array>
#include <optional>
#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace lensdock {

enum class Paper { a4, a3, letter };

// A fiducial marker: its AprilTag id and family, and the four corners of its black border in page
// millimetres, in the order top-left, top-right, bottom-right, bottom-left of the printed page.
struct TargetMarker {
    int id = 0;
    QString family;
    std::array<QPointF, 4> corners;
};

// A dark square turned a few degrees, whose four edges are measured; corners in page millimetres,
// top-left, top-right, bottom-right, bottom-left.
struct TargetSquare {
    std::array<QPointF, 4> corners;
};

// The focus target's geometry, in millimetres on the page: x to the right, y down, from the page's
// top-left corner. The target stands turned about the vertical line x = afEdgeX_mm, its left part
// nearer the camera. The printer draws this geometry and the measurement reads it: one definition
// for both, and the JSON written beside a printed target is this object.
struct TargetLayout {
    Paper paper = Paper::a4;
    double pageWidth_mm = 0;
    double pageHeight_mm = 0;
    double afEdgeX_mm = 0;
    QRectF afPatch_mm;  // the black patch whose left side is the AF edge
    QRectF scaleBar_mm; // a bar of known length, to check the print's scale
    double scaleBarLength_mm = 0;
    QRectF instructions_mm; // the line of instructions
    QList<TargetMarker> markers;
    QList<TargetSquare> squares;

    static TargetLayout forPaper(Paper paper);
    static std::optional<Paper> paperNamed(const QString& name); // "A4", "A3", "Letter" (any case)
    static QString paperName(Paper paper);

    // The JSON description; pngDpi is written when a PNG of the target was written.
    QJsonObject toJson(std::optional<int> pngDpi = std::nullopt) const;
    // A layout read back from its JSON; nothing and a reason when it is not one.
    static std::optional<TargetLayout> fromJson(const QJsonObject& json, QString* error);

    // Position along the target, in millimetres from the AF edge (positive: farther from the camera).
    double alongTarget(double pageX_mm) const { return pageX_mm - afEdgeX_mm; }
};

} // namespace lensdock
