#pragma once

#include "markup/MarkupCanvas.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;

namespace moxilane {

// The markup editor's drawing surface: shows one capture fitted and centred and lets the user
// draw, select, move, type, delete, undo and redo. A thin widget over MarkupCanvas, which
// holds the rules; the editor window sets the tool, colour and thickness through canvas().
class MarkupCanvasView : public QWidget, private TextEntry {
    Q_OBJECT
public:
    // Initially as large as the image in pixels; the window's layout sizes it.
    explicit MarkupCanvasView(QImage capture, QWidget* parent = nullptr);
    ~MarkupCanvasView() override;

    MarkupCanvas& canvas() { return m_canvas; }
    const MarkupCanvas& canvas() const { return m_canvas; }

    std::optional<QImage> render() { return m_canvas.render(); }
    void undo() { m_canvas.undo(); }
    void redo() { m_canvas.redo(); }
    // Before the window is shown: takes the size its layout gave and starts the scaled image.
    void prepareFirstPaint() {
        m_canvas.setViewSize(size());
        m_canvas.prepareBaseImage(devicePixelRatioF());
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openTextField(QRectF frameView, double fontPx, QColor color) override;
    QString typedText() const override;
    void closeTextField() override;

    MarkupCanvas m_canvas;
    QPointer<QLineEdit> m_textField;
};

}  // namespace moxilane
