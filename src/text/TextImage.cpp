#include "text/TextImage.h"

#include <algorithm>
#include <array>
#include <vector>

namespace moxilane {

namespace {

// Tesseract reads best at about 30 px cap height; a line's ink, ascenders to descenders,
// is about 1.3 times that.
constexpr double kBestLineHeightPx = 40.0;
constexpr double kMaxScale = 4.0;
// Scaling up stops here: past it the engine's layout pass costs more than it gains.
constexpr double kMaxScaledPixels = 12'000'000.0;
constexpr int kMarginPx = 12;
constexpr int kInkLevel = 128;

// The middle grey of a row: its background, since a row of text is mostly background.
int rowMedian(const uchar* row, int width) {
    std::array<int, 256> histogram{};
    for (int x = 0; x < width; ++x)
        ++histogram[row[x]];
    int seen = 0;
    for (int level = 0; level < 256; ++level)
        if ((seen += histogram[std::size_t(level)]) * 2 >= width) return level;
    return 255;
}

// Dark text on light, row by row: a dark theme turns over whole, a title bar or a dark
// toolbar above light content only where it lies.
QImage darkOnLight(QImage gray) {
    for (int y = 0; y < gray.height(); ++y) {
        uchar* row = gray.scanLine(y);
        if (rowMedian(row, gray.width()) >= kInkLevel) continue;
        for (int x = 0; x < gray.width(); ++x)
            row[x] = uchar(255 - row[x]);
    }
    return gray;
}

}  // namespace

int medianLineHeight(const QImage& gray) {
    std::vector<int> runs;
    int run = 0;
    for (int y = 0; y <= gray.height(); ++y) {
        bool ink = false;
        if (y < gray.height()) {
            const uchar* row = gray.constScanLine(y);
            ink = std::any_of(row, row + gray.width(), [](uchar v) { return v < kInkLevel; });
        }
        if (ink) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (runs.empty()) return 0;
    std::ranges::nth_element(runs, runs.begin() + std::ptrdiff_t(runs.size() / 2));
    return runs[runs.size() / 2];
}

double sharpChangeShare(const QImage& gray) {
    constexpr int kSharp = 64;
    qint64 sharp = 0, pairs = 0;
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        for (int x = 1; x < gray.width(); ++x)
            sharp += std::abs(int(row[x]) - int(row[x - 1])) > kSharp;
        pairs += gray.width() - 1;
    }
    return pairs > 0 ? double(sharp) / double(pairs) : 0.0;
}

TextImage prepareTextImage(const QImage& capture) {
    QImage gray = darkOnLight(capture.convertToFormat(QImage::Format_Grayscale8));
    const int lineHeight = medianLineHeight(gray);
    double scale = lineHeight > 0 ? kBestLineHeightPx / lineHeight : 1.0;
    const double pixels = double(gray.width()) * gray.height();
    scale = std::clamp(std::min(scale, std::sqrt(kMaxScaledPixels / std::max(pixels, 1.0))), 1.0,
                       kMaxScale);
    if (scale > 1.05) {
        gray = gray.scaled(qRound(gray.width() * scale), qRound(gray.height() * scale),
                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // A white margin: the engine misses glyphs that touch the image's edge.
    QImage framed(gray.width() + 2 * kMarginPx, gray.height() + 2 * kMarginPx,
                  QImage::Format_Grayscale8);
    framed.fill(255);
    for (int y = 0; y < gray.height(); ++y)
        std::copy_n(gray.constScanLine(y), gray.width(),
                    framed.scanLine(y + kMarginPx) + kMarginPx);
    const bool singleLine = lineHeight > 0 && capture.height() < lineHeight * 5 / 2;
    return {framed, singleLine};
}

}  // namespace moxilane
