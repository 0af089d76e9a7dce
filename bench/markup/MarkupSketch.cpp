// Shows the markup canvas with one annotation of every kind, for looking at by eye:
//   markup_sketch OUT.png        renders the final image (one unit = one image pixel)
//   markup_sketch                opens the canvas in a window (tool from MARKUP_TOOL, 0 to 7)
#include "markup/MarkupCanvasView.h"
#include "markup/MarkupToolIcon.h"

#include <QApplication>
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

void addEveryKind(MarkupCanvas& canvas, QColor color) {
    auto& list = const_cast<AnnotationList&>(canvas.annotations());
    using K = Annotation::Kind;
    list.push_back(std::make_shared<Annotation>(
        K::arrow, std::vector<QPointF>{{40, 200}, {220, 60}}, color, 4));
    list.push_back(std::make_shared<Annotation>(
        K::arrow, std::vector<QPointF>{{300, 60}, {300, 60}}, color, 4));
    list.push_back(std::make_shared<Annotation>(
        K::rectangle, std::vector<QPointF>{{380, 40}, {260, 160}}, color, 4));
    list.push_back(std::make_shared<Annotation>(
        K::oval, std::vector<QPointF>{{420, 40}, {600, 160}}, color, 8));
    list.push_back(std::make_shared<Annotation>(
        K::line, std::vector<QPointF>{{40, 240}, {260, 300}}, color, 2));
    std::vector<QPointF> wave, loop;
    for (int i = 0; i <= 60; ++i)
        wave.emplace_back(300 + i * 5, 260 + 30 * std::sin(i / 6.0));
    for (int i = 0; i <= 80; ++i) {
        const double t = i / 80.0 * 2 * std::numbers::pi;
        loop.emplace_back(120 + 90 * std::sin(t), 380 + 40 * std::sin(2 * t));
    }
    list.push_back(std::make_shared<Annotation>(K::freehand, wave, color, 4));
    list.push_back(std::make_shared<Annotation>(K::highlight, loop, QColor(255, 204, 0), 6));
    list.push_back(std::make_shared<Annotation>(K::text, std::vector<QPointF>{{300, 340}}, color, 4,
                                                QStringLiteral("Hello, مرحبا 👍🏽"), 40));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MarkupCanvasView view(checkerboard({640, 440}));
    addEveryKind(view.canvas(), systemRed());
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
