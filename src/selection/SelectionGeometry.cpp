#include "selection/SelectionGeometry.h"

#include <algorithm>
#include <cmath>

namespace moxilane::SelectionGeometry {

namespace {

constexpr double kLabelInsetPt = 10.0;
constexpr double kLabelGapBelowPt = 15.0;
constexpr double kLabelInsideAbovePt = 5.0;
constexpr double kHintFromTopPt = 64.0;
// What the outline (grown by half a point, one point wide) covers beyond the hole,
// with a point to spare for antialiasing.
constexpr int kOutlineReach = 2;

}  // namespace

QRectF selectionRect(QPointF start, QPointF current) {
    return QRectF(std::min(start.x(), current.x()), std::min(start.y(), current.y()),
                  std::abs(current.x() - start.x()), std::abs(current.y() - start.y()));
}

QPointF reachScreenEdges(QPointF at, QSizeF viewPt, double pixelsPerPoint) {
    const double lastPixelPt = 1.0 / std::max(pixelsPerPoint, 1e-6);
    const auto reach = [lastPixelPt](double v, double edge) {
        return v >= edge - lastPixelPt && v < edge ? edge : v;
    };
    return {reach(at.x(), viewPt.width()), reach(at.y(), viewPt.height())};
}

bool isLargeEnough(const QRectF& rect) {
    return rect.width() >= kMinimumSelectionPt && rect.height() >= kMinimumSelectionPt;
}

QString sizeLabelText(const QRectF& selection) {
    return QStringLiteral("%1 × %2")
        .arg(static_cast<long long>(selection.width()))
        .arg(static_cast<long long>(selection.height()));
}

QRectF sizeLabelRect(const QRectF& selection, QSizeF textSize, const QRectF& bounds) {
    double x = selection.right() - textSize.width() - kLabelInsetPt;
    double y = selection.bottom() + kLabelGapBelowPt;
    if (y + textSize.height() > bounds.bottom())
        y = selection.bottom() - kLabelInsideAbovePt - textSize.height();
    if (x < bounds.left()) x = selection.left();
    return QRectF(QPointF(x, y), textSize);
}

QRectF sizeLabelBackground(const QRectF& label) {
    return label.adjusted(-5, -2.5, 5, 2.5);
}

QRectF hintTextRect(QSizeF textSize, const QRectF& bounds) {
    return QRectF(
        QPointF(bounds.center().x() - textSize.width() / 2, bounds.top() + kHintFromTopPt),
        textSize);
}

QRectF hintPill(const QRectF& hintText) {
    return hintText.adjusted(-12, -6, 12, 6);
}

QRegion changedArea(const std::optional<QRectF>& before, const std::optional<QRectF>& after,
                    const std::optional<QRectF>& labelBefore,
                    const std::optional<QRectF>& labelAfter) {
    auto outline = [](const QRectF& hole) {
        const QRect outer = hole.toAlignedRect().adjusted(-kOutlineReach, -kOutlineReach,
                                                          kOutlineReach, kOutlineReach);
        const QRect inner = hole.toAlignedRect().adjusted(kOutlineReach, kOutlineReach,
                                                          -kOutlineReach, -kOutlineReach);
        return QRegion(outer).subtracted(QRegion(inner));
    };
    QRegion holeBefore = before ? QRegion(before->toAlignedRect()) : QRegion();
    QRegion holeAfter = after ? QRegion(after->toAlignedRect()) : QRegion();
    QRegion area = holeBefore.xored(holeAfter);
    for (const auto& hole : {before, after}) {
        if (hole) area += outline(*hole);
    }
    for (const auto& label : {labelBefore, labelAfter}) {
        if (label) area += sizeLabelBackground(*label).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    return area;
}

QRectF viewToGlobal(const QRectF& view, const ScreenInfo& screen) {
    return ScreenLayout::viewToYUp(view, screen);
}

}  // namespace moxilane::SelectionGeometry
