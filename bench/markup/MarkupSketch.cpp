// Shows the markup canvas with one annotation of every kind, for looking at by eye:
//   markup_sketch OUT.png        renders the final image (one unit = one image pixel)
//   markup_sketch                opens the canvas in a window (tool from MARKUP_TOOL, 0 to 10)
#include "markup/MarkupCanvasView.h"
#include "markup/MarkupToolIcon.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <numbers>

using namespace moxilane;

namespace {

QImage checkerboard(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < size.height(); y += 40)
        for (int x = 0; x < size.width(); x += 40)
            painter.fillRect(x, y, 40, 40, ((x + y) / 40) % 2 ? QColor(235, 238, 242) : Qt::white);
    return image;
}

void send(QWidget& view, QEvent::Type type, QPointF at) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, view.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

// Draws through the canvas's own gestures, the view showing the image at its pixel size.
void draw(MarkupCanvasView& view, MarkupTool tool, double widthPoints,
          const std::vector<QPointF>& path) {
    view.canvas().setCurrentTool(tool);
    view.canvas().setCurrentLineWidthPoints(widthPoints);
    send(view, QEvent::MouseButtonPress, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        send(view, QEvent::MouseMove, path[i]);
    send(view, QEvent::MouseButtonRelease, path.back());
}

void addEveryKind(MarkupCanvasView& view) {
    draw(view, MarkupTool::arrow, 4, {{40, 200}, {220, 60}});
    draw(view, MarkupTool::arrow, 4, {{300, 60}});
    draw(view, MarkupTool::rectangle, 4, {{380, 40}, {260, 160}});
    draw(view, MarkupTool::oval, 8, {{420, 40}, {600, 160}});
    draw(view, MarkupTool::line, 2, {{40, 240}, {260, 300}});
    std::vector<QPointF> wave, loop;
    for (int i = 0; i <= 60; ++i)
        wave.emplace_back(300 + i * 5, 260 + 30 * std::sin(i / 6.0));
    for (int i = 0; i <= 80; ++i) {
        const double t = i / 80.0 * 2 * std::numbers::pi;
        loop.emplace_back(120 + 90 * std::sin(t), 380 + 40 * std::sin(2 * t));
    }
    draw(view, MarkupTool::pen, 4, wave);
    view.canvas().setCurrentColor(QColor(255, 204, 0));
    draw(view, MarkupTool::highlighter, 6, loop);
    view.canvas().setCurrentColor(systemRed());
    draw(view, MarkupTool::redact, 4, {{500, 300}, {620, 330}});
    draw(view, MarkupTool::step, 4, {{310, 195}});
    draw(view, MarkupTool::step, 4, {{380, 195}});
    draw(view, MarkupTool::text, 4, {{300, 340}});
    if (auto* field = view.findChild<QLineEdit*>()) {
        field->setText(QStringLiteral("Hello, مرحبا 👍🏽"));
        view.canvas().commitText();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MarkupCanvasView view(checkerboard({640, 440}));
    addEveryKind(view);
    if (argc > 1) {
        const auto image = view.render();
        return image && image->save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    view.canvas().setCurrentTool(
        markupToolFromRaw(qEnvironmentVariableIntValue("MARKUP_TOOL")).value_or(MarkupTool::arrow));
    view.setWindowIcon(markupToolIcon(view.canvas().currentTool()));
    view.resize(800, 500);
    view.show();
    return app.exec();
}
