#pragma once

#include "scroll/FrameMatcher.h"
#include "scroll/LineSeam.h"
#include "scroll/PixelRows.h"
#include "scroll/StitchCanvas.h"

#include <QImage>
#include <QtGlobal>

#include <limits>
#include <optional>

namespace moxilane {

// The stitched height, in device pixels, at which a scrolling capture ends.
inline constexpr qint64 kMaxScrollCaptureHeight = 24000;
// The smallest first frame a stitcher starts from, in device pixels.
inline constexpr qint64 kMinFrameHeight = 120;
inline constexpr qint64 kMinFrameWidth = 8;

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
    // The frames shared only blank rows, so the shift could not be seen: they were joined at
    // the smallest shift both allow, and the blank gap between may have come out shorter.
    bool acrossGap = false;
    // For `misaligned`: the frame shows rows already in the image, above where the last
    // accepted frame's are: the content was scrolled back, not too fast.
    bool scrolledBack = false;

    static AppendResult appended(qint64 rows, bool acrossGap = false) {
        return {Kind::appended, rows, acrossGap};
    }
    static AppendResult unchanged() { return {Kind::unchanged, 0, false}; }
    static AppendResult misaligned(bool scrolledBack = false) {
        return {Kind::misaligned, 0, false, scrolledBack};
    }
    static AppendResult full(qint64 rows, bool acrossGap = false) {
        return {Kind::full, rows, acrossGap};
    }
    friend bool operator==(const AppendResult&, const AppendResult&) = default;
};

// Joins the frames of a scrolling capture (the same screen area, captured while the user
// scrolls the content downwards) into one tall image: the first frame on top, then the rows
// each accepted frame revealed. A header that stays in place shows once, where the first frame
// had it; a footer that stays in place shows once, at the bottom; a fixed sidebar shows once,
// beside the first frame's rows. All sizes are device pixels, rows counted from the top.
// Frames are kept by reference (QImage sharing), not copied. Main thread only; no locks.
class ScrollStitcher {
public:
    // No stitcher unless the frame is at least 120 rows high and 8 columns wide.
    // The cap is raised to the frame height when it is lower.
    [[nodiscard]] static std::optional<ScrollStitcher> create(const QImage& firstFrame,
                                                              qint64 maxTotalHeight);

    // Offers the next frame of the same area.
    AppendResult append(const QImage& frame);

    // The stitched image, frameWidth() × totalHeight(), in the first frame's format (RGB32, or
    // ARGB32 when it has alpha). Cheap: it shares the stitcher's rows read-only, and later
    // appends never change it. Leaves the stitcher as it was.
    [[nodiscard]] std::optional<QImage> compose() const;

    // Row signature of an image: per row, `columns` band averages of a fixed luminance weighting
    // (entry y * columns + c is band c of row y). Nothing for a null image or fewer than one band.
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

    AppendResult accept(const QImage& frame, const FrameMatch& match, qint64 earlier);
    AppendResult followRejected(const QImage& frame, bool ahead);
    [[nodiscard]] bool joinAt(const lineseam::Seam& seam);
    [[nodiscard]] bool startCanvas();
    [[nodiscard]] bool placeRows(const QImage& frame, const FrameMatch& match, qint64 rows);
    void copyRow(const QImage& from, qint64 fromRow, qint64 toRow);
    std::vector<QRgb> sidebarFill(const QImage& frame, const FrameMatch& match,
                                  qint64 footerRows) const;
    quint64 rowKey(const QRgb* row) const;
    void keyRows(qint64 from);
    [[nodiscard]] bool seenAbove(const QImage& frame) const;

    qint64 m_frameWidth;
    qint64 m_frameHeight;
    qint64 m_maxTotalHeight;
    qint64 m_columns;
    qint64 m_totalHeight;
    QImage::Format m_format;
    QImage m_firstFrame;  // until the canvas takes its rows
    QImage m_lastFrame;
    Signature m_lastSignature;
    Signature m_frameSignature;  // scratch for the frame being matched
    QImage m_rejected;           // the last frame rejected since one was accepted
    Signature m_rejectedSignature;
    qint64 m_heightBeforeJoin = 0;
    bool m_rejectedAhead = false;  // a frame rejected since may show content beyond reach
    FrameMatcher m_matcher;
    StitchCanvas m_canvas;
    bool m_canvasStarted = false;
    qint64 m_lowestFooterRows = std::numeric_limits<qint64>::max();
    // Per row of the stitched image, a key of its middle columns (away from sidebars and
    // scroll bars), to recognise content scrolled back to.
    std::vector<pixelrows::ColumnRange> m_keyBands;
    std::vector<quint64> m_rowKeys;
};

}  // namespace moxilane
