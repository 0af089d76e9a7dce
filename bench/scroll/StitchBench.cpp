// Speed of ScrollStitcher::append on 3200 × 2000 frames of realistic content, beside a plain
// copy of a frame's pixels measured in the same run; with --first-session, the same for one
// session in a fresh process (the stitched rows' memory is new to the process); with
// --peak-memory, the peak memory of a stitch that reaches the 24000-row cap. See RESULTS.md.
#include "ScrollSessionGenerator.h"
#include "scroll/ScrollStitcher.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace moxilane {
namespace {

using namespace scrolltest;

constexpr int kWidth = 3200;
constexpr int kHeight = 2000;
constexpr qint64 kCap = 24000;

// A mixed page scrolled by one to three wheel notches of 120 device pixels per frame, as at
// scale 2 with four frames a second. Frames are views into the page, as fresh in memory as
// captured frames are.
struct Session {
    QImage page;
    std::vector<QImage> frames;

    explicit Session(int frameCount) {
        const MotionOptions motion{.frames = frameCount,
                                   .notchRows = 120,
                                   .maxNotchesPerFrame = 3,
                                   .pauses = false,
                                   .scrollBacks = false};
        const int pageHeight = kHeight + frameCount * 3 * motion.notchRows;
        page = renderPage({.content = Content::mixed, .width = kWidth, .height = pageHeight});
        for (const int top : scrollOffsets(motion, kHeight, pageHeight))
            frames.push_back(view(top));
    }

    QImage view(int top) const {
        return QImage(page.constScanLine(top), kWidth, kHeight, page.bytesPerLine(), page.format());
    }
};

const Session& session() {
    static const Session s(60);
    return s;
}

void BM_CopyFrame(benchmark::State& state) {
    const auto& frames = session().frames;
    std::vector<uchar> target(std::size_t(kWidth) * kHeight * 4, 1);
    std::size_t i = 0;
    for (auto _ : state) {
        const QImage& frame = frames[i++ % frames.size()];
        std::memcpy(target.data(), frame.constBits(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * qint64(target.size()));
}

void BM_AppendScrolled(benchmark::State& state) {
    const auto& frames = session().frames;
    std::optional<ScrollStitcher> stitcher;
    std::size_t next = frames.size();
    qint64 appended = 0;
    for (auto _ : state) {
        if (next == frames.size()) {
            // A new session; its first append also moves the first frame into place.
            state.PauseTiming();
            stitcher = ScrollStitcher::create(frames[0], kCap);
            const AppendResult first = stitcher->append(frames[1]);
            appended += first.kind == AppendResult::Kind::appended;
            next = 2;
            state.ResumeTiming();
        }
        const AppendResult result = stitcher->append(frames[next++]);
        appended += result.kind == AppendResult::Kind::appended;
    }
    state.counters["appended"] =
        benchmark::Counter(double(appended), benchmark::Counter::kAvgIterations);
}

// The part of an append that decides the shift, without placing rows: the rest of an append is
// writing the new rows, into memory new to the process.
void BM_MatchScrolled(benchmark::State& state) {
    const auto& frames = session().frames;
    FrameMatcher matcher(kWidth, kHeight, 64);
    std::vector<Signature> signatures;
    for (const QImage& frame : frames)
        signatures.push_back(*ScrollStitcher::signature(frame, 64));
    Signature scratch;
    std::size_t i = 0;
    qint64 moved = 0;
    for (auto _ : state) {
        const std::size_t k = 1 + i++ % (frames.size() - 1);
        const FrameMatch match =
            matcher.match(frames[k - 1], signatures[k - 1], frames[k], scratch);
        moved += match.kind == FrameMatch::Kind::moved;
    }
    state.counters["moved"] = benchmark::Counter(double(moved), benchmark::Counter::kAvgIterations);
}

void BM_AppendStill(benchmark::State& state) {
    // Several pairs, so that the two frames compared are not still in the cache.
    const auto& frames = session().frames;
    std::vector<ScrollStitcher> stitchers;
    std::vector<QImage> stillFrames;
    for (std::size_t k = 0; k < 4; ++k) {
        const QImage& frame = frames[10 * k];
        stitchers.push_back(*ScrollStitcher::create(frame, kCap));
        stillFrames.push_back(frame.copy());
    }
    qint64 unchanged = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % stitchers.size();
        const AppendResult result = stitchers[k].append(stillFrames[k]);
        unchanged += result.kind == AppendResult::Kind::unchanged;
    }
    state.counters["unchanged"] =
        benchmark::Counter(double(unchanged), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendScrolled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchScrolled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendStill)->Unit(benchmark::kMillisecond);

// One session, the first in this process, timed append by append beside copies of its frames.
int firstSession() {
    using Clock = std::chrono::steady_clock;
    const auto& frames = session().frames;
    auto stitcher = ScrollStitcher::create(frames[0], kCap);
    stitcher->append(frames[1]);  // moves the first frame into place
    const auto start = Clock::now();
    for (std::size_t i = 2; i < frames.size(); ++i)
        stitcher->append(frames[i]);
    const auto appended = Clock::now() - start;
    std::vector<uchar> target(std::size_t(kWidth) * kHeight * 4, 1);
    const auto copyStart = Clock::now();
    for (std::size_t i = 2; i < frames.size(); ++i) {
        std::memcpy(target.data(), frames[i].constBits(), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    const auto copied = Clock::now() - copyStart;
    const double count = double(frames.size() - 2);
    const auto ms = [&](auto d) {
        return std::chrono::duration<double, std::milli>(d).count() / count;
    };
    std::printf("first session, %d appends: append %.2f ms, copy %.2f ms, ratio %.2f\n", int(count),
                ms(appended), ms(copied), ms(appended) / ms(copied));
    return 0;
}

qint64 statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
    }
    return -1;
}

// Stitches a 3200-wide session to the cap, each frame a fresh copy as a capture would be, and
// reports the peak resident memory it added. The page repeats every 4000 rows, more than a
// frame plus the longest shift, so that no frame fits two shifts. With `jumps`, every fifth
// step first offers a frame out of reach, which the stitcher keeps while it waits for the next.
int peakMemory(bool jumps) {
    const int period = 4000;
    const QImage page = renderPage({.content = Content::mixed, .width = kWidth, .height = period});
    const auto frameAt = [&](qint64 top) {
        QImage frame(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y) {
            std::memcpy(frame.scanLine(y), page.constScanLine(int((top + y) % period)),
                        std::size_t(kWidth) * 4);
        }
        return frame;
    };
    // Forget the peak of rendering the page; measure from here.
    std::ofstream("/proc/self/clear_refs") << "5";
    const qint64 baseKb = statusKilobytes("VmRSS:");
    qint64 top = 0;
    auto stitcher = ScrollStitcher::create(frameAt(top), kCap);
    AppendResult result;
    int frames = 1;
    do {
        top += 240;
        if (jumps && frames % 5 == 0) {
            stitcher->append(frameAt(top + kHeight));
            ++frames;
        }
        result = stitcher->append(frameAt(top));
        ++frames;
    } while (result.kind == AppendResult::Kind::appended);
    const auto image = stitcher->compose();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double mb = 1024.0;
    const double finalMb = double(kWidth) * double(image->height()) * 4 / (mb * mb);
    const double frameMb = double(kWidth) * kHeight * 4 / (mb * mb);
    std::printf("frames %d, last result %d, image %d x %d (%.1f MiB), frame %.1f MiB\n", frames,
                int(result.kind), image->width(), image->height(), finalMb, frameMb);
    std::printf("peak added by the stitch: %.1f MiB (ru_maxrss %.1f MiB - base %.1f MiB)\n",
                double(usage.ru_maxrss - baseKb) / mb, double(usage.ru_maxrss) / mb,
                double(baseKb) / mb);
    std::printf("target: 1.25 x image + 2 frames = %.1f MiB\n", 1.25 * finalMb + 2 * frameMb);
    return result.kind == AppendResult::Kind::full ? 0 : 1;
}

}  // namespace
}  // namespace moxilane

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts for the rendered pages
    if (argc > 1 && std::strcmp(argv[1], "--peak-memory") == 0)
        return moxilane::peakMemory(argc > 2 && std::strcmp(argv[2], "jumps") == 0);
    if (argc > 1 && std::strcmp(argv[1], "--first-session") == 0) return moxilane::firstSession();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
