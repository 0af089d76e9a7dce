#pragma once

#include "platform/Screens.h"
#include "selection/OverlayPanel.h"
#include "selection/WindowCandidates.h"

#include <QFont>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>

namespace moxilane {

// One screen of the window picker: the screen slightly darkened, and the window under the
// pointer framed in the accent colour with its name. Repaints only what a highlight
// change touches. Kept between picks, so its window and its backing store are ready for
// the next one.
class WindowPickerView final : public OverlayPanel {
    Q_OBJECT
public:
    WindowPickerView(QScreen* qtScreen, WindowRoles& roles);

    // Readies a pick: snapshot is the screen's picture in device pixels.
    void prepare(const ScreenInfo& screen, const QImage& snapshot,
                 std::shared_ptr<const WindowCandidates> candidates);
    // Lets the pick's snapshot and windows go once it has ended.
    void release();

    // Frames the window (nothing: no frame) and repaints what changed.
    void setHighlighted(const WindowInfo* window);

    std::function<void(QPointF globalPoint)> onMoved;    // global points, y up
    std::function<void(QPointF globalPoint)> onClicked;  // the left button went down

protected:
    void paintArea(QPainter& painter, const QRect& area) override;
    QRegion marked() const override;
    int shadeAlpha() const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPointF toGlobal(QPointF viewPoint) const;
    QRect highlightArea() const;

    ScreenInfo m_screen;
    std::shared_ptr<const WindowCandidates> m_candidates;
    QImage m_snapshot;  // device pixels
    double m_pixelsPerPoint = 1.0;
    std::optional<WindowInfo> m_highlighted;
    QFont m_labelFont;
};

}  // namespace moxilane
