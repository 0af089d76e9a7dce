#pragma once

#include "platform/Screens.h"

#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QString>

#include <optional>

// The region overlay's geometry. Unless a name says otherwise, rectangles are in the view
// points of one screen's overlay: origin at its top left, y down.
namespace moxilane::SelectionGeometry {

constexpr double kMinimumSelectionPt = 2.0;
constexpr double kDimAlpha = 0.25;

// The rectangle between two corners, whichever way the drag went.
QRectF selectionRect(QPointF start, QPointF current);
// A corner on the view's last device pixel column or row moved onto the view's right or
// bottom edge: the pointer cannot go further, and the selection should reach the edge.
QPointF reachScreenEdges(QPointF at, QSizeF viewPt, double pixelsPerPoint);
// At least 2 points each way: smaller drags and plain clicks cancel.
bool isLargeEnough(const QRectF& rect);

// "640 × 480": the size in whole points, truncated.
QString sizeLabelText(const QRectF& selection);
// Where the size label's text goes: right-aligned 10 points in from the selection's right
// edge and 15 points below it; if that leaves the view, 5 points above the selection's
// bottom edge inside it; if it would start left of the view, at the selection's left edge.
QRectF sizeLabelRect(const QRectF& selection, QSizeF textSize, const QRectF& bounds);
QRectF sizeLabelBackground(const QRectF& label);

// The hint's text: centred, 64 points below the top edge; and the pill behind it.
QRectF hintTextRect(QSizeF textSize, const QRectF& bounds);
QRectF hintPill(const QRectF& hintText);

// What a selection change makes stale: the difference of the two holes, both outlines and
// both labels. Device-independent whole points, rounded outwards.
QRegion changedArea(const std::optional<QRectF>& before, const std::optional<QRectF>& after,
                    const std::optional<QRectF>& labelBefore,
                    const std::optional<QRectF>& labelAfter);

// A view rectangle in global points (y up), given the screen the view covers.
QRectF viewToGlobal(const QRectF& view, const ScreenInfo& screen);

}  // namespace moxilane::SelectionGeometry
