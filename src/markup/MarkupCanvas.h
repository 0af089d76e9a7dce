#pragma once

#include "markup/Annotation.h"
#include "markup/AnnotationHistory.h"
#include "markup/CanvasMapping.h"
#include "markup/MarkupTool.h"
#include "markup/ScaledBase.h"

#include <QImage>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace moxilane {

// The one-line field a text annotation is typed into, placed over the canvas.
class TextEntry {
public:
    virtual ~TextEntry() = default;
    // Shows the field at frameView (view points) with the font size and text colour, and
    // gives it the keyboard focus.
    virtual void openTextField(QRectF frameView, double fontPx, QColor color) = 0;
    virtual QString typedText() const = 0;
    virtual void closeTextField() = 0;
};

// What the canvas of the markup editor does, apart from the widget: the annotation list, the
// tools' mouse rules, selection, text entry, undo and redo, drawing the view and rendering the
// final image. The widget forwards its size, events and paints here.
class MarkupCanvas {
public:
    MarkupCanvas(QImage baseImage, TextEntry& textEntry);

    MarkupTool currentTool() const { return m_currentTool; }
    // Leaving the crop tool drops a crop rectangle not yet applied.
    void setCurrentTool(MarkupTool tool);
    void setCurrentColor(QColor color) { m_currentColor = color; }
    void setCurrentLineWidthPoints(double points) { m_currentLineWidthPoints = points; }
    void setCurrentFontImagePx(double px) { m_currentFontImagePx = px; }

    // Called after every recorded edit, undo and redo.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // Called when the view must be painted again: within the given rectangle (view points), or
    // all of it when the rectangle is null. Painting everything within the rectangle gives the
    // same pixels as painting the whole view.
    void setOnRedraw(std::function<void(QRectF)> onRedraw) { m_onRedraw = std::move(onRedraw); }

    void setViewSize(QSizeF viewSize) { m_viewSize = viewSize; }
    CanvasMapping mapping() const { return CanvasMapping(m_viewSize, QRectF(visibleRect())); }

    // Left-button gestures in view points; other buttons are ignored, also mid-drag.
    void mousePress(const QMouseEvent& event);
    void mouseMove(const QMouseEvent& event);
    void mouseRelease(const QMouseEvent& event);
    // Applies the crop rectangle being set, if any; otherwise a press.
    void mouseDoubleClick(const QMouseEvent& event);
    // Ctrl+Z, Ctrl+Shift+Z, Backspace and Delete; Return applies and Esc cancels a crop
    // rectangle being set; false for keys left to the widget.
    bool keyPress(const QKeyEvent& event);

    void undo();
    void redo();
    void deleteSelection();
    // Ends typing: a non-blank text becomes an annotation (one undo step).
    void commitText();
    // The crop rectangle being set becomes the crop (one undo step), unless it is smaller
    // than 4 x 4 pixels within what is shown; false when nothing was applied.
    bool applyCrop();
    void cancelCrop();

    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    const AnnotationList& annotations() const { return m_annotations; }
    const std::shared_ptr<Annotation>& selection() const { return m_selection; }
    bool isTyping() const { return m_pendingTextPoint.has_value(); }
    // The part of the image shown, saved and counted in image pixels: the crop, or all of it.
    QRect visibleRect() const;
    const std::optional<QRect>& crop() const { return m_crop; }
    const std::optional<QRectF>& pendingCrop() const { return m_pendingCrop; }

    // The capture (its crop, if cropped) at full pixel size with every annotation burnt in
    // (one unit = one image pixel); commits a text being typed first. Nothing when the image has no
    // pixels or the memory for the result cannot be had.
    std::optional<QImage> render();

    // The whole view: background, the image fitted, annotations, the one being drawn, the
    // selection outline. devicePixelRatio sizes the cached scaled image.
    void paint(QPainter& painter, QColor background, QColor accent, double devicePixelRatio);
    // Starts the scaled image for the current view size, so that the first paint finds it.
    void prepareBaseImage(double devicePixelRatio);

private:
    enum class Phase { idle, drawing, selectPress, cropping };

    void pressSelect(QPointF imagePoint);
    void beginTextEditing(QPointF viewPoint, QPointF imagePoint);
    void beginDrawing(QPointF imagePoint);
    void finishDrawing();
    void finishMove();
    void beginCrop(QPointF imagePoint);
    void dragCrop(QPointF imagePoint);
    void finishCrop();
    void drawPendingCrop(QPainter& painter, const CanvasMapping& view, QColor accent) const;
    void extendClickShape(QPointF imagePoint);
    MarkupState currentState() const;
    void recordEdit();
    void replaceState(MarkupState state);
    void changed();
    void redraw(QRectF dirtyView = {});
    void extendInProgress(QPointF imagePoint);
    void drawBaseImage(QPainter& painter, const CanvasMapping& mapping, double devicePixelRatio);
    const QImage* scaledBaseImage(const CanvasMapping& mapping, double devicePixelRatio);
    static QRectF shownImageRect(const CanvasMapping& mapping, double devicePixelRatio);

    QImage m_baseImage;
    TextEntry& m_textEntry;
    QSizeF m_viewSize;

    AnnotationList m_annotations;
    AnnotationHistory m_history;
    Phase m_phase = Phase::idle;
    std::optional<AnnotationList> m_pendingMoveSnapshot;
    bool m_didMoveSelection = false;
    std::optional<QPointF> m_lastDragImagePoint;
    std::shared_ptr<Annotation> m_inProgress;
    std::shared_ptr<Annotation> m_selection;
    std::optional<QPointF> m_pendingTextPoint;
    std::optional<QRect> m_crop;
    // The crop rectangle being set, from where its drag began; the one before that drag, kept
    // when a click (a drag too small to count) would replace it.
    std::optional<QRectF> m_pendingCrop;
    std::optional<QRectF> m_pendingCropBeforeDrag;
    QPointF m_cropAnchor;

    MarkupTool m_currentTool = MarkupTool::arrow;
    QColor m_currentColor;
    double m_currentLineWidthPoints = 4.0;
    double m_currentFontImagePx = 40.0;
    std::function<void()> m_onChange;
    std::function<void(QRectF)> m_onRedraw;

    ScaledBase m_scaledBase{[this] { redraw(); }};
};

}  // namespace moxilane
