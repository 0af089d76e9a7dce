#pragma once

#include "markup/MarkupCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace moxilane::test {

using Kind = Annotation::Kind;

struct FakeTextEntry : TextEntry {
    std::optional<QRectF> openFrame;
    double fontPx = 0;
    QString typed;
    void openTextField(QRectF frame, double px, QColor) override {
        openFrame = frame;
        fontPx = px;
    }
    QString typedText() const override { return typed; }
    void closeTextField() override {
        openFrame.reset();
        typed.clear();
    }
};

// A canvas on a 800 x 600 capture shown in a view of `viewSize`, driven by synthetic events.
struct Canvas {
    FakeTextEntry field;
    MarkupCanvas canvas;
    int changes = 0;

    explicit Canvas(QSizeF viewSize = {400, 300}, QSize imageSize = {800, 600}, QImage image = {})
        : canvas(image.isNull() ? blank(imageSize) : image, field) {
        canvas.setViewSize(viewSize);
        canvas.setOnChange([this] { ++changes; });
    }
    static QImage blank(QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    static QMouseEvent event(QEvent::Type type, QPointF view, Qt::MouseButton button,
                             Qt::MouseButtons held) {
        return QMouseEvent(type, view, view, button, held, Qt::NoModifier);
    }
    void press(QPointF view, Qt::MouseButton button = Qt::LeftButton) {
        canvas.mousePress(event(QEvent::MouseButtonPress, view, button, button | Qt::LeftButton));
    }
    void drag(QPointF view) {
        canvas.mouseMove(event(QEvent::MouseMove, view, Qt::NoButton, Qt::LeftButton));
    }
    void release(QPointF view, Qt::MouseButton button = Qt::LeftButton) {
        canvas.mouseRelease(event(QEvent::MouseButtonRelease, view, button, Qt::NoButton));
    }
    void stroke(MarkupTool tool, std::initializer_list<QPointF> views) {
        canvas.setCurrentTool(tool);
        press(*views.begin());
        for (auto it = views.begin() + 1; it != views.end(); ++it)
            drag(*it);
        release(*(views.end() - 1));
    }
    bool key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return canvas.keyPress(QKeyEvent(QEvent::KeyPress, key, modifiers));
    }
    void doubleClick(QPointF view) {
        canvas.mouseDoubleClick(
            event(QEvent::MouseButtonDblClick, view, Qt::LeftButton, Qt::LeftButton));
    }
};

}  // namespace moxilane::test
