// The window shadow: the window's alpha, moved down, blurred by three box passes each way
// (close to a Gaussian at a cost independent of the radius), tinted black.

#include "capture/WindowShadow.h"

#include <QPainter>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <vector>

namespace moxilane {

namespace {

constexpr double kMarginPt = 40.0;
constexpr double kOffsetDownPt = 8.0;
constexpr double kBlurRadiusPt = 24.0;
constexpr double kShadowAlpha = 0.45;
constexpr int kBoxPasses = 3;

// Box radii of three passes whose sum of variances is that of a Gaussian of this sigma.
std::vector<int> boxRadii(double sigma) {
    if (sigma <= 0) return {};
    const double ideal = std::sqrt(12.0 * sigma * sigma / kBoxPasses + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) --lower;
    const int upper = lower + 2;
    const double lowerCount = (12.0 * sigma * sigma - kBoxPasses * lower * lower -
                               4.0 * kBoxPasses * lower - 3.0 * kBoxPasses) /
                              (-4.0 * lower - 4.0);
    const int lowerPasses = int(std::lround(lowerCount));
    std::vector<int> radii;
    for (int i = 0; i < kBoxPasses; ++i)
        radii.push_back(((i < lowerPasses ? lower : upper) - 1) / 2);
    return radii;
}

// One box pass along each line: out[i] = mean of in[i - r .. i + r], zero beyond the ends.
// Lines lie `lineStep` apart, samples `step` apart, so rows and columns use the same code.
void boxPass(const float* in, float* out, int length, int lines, std::ptrdiff_t step,
             std::ptrdiff_t lineStep, int radius) {
    const float scale = 1.0f / float(2 * radius + 1);
    for (int line = 0; line < lines; ++line) {
        const float* src = in + line * lineStep;
        float* dst = out + line * lineStep;
        float sum = 0;
        for (int i = 0; i < std::min(radius, length); ++i)
            sum += src[i * step];
        for (int i = 0; i < length; ++i) {
            if (i + radius < length) sum += src[(i + radius) * step];
            if (i - radius - 1 >= 0) sum -= src[(i - radius - 1) * step];
            dst[i * step] = sum * scale;
        }
    }
}

// Columns a whole row at a time, so memory is read in order.
void boxPassVertical(const float* in, float* out, int width, int height, int radius) {
    const float scale = 1.0f / float(2 * radius + 1);
    std::vector<float> sum(width, 0.0f);
    auto add = [&](int row, float sign) {
        const float* src = in + std::ptrdiff_t(row) * width;
        for (int x = 0; x < width; ++x)
            sum[x] += sign * src[x];
    };
    for (int y = 0; y < std::min(radius, height); ++y)
        add(y, 1.0f);
    for (int y = 0; y < height; ++y) {
        if (y + radius < height) add(y + radius, 1.0f);
        if (y - radius - 1 >= 0) add(y - radius - 1, -1.0f);
        float* dst = out + std::ptrdiff_t(y) * width;
        for (int x = 0; x < width; ++x)
            dst[x] = sum[x] * scale;
    }
}

void blur(std::vector<float>& plane, int width, int height, const std::vector<int>& radii) {
    std::vector<float> scratch(plane.size());
    for (int radius : radii) {
        boxPass(plane.data(), scratch.data(), width, height, 1, width, radius);
        boxPassVertical(scratch.data(), plane.data(), width, height, radius);
    }
}

bool isOpaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255) return false;
        }
    }
    return true;
}

// The shadow's coverage for an opaque window: the blur of a rectangle is the product of two
// blurred intervals, so two lines are blurred instead of the whole plane.
std::vector<float> blurredInterval(int length, int start, int size, const std::vector<int>& radii) {
    std::vector<float> line(length, 0.0f);
    for (int i = std::max(start, 0); i < std::min(start + size, length); ++i)
        line[i] = 1.0f;
    std::vector<float> scratch(length);
    for (int radius : radii) {
        boxPass(line.data(), scratch.data(), length, 1, 1, length, radius);
        line.swap(scratch);
    }
    return line;
}

}  // namespace

std::optional<QImage> compositeShadow(const QImage& window, double scale) {
    if (window.isNull()) return std::nullopt;
    const int margin = int(kMarginPt * scale);
    const int offset = int(std::lround(kOffsetDownPt * scale));
    const int width = window.width() + 2 * margin;
    const int height = window.height() + 2 * margin;
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return std::nullopt;
    // A shadow's blur radius spans about two standard deviations.
    const std::vector<int> radii = boxRadii(kBlurRadiusPt * scale / 2.0);
    const float peak = float(255.0 * kShadowAlpha);

    auto tint = [peak](float coverage) {
        return quint32(std::clamp(coverage, 0.0f, 1.0f) * peak + 0.5f) << 24;
    };
    if (isOpaque(window)) {
        // The window hides the shadow under it: only the margins are computed, and the
        // window's rows are copied in (opaque RGB32 has the bits of premultiplied ARGB).
        const QImage pixels = window.convertToFormat(QImage::Format_RGB32);
        const auto across = blurredInterval(width, margin, window.width(), radii);
        const auto down = blurredInterval(height, margin + offset, window.height(), radii);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            const bool besideWindow = y >= margin && y < margin + window.height();
            const int skipFrom = besideWindow ? margin : width;
            const int skipTo = besideWindow ? margin + window.width() : width;
            for (int x = 0; x < skipFrom; ++x)
                row[x] = tint(across[x] * down[y]);
            for (int x = skipTo; x < width; ++x)
                row[x] = tint(across[x] * down[y]);
            if (besideWindow) {
                std::memcpy(row + margin, pixels.constScanLine(y - margin),
                            std::size_t(window.width()) * 4);
            }
        }
        return canvas;
    }
    std::vector<float> plane(std::size_t(width) * height, 0.0f);
    const QImage argb = window.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < argb.height() && margin + offset + y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        float* to = plane.data() + std::ptrdiff_t(margin + offset + y) * width + margin;
        for (int x = 0; x < argb.width(); ++x)
            to[x] = qAlpha(from[x]) / 255.0f;
    }
    blur(plane, width, height, radii);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const float* coverage = plane.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = tint(coverage[x]);
    }
    QPainter painter(&canvas);
    painter.drawImage(margin, margin, argb);
    painter.end();
    return canvas;
}

}  // namespace moxilane
