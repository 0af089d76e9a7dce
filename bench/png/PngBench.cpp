// The PNG encoder on a realistic 3840×2160 screenshot, beside a plain copy of the same pixels
// and the encoders it was chosen over. Counters: bytes of output and their ratio to libpng's
// default encoding of the same RGB pixels (the size the encoder is held to, at most 1.3).
#include "capture/ParallelDeflate.h"
#include "capture/PngFilter.h"
#include "capture/PngWriter.h"
#include "common/RealisticScreen.h"
#include "png/Alternatives.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <vector>

using namespace moxilane;

namespace {

const QImage& screen() {
    static const QImage image = bench::realisticScreen({3840, 2160});
    return image;
}

qsizetype libpngDefaultSize() {
    static const qsizetype size = bench::libpngEncode(screen()).size();
    return size;
}

void reportSize(benchmark::State& state, qsizetype bytes,
                qsizetype reference = libpngDefaultSize()) {
    state.counters["bytes"] = double(bytes);
    state.counters["ratio_to_libpng_default"] = double(bytes) / double(reference);
}

void BM_CopyPixels(benchmark::State& state) {
    const QImage& image = screen();
    std::vector<uchar> copy(size_t(image.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(copy.data(), image.constBits(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = double(copy.size());
}

void BM_PngData(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = pngData(screen(), 2.0).value().size();
    reportSize(state, bytes);
}

// The program's filter and compressor on one thread instead of two.
void BM_PngRowsOnOneThread(benchmark::State& state) {
    const QImage& image = screen();
    auto filter = [&image](int y, uchar* out) { png::filterRow(image, y, out); };
    qsizetype bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        const auto pieces =
            zlibCompressRows(image.height(), png::filteredRowSize(image), filter, 1);
        for (const QByteArray& piece : pieces.value())
            bytes += piece.size();
    }
    reportSize(state, bytes);
}

// Other screens, each against its own libpng default size: arg 2 and 3 are other seeds of the
// realistic screen, 0 a single flat colour (long runs, which the deflate window affects most).
void BM_PngDataOtherScreens(benchmark::State& state) {
    QImage image(3840, 2160, QImage::Format_RGB32);
    if (state.range(0) == 0)
        image.fill(qRgb(40, 44, 52));
    else
        image = bench::realisticScreen(image.size(), quint32(state.range(0)));
    const qsizetype reference = bench::libpngEncode(image).size();
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = pngData(image, 2.0).value().size();
    reportSize(state, bytes, reference);
}

// Encoding and the atomic write (temporary, sync, rename) into a folder on the same disk.
void BM_WritePNG(benchmark::State& state) {
    QTemporaryDir folder(QStringLiteral("png_bench-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("Screenshot.png"));
    for (auto _ : state)
        if (!writePNG(screen(), path, 2.0)) state.SkipWithError("write failed");
}

void BM_LibpngDefault(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = bench::libpngEncode(screen()).size();
    reportSize(state, bytes);
}

void BM_LibpngLevel1Sub(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = bench::libpngEncode(screen(), 1, PNG_FILTER_SUB).size();
    reportSize(state, bytes);
}

// The program's Up filter on one thread, then one compressor over all rows; arg: level.
template <bench::Compressor compressor>
void BM_UpThen(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = bench::compressFilteredRows(screen(), compressor, int(state.range(0))).size();
    reportSize(state, bytes);
}

// Other filters before the program's compressor (plain scalar code: their sizes matter here).
template <bench::Filter filter>
void BM_IsalAfter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = bench::encodeWithFilter(screen(), filter).size();
    reportSize(state, bytes);
}

}  // namespace

BENCHMARK(BM_CopyPixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngData)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngRowsOnOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngDataOtherScreens)
    ->Arg(2)
    ->Arg(3)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WritePNG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngDefault)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngLevel1Sub)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpThen<bench::Compressor::Zlib>)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpThen<bench::Compressor::Libdeflate>)
    ->Arg(1)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_IsalAfter<bench::Filter::Sub>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IsalAfter<bench::Filter::Paeth>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IsalAfter<bench::Filter::BestPerRow>)->Unit(benchmark::kMillisecond)->UseRealTime();

// Rendering the screen's text needs a GUI application; no display is used.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
