#pragma once

#include <QImage>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane {

// What append() did with a frame.
struct AppendResult {
    enum class Kind {
        appended,    // a strip of `rows` (>= 1) rows was added
        unchanged,   // the content did not move; nothing was added
        misaligned,  // wrong size or no convincing shift; nothing was added
        full,        // the stitched height reached the cap (`rows` added with this frame, maybe 0)
    };
    Kind kind = Kind::unchanged;
    qint64 rows = 0;

    static AppendResult appended(qint64 rows) { return {Kind::appended, rows}; }
    static AppendResult unchanged() { return {Kind::unchanged, 0}; }
    static AppendResult misaligned() { return {Kind::misaligned, 0}; }
    static AppendResult full(qint64 rows) { return {Kind::full, rows}; }
    friend bool operator==(const AppendResult&, const AppendResult&) = default;
};

// Row signature: for each row, `columns` band averages of a fixed luminance weighting,
// row-major (entry y * columns + c is band c of row y).
using Signature = std::vector<std::uint8_t>;

// Joins the frames of a scrolling capture (the same screen area, captured while the user
// scrolls the content downwards) into one tall image. All sizes are device pixels, rows counted
// from the top. Main thread only; no locks.
class ScrollStitcher {
public:
    // No stitcher unless the frame is at least 120 rows high and 8 columns wide.
    // The cap is raised to the frame height when it is lower.
    [[nodiscard]] static std::optional<ScrollStitcher> create(const QImage& firstFrame,
                                                              qint64 maxTotalHeight);

    // Offers the next frame of the same area.
    AppendResult append(const QImage& frame);

    // The stitched image, frameWidth() × totalHeight(). Leaves the stitcher as it was.
    [[nodiscard]] std::optional<QImage> compose() const;

    // Row signature of an image with the given number of bands; nothing for a null image or
    // fewer than one band.
    [[nodiscard]] static std::optional<Signature> signature(const QImage& image, qint64 columns);

    qint64 frameWidth() const { return m_frameWidth; }
    qint64 frameHeight() const { return m_frameHeight; }
    qint64 maxTotalHeight() const { return m_maxTotalHeight; }
    qint64 columns() const { return m_columns; }
    qint64 totalHeight() const { return m_totalHeight; }
    // The signature of the last accepted frame (the first frame until another is accepted).
    const Signature& lastSignature() const { return m_lastSignature; }

private:
    ScrollStitcher(const QImage& firstFrame, qint64 maxTotalHeight, Signature firstSignature);

    qint64 m_frameWidth;
    qint64 m_frameHeight;
    qint64 m_maxTotalHeight;
    qint64 m_columns;
    qint64 m_totalHeight;
    std::vector<QImage> m_slices;
    Signature m_lastSignature;
};

}  // namespace moxilane
