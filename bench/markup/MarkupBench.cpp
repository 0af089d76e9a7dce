// Speed of the markup canvas on large captures: opening a capture in the canvas, redrawing
// while a 500-point pen stroke or a redaction, step or crop is dragged, render() of 50
// annotations (with or without redactions and steps) and applying a crop. With
// --render-memory, the extra peak memory of one render() instead. See RESULTS.md.
#include "common/RealisticScreen.h"
#include "markup/MarkupCanvasView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace moxilane {
namespace {

constexpr int kWidth = 3840;
const QSize kView(1280, 900);

// Desktop content, tiled down to the height a scrolling capture reaches.
const QImage& capture(int height) {
    static std::map<int, QImage> made;
    auto [it, isNew] = made.try_emplace(height);
    if (isNew) {
        const QImage screen = bench::realisticScreen({kWidth, std::min(height, 2400)});
        it->second = QImage(kWidth, height, QImage::Format_RGB32);
        QPainter painter(&it->second);
        for (int top = 0; top < height; top += screen.height())
            painter.drawImage(0, top, screen);
    }
    return it->second;
}

QMouseEvent mouse(QEvent::Type type, QPointF view) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, view, view, button, held, Qt::NoModifier);
}

void send(QWidget& view, QEvent::Type type, QPointF at) {
    QMouseEvent event = mouse(type, at);
    QCoreApplication::sendEvent(&view, &event);
}

QPointF strokePoint(int i, QRectF area) {
    const double t = i / 500.0;
    return {area.left() + area.width() * (0.1 + 0.8 * t),
            area.center().y() + area.height() * 0.3 * std::sin(t * 6 * std::numbers::pi)};
}

// Counts its paints, so a benchmark knows that the canvas was really drawn.
class CountedView : public MarkupCanvasView {
public:
    using MarkupCanvasView::MarkupCanvasView;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        MarkupCanvasView::paintEvent(event);
        ++paints;
    }
};

// Constructing the canvas on the capture, sizing it as a window would and its first paint.
void BM_OpenCanvas(benchmark::State& state) {
    const QImage& image = capture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto view = std::make_unique<CountedView>(image);
        view->resize(kView);
        view->show();
        while (view->paints == 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_OpenCanvas)->Arg(2160)->Arg(24000)->UseManualTime()->Unit(benchmark::kMillisecond);

// One mouse move of a pen stroke and the paint it causes, averaged over a 500-point stroke;
// the counters are the median, 99th percentile and slowest of all moves of all strokes.
void BM_PenStrokeMove(benchmark::State& state) {
    CountedView view(capture(static_cast<int>(state.range(0))));
    view.resize(kView);
    view.show();
    while (view.paints == 0)
        QCoreApplication::processEvents();
    view.canvas().setCurrentTool(MarkupTool::pen);
    const QRectF area = view.canvas().mapping().displayRect();
    std::vector<double> moves;
    for (auto _ : state) {
        send(view, QEvent::MouseButtonPress, strokePoint(0, area));
        double total = 0;
        for (int i = 1; i < 500; ++i) {
            const auto start = std::chrono::steady_clock::now();
            send(view, QEvent::MouseMove, strokePoint(i, area));
            QCoreApplication::processEvents();
            if (view.paints != i + 1) state.SkipWithError("a move was not painted");
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            total += seconds;
            moves.push_back(seconds);
        }
        send(view, QEvent::MouseButtonRelease, strokePoint(499, area));
        view.canvas().undo();
        QCoreApplication::processEvents();
        view.paints = 1;
        state.SetIterationTime(total / 499);
    }
    std::ranges::sort(moves);
    const auto quantile = [&moves](double q) {
        return moves[static_cast<std::size_t>(q * static_cast<double>(moves.size() - 1))] * 1000;
    };
    state.counters["median_ms"] = quantile(0.5);
    state.counters["p99_ms"] = quantile(0.99);
    state.counters["slowest_ms"] = quantile(1.0);
}
BENCHMARK(BM_PenStrokeMove)
    ->Arg(2160)
    ->Arg(24000)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One mouse move of a redaction, step or crop being dragged and the paint it causes, over 200
// moves; the counters as for the pen.
void BM_NewShapeDragMove(benchmark::State& state) {
    CountedView view(capture(2160));
    view.resize(kView);
    view.show();
    while (view.paints == 0)
        QCoreApplication::processEvents();
    view.canvas().setCurrentTool(*markupToolFromRaw(static_cast<int>(state.range(0))));
    const QRectF area = view.canvas().mapping().displayRect();
    std::vector<double> moves;
    for (auto _ : state) {
        send(view, QEvent::MouseButtonPress, area.topLeft() + QPointF(50, 50));
        QCoreApplication::processEvents();
        view.paints = 0;
        double total = 0;
        for (int i = 1; i <= 200; ++i) {
            const auto start = std::chrono::steady_clock::now();
            send(view, QEvent::MouseMove, area.topLeft() + QPointF(50 + 4 * i, 50 + 3 * i));
            QCoreApplication::processEvents();
            if (view.paints != i) state.SkipWithError("a move was not painted");
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            total += seconds;
            moves.push_back(seconds);
        }
        send(view, QEvent::MouseButtonRelease, area.topLeft() + QPointF(850, 650));
        view.canvas().cancelCrop();
        if (view.canvas().canUndo()) view.canvas().undo();
        QCoreApplication::processEvents();
        state.SetIterationTime(total / 200);
    }
    std::ranges::sort(moves);
    const auto quantile = [&moves](double q) {
        return moves[static_cast<std::size_t>(q * static_cast<double>(moves.size() - 1))] * 1000;
    };
    state.counters["median_ms"] = quantile(0.5);
    state.counters["p99_ms"] = quantile(0.99);
    state.counters["slowest_ms"] = quantile(1.0);
}
BENCHMARK(BM_NewShapeDragMove)
    ->Arg(static_cast<int>(MarkupTool::redact))
    ->Arg(static_cast<int>(MarkupTool::step))
    ->Arg(static_cast<int>(MarkupTool::crop))
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

struct NoTextField : TextEntry {
    QString typed;
    void openTextField(QRectF, double, QColor) override {}
    QString typedText() const override { return typed; }
    void closeTextField() override {}
};

// 50 annotations of every kind spread over the capture, drawn at one view point per pixel;
// with withNewKinds every fifth is a redaction and every fifth (another) a step.
void annotate(MarkupCanvas& canvas, NoTextField& field, QSize size, bool withNewKinds = false) {
    canvas.setViewSize(size);
    const MarkupTool tools[] = {MarkupTool::arrow, MarkupTool::rectangle, MarkupTool::oval,
                                MarkupTool::line,  MarkupTool::pen,       MarkupTool::highlighter,
                                MarkupTool::text};
    for (int i = 0; i < 50; ++i) {
        MarkupTool tool = tools[i % 7];
        if (withNewKinds && i % 5 < 2) tool = i % 5 == 0 ? MarkupTool::redact : MarkupTool::step;
        canvas.setCurrentTool(tool);
        const QPointF origin(100 + (i * 613) % (size.width() - 800),
                             100 + (size.height() - 800) * (i / 50.0));
        canvas.mousePress(mouse(QEvent::MouseButtonPress, origin));
        if (tool == MarkupTool::text) {
            field.typed = QStringLiteral("Note %1: look here").arg(i);
            canvas.commitText();
            continue;
        }
        for (int k = 1; k <= 100; ++k)
            canvas.mouseMove(
                mouse(QEvent::MouseMove, origin + QPointF(5 * k, 150 * std::sin(k / 10.0) + k)));
        canvas.mouseRelease(mouse(QEvent::MouseButtonRelease, origin + QPointF(500, 100)));
    }
}

void BM_Render50(benchmark::State& state) {
    const QImage& image = capture(static_cast<int>(state.range(0)));
    NoTextField field;
    MarkupCanvas canvas(image, field);
    annotate(canvas, field, image.size());
    if (canvas.annotations().size() != 50) state.SkipWithError("not 50 annotations");
    for (auto _ : state)
        benchmark::DoNotOptimize(canvas.render());
}
BENCHMARK(BM_Render50)->Arg(2160)->Arg(24000)->Unit(benchmark::kMillisecond);

void BM_Render50WithRedactionsAndSteps(benchmark::State& state) {
    const QImage& image = capture(static_cast<int>(state.range(0)));
    NoTextField field;
    MarkupCanvas canvas(image, field);
    annotate(canvas, field, image.size(), true);
    const auto steps = std::ranges::count_if(
        canvas.annotations(), [](const auto& a) { return a->kind() == Annotation::Kind::step; });
    if (canvas.annotations().size() != 50 || steps != 10) state.SkipWithError("not 50 with 10");
    for (auto _ : state)
        benchmark::DoNotOptimize(canvas.render());
}
BENCHMARK(BM_Render50WithRedactionsAndSteps)->Arg(2160)->Arg(24000)->Unit(benchmark::kMillisecond);

// Return on a crop rectangle over 50 annotations, until the cropped view is painted.
void BM_ApplyCrop(benchmark::State& state) {
    CountedView view(capture(static_cast<int>(state.range(0))));
    view.resize(kView);
    view.show();
    while (view.paints == 0)
        QCoreApplication::processEvents();
    const QRectF area = view.canvas().mapping().displayRect();
    for (int i = 0; i < 50; ++i) {
        view.canvas().setCurrentTool(i % 2 ? MarkupTool::redact : MarkupTool::step);
        const QPointF at = area.topLeft() + QPointF(10 + (i * 37) % 400, 10 + (i * 53) % 500);
        send(view, QEvent::MouseButtonPress, at);
        send(view, QEvent::MouseMove, at + QPointF(30, 20));
        send(view, QEvent::MouseButtonRelease, at + QPointF(30, 20));
    }
    view.canvas().setCurrentTool(MarkupTool::crop);
    for (auto _ : state) {
        send(view, QEvent::MouseButtonPress, area.topLeft() + QPointF(100, 100));
        send(view, QEvent::MouseMove, area.center());
        send(view, QEvent::MouseButtonRelease, area.center());
        QCoreApplication::processEvents();
        view.paints = 0;
        const auto start = std::chrono::steady_clock::now();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &enter);
        while (view.paints == 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!view.canvas().crop()) state.SkipWithError("no crop applied");
        view.canvas().undo();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ApplyCrop)->Arg(2160)->Arg(24000)->UseManualTime()->Unit(benchmark::kMillisecond);

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
    return -1;
}

// Peak resident memory of one render() above what the process held before it. Resets the
// kernel's high-water mark first, so earlier work does not count.
int renderMemory() {
    for (const int height : {2160, 24000}) {
        const QImage& image = capture(height);
        NoTextField field;
        MarkupCanvas canvas(image, field);
        annotate(canvas, field, image.size());
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = statusKb("VmRSS:");
        const auto result = canvas.render();
        const long peak = statusKb("VmHWM:");
        const double imageMb = image.sizeInBytes() / 1e6;
        std::printf("%d x %d: image %.1f MB, extra peak %.1f MB (%.2f images)\n", kWidth, height,
                    imageMb, (peak - before) * 1024 / 1e6, (peak - before) * 1024 / 1e6 / imageMb);
    }
    return 0;
}

}  // namespace
}  // namespace moxilane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--render-memory") == 0) return moxilane::renderMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
