#pragma once

#include "scroll/ColumnFinder.h"
#include "scroll/ColumnSet.h"

#include <QImage>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane {

// Row signature: per row, band averages of a fixed luminance weighting, row-major.
using Signature = std::vector<std::uint8_t>;

// A signature has at most this many bands per row.
inline constexpr int kMaxSignatureBands = 64;

// How a new frame relates to the last accepted frame of the same area.
struct FrameMatch {
    enum class Kind {
        same,     // the content did not move, or nothing but blank rows came into view
        moved,    // the content moved up by `shift` rows, confirmed pixel by pixel
        unknown,  // no movement could be confirmed
    };
    Kind kind = Kind::unknown;
    // For `moved`: rows [runBegin, runEnd) of the new frame repeat rows shifted down by `shift`
    // in the last frame. Rows above runBegin stayed in place (a header), rows
    // [runEnd, runEnd + shift) are new, rows from runEnd + shift on stayed in place (a footer).
    qint64 shift = 0;
    qint64 runBegin = 0;
    qint64 runEnd = 0;
    // Columns that are not content: they did not follow the shift over the matched rows, as a
    // fixed sidebar or a scroll bar does not. Beside new rows they would repeat it.
    ColumnSet fixedColumns;
    // The frames shared only blank rows: `shift` is the smallest both allow, not one seen.
    bool acrossGap = false;
    // For `unknown`: the frame fits the last one scrolled back.
    bool scrolledBack = false;

    static FrameMatch of(Kind kind) {
        FrameMatch match;
        match.kind = kind;
        return match;
    }
};

// Decides whether a frame shows the content of the last accepted frame moved up, and by how
// much. Scratch memory is kept between frames, so one matcher serves one stitcher.
class FrameMatcher {
public:
    // columns: 1 to kMaxSignatureBands.
    FrameMatcher(int width, int height, int columns);

    // Both frames: the matcher's size, 32-bit pixels. Fills frameSignature with the new
    // frame's row signature.
    FrameMatch match(const QImage& last, const Signature& lastSignature, const QImage& frame,
                     Signature& frameSignature);

    // The content must overlap the last frame by this many rows to be aligned with it, unless
    // a header or footer takes up part of the overlap (see FrameMatcher.cpp).
    qint64 minOverlap() const { return m_minOverlap; }
    qint64 maxShift() const { return m_maxShift; }

private:
    // Rows that stayed the same in place at the top and at the bottom.
    struct StillRows {
        qint64 top = 0;
        qint64 bottom = 0;
    };
    struct InPlace {
        StillRows still;
        qint64 changedRows;
    };
    struct RowKeys {
        std::vector<quint64> key;
        std::vector<qint32> segmentBegin;  // first row of the run of equal keys holding the row
        std::vector<qint32> segmentEnd;    // one past its last row
    };
    // One way of comparing the two frames: which columns, which rows stayed in place.
    struct Comparison {
        const QImage& last;
        const QImage& frame;
        const RowKeys& lastKeys;
        const RowKeys& frameKeys;
        ColumnSet compared;
        StillRows still;
        bool runMayPassStillBottom;
    };
    struct Run {
        qint64 shift, begin, end;
        qint64 distinctRows;  // runs of equal rows in [begin, end), counted up to a short fit's
        bool pixelsCounted = false;  // by their pixels, else by their keys
    };
    struct Search {
        enum class Outcome { found, ambiguous, none };
        Outcome outcome;
        Run run;
    };

    InPlace compareInPlace(const QImage& last, const Signature& lastSignature, const QImage& frame,
                           Signature& frameSignature);
    Comparison comparing(const QImage& last, const Signature& lastSignature, const QImage& frame,
                         const Signature& frameSignature, const ColumnSet& leftOut,
                         StillRows still);
    Search findShift(const Comparison& comparison) const;
    bool fitsScrolledBack(const Comparison& comparison) const;
    FrameMatch joinAcrossGap(const Comparison& comparison) const;
    StillRows stillRowsIn(const QImage& last, const QImage& frame, const ColumnSet& compared) const;
    void computeKeys(const Signature& signature, const ColumnSet& leftOut, RowKeys& keys) const;
    std::vector<Run> candidateRuns(const Comparison& comparison) const;
    std::optional<Run> signatureRun(const Comparison& comparison, qint64 shift) const;
    std::optional<Run> confirm(const Comparison& comparison, const Run& candidate,
                               qint64& budget) const;
    bool counts(const Run& run) const;
    static qint64 distinctRows(const RowKeys& keys, qint64 begin, qint64 end);
    bool repeatsEvery(const Comparison& comparison, const Run& run, qint64 period) const;
    bool looksStill(qint64 changedRows, const Signature& frameSignature) const;

    int m_width;
    int m_height;
    int m_columns;
    qint64 m_minOverlap;
    qint64 m_maxShift;
    std::vector<pixelrows::ColumnRange> m_bands;
    ColumnFinder m_columnFinder;
    // Scratch, per frame:
    std::vector<quint8> m_rowChanged;
    RowKeys m_frameKeys;
    RowKeys m_lastKeys;
};

}  // namespace moxilane
