#include "calibration/TargetLayout.h"

#include <cmath>
#include <QJsonArray>
#include <QPolygonF>

namespace lensdock {
namespace {

constexpr double squareTurn_deg = 5;
const QString markerFamily = QStringLiteral("tag36h11");

struct PaperSize {
    Paper paper;
    const char* name;
    double width_mm; // landscape: the long side runs through the depth
    double height_mm;
};
constexpr PaperSize papers[] = {
    {Paper::a4, "A4", 297, 210}, {Paper::a3, "A3", 420, 297}, {Paper::letter, "Letter", 279.4, 215.9}};

const PaperSize& sizeOf(Paper paper) {
    for (const PaperSize& size : papers)
        if (size.paper == paper)
            return size;
    return papers[0];
}

std::array<QPointF, 4> rectCorners(const QRectF& r) {
    return {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
}

std::array<QPointF, 4> turnedSquare(QPointF centre, double side) {
    const double a = squareTurn_deg * M_PI / 180, c = std::cos(a), s = std::sin(a), h = side / 2;
    std::array<QPointF, 4> corners;
    const QPointF unturned[4] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
    for (int i = 0; i < 4; ++i)
        corners[i] = centre + QPointF(unturned[i].x() * c - unturned[i].y() * s,
                                      unturned[i].x() * s + unturned[i].y() * c);
    return corners;
}

QRectF boundsOf(const std::array<QPointF, 4>& corners) {
    return QPolygonF(QList<QPointF>(corners.begin(), corners.end())).boundingRect();
}

// Six markers: the corners and the middle of the top and bottom rows, so that the pose holds even
// when the far side of the target is out of the frame or blurred. Each paper has its own ids, so
// that a shot tells which target it shows.
void placeMarkers(TargetLayout& layout, double margin, double size, double bottomTop) {
    const double w = layout.pageWidth_mm;
    const double xs[3] = {margin, (w - size) / 2, w - margin - size};
    int id = 6 * int(layout.paper);
    for (double y : {margin, bottomTop})
        for (double x : xs)
            layout.markers << TargetMarker{id++, markerFamily, rectCorners(QRectF(x, y, size, size))};
}

// The band of squares fills the page between the marker rows, leaving a clear field around the AF
// patch and a quiet zone around every marker.
void placeSquares(TargetLayout& layout, const QRectF& band, double side, double clearance) {
    const double pitch = side * 1.6;
    const int columns = int((band.width() - side) / pitch) + 1;
    const int rows = int((band.height() - side) / pitch) + 1;
    const double x0 = band.center().x() - (columns - 1) * pitch / 2;
    const double y0 = band.center().y() - (rows - 1) * pitch / 2;
    const QRectF keepClear = layout.afPatch_mm.adjusted(-clearance, -clearance, clearance, clearance);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const auto corners = turnedSquare({x0 + column * pitch, y0 + row * pitch}, side);
            if (!boundsOf(corners).intersects(keepClear))
                layout.squares << TargetSquare{corners};
        }
}

QJsonArray pointsJson(const std::array<QPointF, 4>& corners) {
    QJsonArray points;
    for (const QPointF& p : corners)
        points.append(QJsonArray{p.x(), p.y()});
    return points;
}

std::optional<std::array<QPointF, 4>> pointsFrom(const QJsonValue& value) {
    const QJsonArray points = value.toArray();
    if (points.size() != 4)
        return std::nullopt;
    std::array<QPointF, 4> corners;
    for (int i = 0; i < 4; ++i) {
        const QJsonArray p = points[i].toArray();
        if (p.size() != 2 || !p[0].isDouble() || !p[1].isDouble())
            return std::nullopt;
        corners[i] = {p[0].toDouble(), p[1].toDouble()};
    }
    return corners;
}

} // namespace

TargetLayout TargetLayout::forPaper(Paper paper) {
    const PaperSize& size = sizeOf(paper);
    TargetLayout layout;
    layout.paper = paper;
    layout.pageWidth_mm = size.width_mm;
    layout.pageHeight_mm = size.height_mm;
    const double h = size.height_mm, w = size.width_mm, margin = 0.05 * h;
    const double markerSize = 0.11 * h, textHeight = 0.03 * h;
    layout.instructions_mm = QRectF(margin, h - margin - textHeight, w - 2 * margin, textHeight);
    const double bottomMarkerTop = layout.instructions_mm.top() - 0.02 * h - markerSize;
    placeMarkers(layout, margin, markerSize, bottomMarkerTop);
    layout.scaleBarLength_mm = paper == Paper::a3 ? 100 : 50;
    layout.scaleBar_mm =
        QRectF(margin + markerSize + 0.04 * h, margin + 0.2 * markerSize, layout.scaleBarLength_mm, 0.02 * h);
    layout.afEdgeX_mm = w / 2;
    layout.afPatch_mm = QRectF(w / 2, h / 2 - 0.14 * h, 0.08 * w, 0.28 * h);
    // A quiet zone of one marker cell around each marker's border (the tag's own white frame).
    const double quiet = markerSize / 8 + 0.01 * h;
    const QRectF band(margin, margin + markerSize + quiet, w - 2 * margin,
                      bottomMarkerTop - quiet - (margin + markerSize + quiet));
    placeSquares(layout, band, 0.06 * h, 0.07 * h);
    return layout;
}

std::optional<Paper> TargetLayout::paperNamed(const QString& name) {
    for (const PaperSize& size : papers)
        if (name.compare(QLatin1String(size.name), Qt::CaseInsensitive) == 0)
            return size.paper;
    return std::nullopt;
}

QString TargetLayout::paperName(Paper paper) {
    return QLatin1String(sizeOf(paper).name);
}

QJsonObject TargetLayout::toJson(std::optional<int> pngDpi) const {
    QJsonArray markerList, squareList;
    for (const TargetMarker& marker : markers)
        markerList.append(QJsonObject{{QStringLiteral("id"), marker.id},
                                      {QStringLiteral("family"), marker.family},
                                      {QStringLiteral("corners"), pointsJson(marker.corners)}});
    for (const TargetSquare& square : squares)
        squareList.append(QJsonObject{{QStringLiteral("corners"), pointsJson(square.corners)}});
    QJsonObject json{
        {QStringLiteral("paper"), paperName(paper)},      {QStringLiteral("pageWidth_mm"), pageWidth_mm},
        {QStringLiteral("pageHeight_mm"), pageHeight_mm}, {QStringLiteral("afEdgeX_mm"), afEdgeX_mm},
        {QStringLiteral("markers"), markerList},          {QStringLiteral("squares"), squareList}};
    if (pngDpi)
        json.insert(QStringLiteral("pngDpi"), *pngDpi);
    return json;
}

std::optional<TargetLayout> TargetLayout::fromJson(const QJsonObject& json, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<TargetLayout> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const auto paper = paperNamed(json.value(QStringLiteral("paper")).toString());
    if (!paper)
        return fail(
            QStringLiteral("unknown paper \"%1\"").arg(json.value(QStringLiteral("paper")).toString()));
    // The paper fixes everything but the numbers a reader may check; compare them with ours.
    TargetLayout layout = forPaper(*paper);
    for (const auto& [key, value] :
         {std::pair{"pageWidth_mm", layout.pageWidth_mm}, std::pair{"pageHeight_mm", layout.pageHeight_mm},
          std::pair{"afEdgeX_mm", layout.afEdgeX_mm}})
        if (std::abs(json.value(QLatin1String(key)).toDouble(-1) - value) > 1e-6)
            return fail(
                QStringLiteral("%1 does not match the %2 target").arg(QLatin1String(key), paperName(*paper)));
    const QJsonArray markers = json.value(QStringLiteral("markers")).toArray();
    const QJsonArray squares = json.value(QStringLiteral("squares")).toArray();
    if (markers.size() != layout.markers.size() || squares.size() != layout.squares.size())
        return fail(
            QStringLiteral("the markers or squares do not match the %1 target").arg(paperName(*paper)));
    for (int i = 0; i < squares.size(); ++i) {
        const auto corners = pointsFrom(squares[i].toObject().value(QStringLiteral("corners")));
        if (!corners)
            return fail(QStringLiteral("square %1 has no four corners").arg(i));
        layout.squares[i].corners = *corners;
    }
    for (int i = 0; i < markers.size(); ++i) {
        const QJsonObject marker = markers[i].toObject();
        const auto corners = pointsFrom(marker.value(QStringLiteral("corners")));
        if (!corners || marker.value(QStringLiteral("family")).toString() != markerFamily)
            return fail(
                QStringLiteral("marker %1 is not a %2 marker with four corners").arg(i).arg(markerFamily));
        layout.markers[i] = {marker.value(QStringLiteral("id")).toInt(), markerFamily, *corners};
    }
    return layout;
}

} // namespace lensdock
