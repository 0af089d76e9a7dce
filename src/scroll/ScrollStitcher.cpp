#include "scroll/ScrollStitcher.h"

#include "scroll/PixelRows.h"

#include <utility>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <span>

namespace moxilane {

using pixelrows::ColumnRange;

namespace {

QImage::Format stitchFormat(const QImage& firstFrame) {
    return firstFrame.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

QImage inFormat(const QImage& frame, QImage::Format format) {
    return frame.format() == format ? frame : frame.convertToFormat(format);
}

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

}  // namespace

std::optional<Signature> ScrollStitcher::signature(const QImage& image, qint64 columns) {
    if (image.isNull() || columns < 1 || columns > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    // Luminance reads the colour channels only, so alpha may stay as it is.
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage pixels = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull()) return std::nullopt;
    const auto bands = pixelrows::bands(pixels.width(), int(columns));
    Signature result(std::size_t(pixels.height()) * std::size_t(columns));
    for (int y = 0; y < pixels.height(); ++y) {
        pixelrows::signatureRow(rowOf(pixels, y), bands,
                                result.data() + std::size_t(y) * std::size_t(columns));
    }
    return result;
}

std::optional<ScrollStitcher> ScrollStitcher::create(const QImage& firstFrame,
                                                     qint64 maxTotalHeight) {
    if (firstFrame.height() < kMinFrameHeight || firstFrame.width() < kMinFrameWidth) {
        return std::nullopt;
    }
    const QImage frame = inFormat(firstFrame, stitchFormat(firstFrame));
    auto first = signature(frame, std::min<qint64>(frame.width(), kMaxSignatureBands));
    if (frame.isNull() || !first) return std::nullopt;
    return ScrollStitcher(frame, maxTotalHeight, std::move(*first));
}

ScrollStitcher::ScrollStitcher(const QImage& firstFrame, qint64 maxTotalHeight,
                               Signature firstSignature)
    : m_frameWidth(firstFrame.width()),
      m_frameHeight(firstFrame.height()),
      m_maxTotalHeight(std::max<qint64>(maxTotalHeight, firstFrame.height())),
      m_columns(std::min<qint64>(firstFrame.width(), kMaxSignatureBands)),
      m_totalHeight(firstFrame.height()),
      m_format(firstFrame.format()),
      m_firstFrame(firstFrame),
      m_lastFrame(firstFrame),
      m_lastSignature(std::move(firstSignature)),
      m_matcher(firstFrame.width(), firstFrame.height(), int(m_columns)),
      m_canvas(firstFrame.width(), firstFrame.format(), m_maxTotalHeight) {
    for (const ColumnRange band : pixelrows::bands(m_frameWidth, int(m_columns))) {
        if (band.begin >= m_frameWidth / 4 && band.end <= m_frameWidth - m_frameWidth / 4)
            m_keyBands.push_back(band);
    }
    if (m_keyBands.empty()) m_keyBands = pixelrows::bands(m_frameWidth, int(m_columns));
    keyRows(0);
}

AppendResult ScrollStitcher::append(const QImage& frame) {
    if (m_totalHeight >= m_maxTotalHeight) return AppendResult::full(0);
    if (frame.width() != m_frameWidth || frame.height() != m_frameHeight) {
        return AppendResult::misaligned();
    }
    const QImage pixels = inFormat(frame, m_format);
    if (pixels.isNull()) return AppendResult::misaligned();
    const FrameMatch match =
        m_matcher.match(m_lastFrame, m_lastSignature, pixels, m_frameSignature);
    if (match.kind == FrameMatch::Kind::same) return AppendResult::unchanged();
    // A join across a gap is a guess that nothing was skipped: not after frames that showed
    // content out of reach.
    if (match.kind == FrameMatch::Kind::unknown || (match.acrossGap && m_rejectedAhead)) {
        AppendResult result = followRejected(pixels, !match.scrolledBack);
        if (result.kind == AppendResult::Kind::misaligned) result.scrolledBack = seenAbove(pixels);
        return result;
    }
    return accept(pixels, match, 0);
}

// Keeps the frame's new rows and makes it the last accepted frame; `earlier` rows were added
// for this frame before.
AppendResult ScrollStitcher::accept(const QImage& frame, const FrameMatch& match, qint64 earlier) {
    const qint64 rows = std::min(m_maxTotalHeight - m_totalHeight, match.shift);
    if (!placeRows(frame, match, rows)) {
        return earlier > 0 ? AppendResult::appended(earlier) : AppendResult::misaligned();
    }
    m_totalHeight += rows;
    keyRows(m_totalHeight - m_frameHeight);
    m_lastFrame = frame;
    std::swap(m_lastSignature, m_frameSignature);
    m_rejected = QImage();
    m_rejectedAhead = false;
    if (m_totalHeight >= m_maxTotalHeight) {
        return AppendResult::full(earlier + rows, match.acrossGap);
    }
    return AppendResult::appended(earlier + rows, match.acrossGap);
}

// When a page's layout changes as scrolling starts, no shift fits the last accepted frame, while
// the frames after it fit each other. Once a rejected frame fits the one rejected before it,
// that one is joined to the last accepted frame at a blank row between lines, then this one to
// it. Otherwise the frame is remembered for the next.
AppendResult ScrollStitcher::followRejected(const QImage& frame, bool ahead) {
    m_rejectedAhead = m_rejectedAhead || ahead;
    if (!m_rejected.isNull()) {
        const FrameMatch next =
            m_matcher.match(m_rejected, m_rejectedSignature, frame, m_frameSignature);
        if (next.kind == FrameMatch::Kind::same) return AppendResult::misaligned();
        const auto seam = next.kind == FrameMatch::Kind::moved && !next.acrossGap
                              ? lineseam::find(m_lastFrame, m_rejected, m_matcher.maxShift())
                              : std::nullopt;
        if (seam && joinAt(*seam)) {
            if (m_totalHeight >= m_maxTotalHeight) return AppendResult::full(0);
            const qint64 joined = m_totalHeight - m_heightBeforeJoin;
            return accept(frame, next, joined);
        }
    }
    m_rejected = frame;
    m_rejectedSignature = m_frameSignature;
    return AppendResult::misaligned();
}

// The canvas ends with the last accepted frame's rows below its header: those from the seam on
// give way to the rejected frame's rows from its seam on, which becomes the last accepted frame.
bool ScrollStitcher::joinAt(const lineseam::Seam& seam) {
    const qint64 kept = m_totalHeight - (m_frameHeight - seam.lastRow);
    const qint64 total = std::min(m_maxTotalHeight, kept + m_frameHeight - seam.frameRow);
    if (!startCanvas() || !m_canvas.prepare(kept, total)) return false;
    for (qint64 y = kept; y < total; ++y)
        copyRow(m_rejected, seam.frameRow + y - kept, y);
    m_heightBeforeJoin = m_totalHeight;
    m_totalHeight = total;
    keyRows(kept);
    m_lastFrame = std::exchange(m_rejected, QImage());
    std::swap(m_lastSignature, m_rejectedSignature);
    return true;
}

bool ScrollStitcher::startCanvas() {
    if (m_canvasStarted) return true;
    if (!m_canvas.prepare(0, m_totalHeight)) return false;
    for (qint64 y = 0; y < m_frameHeight; ++y)
        copyRow(m_firstFrame, y, y);
    m_firstFrame = QImage();
    m_canvasStarted = true;
    return true;
}

// The canvas ends with the last accepted frame's rows below its header, so the new frame's rows
// from match.runEnd on go where the last frame's footer began: first `rows` new rows (fewer than
// the shift only at the cap), then the frame's own footer. Beside content rows, and beside
// footer rows above the lowest footer seen (rows that stayed in place for a while), sidebar
// columns get the sidebar's background instead of repeating it.
bool ScrollStitcher::placeRows(const QImage& frame, const FrameMatch& match, qint64 rows) {
    const qint64 footerRows = m_frameHeight - match.shift - match.runEnd;
    const qint64 top = m_totalHeight - footerRows;
    if (!startCanvas() || !m_canvas.prepare(m_totalHeight, m_totalHeight + rows)) return false;
    const std::vector<QRgb> fill = sidebarFill(frame, match, footerRows);
    const auto place = [&](qint64 fromRow, qint64 toRow, bool besideContent) {
        copyRow(frame, fromRow, toRow);
        if (!besideContent) return;
        auto* row = reinterpret_cast<QRgb*>(m_canvas.row(toRow));
        for (const pixelrows::ColumnRange range : match.fixedColumns.ranges()) {
            std::copy(fill.begin() + range.begin, fill.begin() + range.end, row + range.begin);
        }
    };
    for (qint64 i = 0; i < rows; ++i)
        place(match.runEnd + i, top + i, true);
    m_lowestFooterRows = std::min(m_lowestFooterRows, footerRows);
    for (qint64 i = 0; i < footerRows; ++i) {
        place(m_frameHeight - footerRows + i, top + rows + i, i < footerRows - m_lowestFooterRows);
    }
    return true;
}

void ScrollStitcher::copyRow(const QImage& from, qint64 fromRow, qint64 toRow) {
    std::memcpy(m_canvas.row(toRow), rowOf(from, fromRow),
                std::size_t(m_frameWidth) * sizeof(QRgb));
}

// Per sidebar column, the colour most of its rows beside the content have (majority vote).
std::vector<QRgb> ScrollStitcher::sidebarFill(const QImage& frame, const FrameMatch& match,
                                              qint64 footerRows) const {
    if (match.fixedColumns.empty()) return {};
    auto colour = std::vector<QRgb>(std::size_t(m_frameWidth));
    auto votes = std::vector<qint64>(std::size_t(m_frameWidth));
    for (qint64 y = match.runBegin; y < m_frameHeight - footerRows; ++y) {
        const QRgb* row = rowOf(frame, y);
        for (const pixelrows::ColumnRange range : match.fixedColumns.ranges()) {
            for (int x = range.begin; x < range.end; ++x) {
                auto& vote = votes[std::size_t(x)];
                if (vote == 0) colour[std::size_t(x)] = row[x];
                vote += colour[std::size_t(x)] == row[x] ? 1 : -1;
            }
        }
    }
    return colour;
}

quint64 ScrollStitcher::rowKey(const QRgb* row) const {
    std::array<quint8, kMaxSignatureBands> bands{};
    pixelrows::signatureRow(row, m_keyBands, bands.data());
    quint64 key = 14695981039346656037ull;  // FNV-1a
    for (std::size_t i = 0; i < m_keyBands.size(); ++i)
        key = (key ^ bands[i]) * 1099511628211ull;
    return key;
}

// Keys rows [from, totalHeight()) anew: the rows written since.
void ScrollStitcher::keyRows(qint64 from) {
    from = std::clamp<qint64>(from, 0, qint64(m_rowKeys.size()));
    m_rowKeys.resize(std::size_t(m_totalHeight));
    for (qint64 y = from; y < m_totalHeight; ++y) {
        const auto* row = m_canvasStarted ? reinterpret_cast<const QRgb*>(m_canvas.row(y))
                                          : rowOf(m_firstFrame, y);
        m_rowKeys[std::size_t(y)] = rowKey(row);
    }
}

// Whether a stretch of the frame's middle rows, showing content, appears in the image exactly
// once and above where the last accepted frame shows it: the user scrolled back.
bool ScrollStitcher::seenAbove(const QImage& frame) const {
    const qint64 rows = std::min(m_matcher.minOverlap(), m_frameHeight / 2);
    const qint64 lastTop = m_totalHeight - m_frameHeight;
    std::vector<quint64> keys(static_cast<std::size_t>(m_frameHeight));
    for (qint64 y = 0; y < m_frameHeight; ++y)
        keys[std::size_t(y)] = rowKey(rowOf(frame, y));
    for (const qint64 begin : {(m_frameHeight - rows) / 2, m_frameHeight / 4,
                               m_frameHeight - m_frameHeight / 4 - rows}) {
        const auto window = std::span(keys).subspan(std::size_t(begin), std::size_t(rows));
        if (std::set(window.begin(), window.end()).size() < 3) continue;  // blank, or nearly
        qint64 found = -1, places = 0;
        for (qint64 y = 0; y + rows <= m_totalHeight && places < 2; ++y) {
            if (std::equal(window.begin(), window.end(), m_rowKeys.begin() + y)) {
                found = y;
                ++places;
            }
        }
        if (places == 1) return found < lastTop + begin;
    }
    return false;
}

std::optional<QImage> ScrollStitcher::compose() const {
    if (!m_canvasStarted) return m_firstFrame;
    QImage image = m_canvas.image(m_totalHeight);
    if (image.isNull()) return std::nullopt;
    return image;
}

}  // namespace moxilane
