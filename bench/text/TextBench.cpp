// Character accuracy of Capture Text on rendered text, and the time to read an area.
//   text_bench accuracy   one row per case
//   text_bench speed [N]  a 1000 × 300 area: first read (engine load) and N warm reads
//   text_bench memory     resident memory idle, loaded, and after the engine is freed
#include "TextSample.h"
#include "platform/MemoryRelease.h"
#include "text/TesseractTextReader.h"
#include "text/TextLanguages.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

using namespace moxilane;
using namespace moxilane::texttest;

namespace {

const std::atomic<bool> kNotCancelled{false};

QString readOnce(TesseractTextReader& reader, const QImage& image) {
    auto text = reader.read(image, QStringLiteral("eng"), kNotCancelled);
    return text ? *text : QStringLiteral("<error: %1>").arg(text.error().message);
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void accuracy(TesseractTextReader& reader) {
    struct Case {
        const char* name;
        TextStyle style;
    };
    const Case cases[] = {
        {"DejaVu Sans 9 pt, light", {.points = 9}},
        {"DejaVu Sans 10 pt, light", {.points = 10}},
        {"DejaVu Sans 11 pt, light", {.points = 11}},
        {"DejaVu Sans 12 pt, light", {.points = 12}},
        {"DejaVu Sans 14 pt, light", {.points = 14}},
        {"DejaVu Sans 9 pt, dark", {.points = 9, .dark = true}},
        {"DejaVu Sans 11 pt, dark", {.points = 11, .dark = true}},
        {"DejaVu Sans 14 pt, dark", {.points = 14, .dark = true}},
        {"DejaVu Sans Mono 11 pt, dark (terminal)",
         {.family = QStringLiteral("DejaVu Sans Mono"), .points = 11, .dark = true}},
        {"DejaVu Sans 11 pt, two columns", {.points = 11, .columns = 2, .widthPx = 1600}},
    };
    // Twelve lines: a column of six each on a two-column page.
    const QStringList lines = sampleLines() + sampleLines();
    const QString truth = lines.join(u' ');
    std::printf("| case | characters right |\n|---|---|\n");
    {
        // A window's title bar, light bold text on a dark band, above its light content.
        const QString title = QStringLiteral("Quarterly report - Documents");
        const QImage bar = renderText({title}, {.points = 9, .dark = true});
        const QImage content = renderText(lines, {.points = 11});
        QImage window(content.width(), bar.height() + content.height(), QImage::Format_RGB32);
        QPainter painter(&window);
        painter.drawImage(0, 0, bar);
        painter.drawImage(0, bar.height(), content);
        painter.end();
        const double accuracy = characterAccuracy(readOnce(reader, window), title + u' ' + truth);
        std::printf("| title bar (9 pt, dark) above 11 pt light text | %.2f %% |\n",
                    100.0 * accuracy);
    }
    for (const Case& c : cases) {
        const QString read = readOnce(reader, renderText(lines, c.style));
        std::printf("| %s | %.2f %% |\n", c.name, 100.0 * characterAccuracy(read, truth));
        if (qEnvironmentVariableIsSet("SHOW_TEXT")) std::printf("%s\n", qPrintable(read));
    }
}

void speed(TesseractTextReader& reader, int runs) {
    // 1000 × 300 at scale 1: eleven lines of 11 pt text.
    QStringList lines = sampleLines() + sampleLines();
    lines = lines.mid(0, 11);
    QImage area = renderText(lines, {.points = 11}).copy(0, 0, 1000, 300);
    auto start = std::chrono::steady_clock::now();
    readOnce(reader, area);
    std::printf("first read (engine load included): %.0f ms\n", msSince(start));
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        start = std::chrono::steady_clock::now();
        readOnce(reader, area);
        times.push_back(msSince(start));
    }
    if (times.empty()) return;
    std::ranges::sort(times);
    std::printf("warm reads, %d runs: min %.0f ms, median %.0f ms, max %.0f ms\n", runs,
                times.front(), times[times.size() / 2], times.back());
}

// Resident memory, kB: the heap's and other private pages (code pages of the libraries
// count in VmRSS too, and the system may drop them).
long residentKb(const char* field = "RssAnon:") {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == field) return status >> value, value;
    }
    return -1;
}

void memory(TesseractTextReader& reader) {
    const QImage area = renderText(sampleLines(), {.points = 11});
    std::printf("kB private (RssAnon) / all resident (VmRSS)\n");
    std::printf("idle: %ld / %ld\n", residentKb(), residentKb("VmRSS:"));
    for (int cycle = 1; cycle <= 3; ++cycle) {
        readOnce(reader, area);
        std::printf("cycle %d: engine loaded, after a read: %ld / %ld\n", cycle, residentKb(),
                    residentKb("VmRSS:"));
        reader.release();
        std::printf("cycle %d: engine freed: %ld / %ld\n", cycle, residentKb(),
                    residentKb("VmRSS:"));
    }
}

}  // namespace

int main(int argc, char** argv) {
    limitHeapArenas();  // as the agent does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TesseractTextReader reader(textDataFolder());
    const std::string mode = argc > 1 ? argv[1] : "accuracy";
    if (mode == "speed")
        speed(reader, argc > 2 ? std::atoi(argv[2]) : 7);
    else if (mode == "memory")
        memory(reader);
    else
        accuracy(reader);
    return 0;
}
