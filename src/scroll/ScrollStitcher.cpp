#include "scroll/ScrollStitcher.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace moxilane {

namespace {

constexpr qint64 kMinFrameHeight = 120;
constexpr qint64 kMinFrameWidth = 8;
constexpr qint64 kMaxBands = 64;
constexpr int kMatchLevelsPerBand = 6;
constexpr double kStillRatio = 0.98;
constexpr double kMinOverlapRatio = 0.12;
constexpr qint64 kMinOverlapRows = 48;
constexpr qint64 kCoarseRowStep = 8;
constexpr double kMinFineScore = 0.65;
constexpr double kMinLeadOverStill = 0.15;
constexpr double kUnchangedFallbackRatio = 0.65;

QImage opaqueOrAlpha(const QImage& frame) {
    const auto format = frame.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    return frame.format() == format ? frame : frame.convertToFormat(format);
}

// Luminance with fixed integer weights (0.30 R + 0.59 G + 0.11 B), 0 … 255.
int gray(QRgb pixel) {
    return (77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 8;
}

bool rowsMatch(const Signature& a, qint64 rowA, const Signature& b, qint64 rowB, qint64 columns) {
    const auto* pa = a.data() + rowA * columns;
    const auto* pb = b.data() + rowB * columns;
    qint64 distance = 0;
    for (qint64 c = 0; c < columns; ++c)
        distance += std::abs(int(pa[c]) - int(pb[c]));
    return distance <= kMatchLevelsPerBand * columns;
}

}  // namespace

std::optional<Signature> ScrollStitcher::signature(const QImage& image, qint64 columns) {
    if (image.isNull() || columns < 1) return std::nullopt;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const qint64 width = pixels.width();
    const qint64 height = pixels.height();
    Signature result(std::size_t(height * columns));
    for (qint64 y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(int(y)));
        for (qint64 c = 0; c < columns; ++c) {
            const qint64 x0 = c * width / columns;
            const qint64 x1 = std::max(x0 + 1, (c + 1) * width / columns);
            qint64 sum = 0;
            for (qint64 x = x0; x < x1; ++x)
                sum += gray(row[x]);
            result[std::size_t(y * columns + c)] = std::uint8_t(sum / (x1 - x0));
        }
    }
    return result;
}

std::optional<ScrollStitcher> ScrollStitcher::create(const QImage& firstFrame,
                                                     qint64 maxTotalHeight) {
    if (firstFrame.height() < kMinFrameHeight || firstFrame.width() < kMinFrameWidth) {
        return std::nullopt;
    }
    const QImage frame = opaqueOrAlpha(firstFrame);
    auto first = signature(frame, std::min<qint64>(frame.width(), kMaxBands));
    if (!first) return std::nullopt;
    return ScrollStitcher(frame, maxTotalHeight, std::move(*first));
}

ScrollStitcher::ScrollStitcher(const QImage& firstFrame, qint64 maxTotalHeight,
                               Signature firstSignature)
    : m_frameWidth(firstFrame.width()),
      m_frameHeight(firstFrame.height()),
      m_maxTotalHeight(std::max<qint64>(maxTotalHeight, firstFrame.height())),
      m_columns(std::min<qint64>(firstFrame.width(), kMaxBands)),
      m_totalHeight(firstFrame.height()),
      m_slices{firstFrame},
      m_lastSignature(std::move(firstSignature)) {}

AppendResult ScrollStitcher::append(const QImage& frame) {
    if (m_totalHeight >= m_maxTotalHeight) return AppendResult::full(0);
    if (frame.width() != m_frameWidth || frame.height() != m_frameHeight) {
        return AppendResult::misaligned();
    }
    const QImage pixels = opaqueOrAlpha(frame);
    const auto current = signature(pixels, m_columns);
    if (!current) return AppendResult::misaligned();
    const Signature& last = m_lastSignature;
    const qint64 height = m_frameHeight;

    qint64 stillRows = 0;
    for (qint64 y = 0; y < height; ++y)
        stillRows += rowsMatch(last, y, *current, y, m_columns);
    const double stillRatio = double(stillRows) / double(height);
    if (stillRatio >= kStillRatio) return AppendResult::unchanged();

    const qint64 minOverlap = std::max(qint64(double(height) * kMinOverlapRatio), kMinOverlapRows);
    const qint64 maxShift = height - minOverlap;
    double best = -1.0;
    qint64 bestShift = 0;
    for (qint64 shift = 1; shift <= maxShift; ++shift) {
        qint64 sampled = 0;
        qint64 matching = 0;
        for (qint64 r = 0; r < height - shift; r += kCoarseRowStep) {
            ++sampled;
            matching += rowsMatch(*current, r, last, r + shift, m_columns);
        }
        const double score = double(matching) / double(sampled);
        if (score > best) {
            best = score;
            bestShift = shift;
        }
    }

    const qint64 overlap = height - bestShift;
    qint64 fineMatching = 0;
    for (qint64 r = 0; r < overlap; ++r) {
        fineMatching += rowsMatch(*current, r, last, r + bestShift, m_columns);
    }
    const double fineScore = double(fineMatching) / double(overlap);
    if (fineScore >= kMinFineScore && fineScore > stillRatio + kMinLeadOverStill) {
        const qint64 rows = std::min(m_maxTotalHeight - m_totalHeight, bestShift);
        const QImage strip = pixels.copy(0, int(height - bestShift), int(m_frameWidth), int(rows));
        if (strip.isNull()) return AppendResult::misaligned();
        m_slices.push_back(strip);
        m_totalHeight += rows;
        m_lastSignature = *current;
        if (m_totalHeight >= m_maxTotalHeight) return AppendResult::full(rows);
        return AppendResult::appended(rows);
    }
    return stillRatio >= kUnchangedFallbackRatio ? AppendResult::unchanged()
                                                 : AppendResult::misaligned();
}

std::optional<QImage> ScrollStitcher::compose() const {
    if (m_slices.empty()) return std::nullopt;
    if (m_slices.size() == 1) return m_slices.front();
    QImage result(int(m_frameWidth), int(m_totalHeight), m_slices.front().format());
    if (result.isNull()) return std::nullopt;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    qint64 top = 0;
    for (const QImage& slice : m_slices) {
        painter.drawImage(0, int(top), slice);
        top += slice.height();
    }
    return result;
}

}  // namespace moxilane
