#pragma once

#include "scroll/PixelRows.h"

#include <QImage>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane {

// Row signature: per row, band averages of a fixed luminance weighting, row-major.
using Signature = std::vector<std::uint8_t>;

// How a new frame relates to the last accepted frame of the same area.
struct FrameMatch {
    enum class Kind {
        same,     // the content did not move
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
    std::vector<pixelrows::ColumnRange> fixedColumns;

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
    FrameMatcher(int width, int height, int columns);

    // Both frames: the matcher's size, 32-bit pixels. Fills frameSignature with the new
    // frame's row signature.
    FrameMatch match(const QImage& last, const Signature& lastSignature, const QImage& frame,
                     Signature& frameSignature);

    // The content must overlap the last frame by this many rows to be aligned with it.
    qint64 minOverlap() const { return m_minOverlap; }

private:
    struct Run {
        qint64 shift, begin, end;
        bool showsContent;  // the rows of [begin, end) are not all alike
    };
    struct Search {
        enum class Outcome { found, ambiguous, none };
        Outcome outcome;
        Run run;
    };
    struct RowKeys {
        std::vector<quint64> key;
        std::vector<qint32> segmentBegin;  // first row of the run of equal keys holding the row
        std::vector<qint32> segmentEnd;    // one past its last row
    };

    qint64 compareInPlace(const QImage& last, const Signature& lastSignature, const QImage& frame,
                          Signature& frameSignature);
    Search findShift(const QImage& last, const Signature& lastSignature, const QImage& frame,
                     const Signature& frameSignature);
    Search findShiftBesideSideStrips(const QImage& last, const Signature& lastSignature,
                                     const QImage& frame, const Signature& frameSignature);
    bool findFixedColumns(const QImage& last, const QImage& frame);
    void keepColumnsBesideContent(const Run& run, const QImage& last, const QImage& frame);
    void useColumnsExcept(std::span<const pixelrows::ColumnRange> excluded);
    void computeKeys(const Signature& signature, RowKeys& keys) const;
    std::vector<Run> candidateRuns() const;
    std::optional<Run> signatureRun(qint64 shift, qint64 lo, qint64 hi) const;
    std::optional<Run> confirm(const Run& candidate, const QImage& last, const QImage& frame,
                               qint64& budget) const;
    bool showsContent(qint64 begin, qint64 end) const;
    bool repeatsEvery(const Run& run, qint64 period) const;
    bool looksStill(qint64 changedRows, const Signature& frameSignature) const;

    int m_width;
    int m_height;
    int m_columns;
    qint64 m_minOverlap;
    qint64 m_maxShift;
    std::vector<pixelrows::ColumnRange> m_bands;
    // Per frame:
    qint64 m_topStill = 0;     // leading rows equal in place
    qint64 m_bottomStill = 0;  // trailing rows equal in place
    std::vector<quint8> m_rowStill;
    std::vector<quint32> m_columnDifference;
    std::vector<quint32> m_columnVariation;
    std::vector<pixelrows::ColumnRange> m_fixedColumns;
    std::vector<pixelrows::ColumnRange> m_comparedColumns;
    std::vector<quint8> m_usableBands;
    bool m_runMayPassStillBottom = true;
    RowKeys m_frameKeys;
    RowKeys m_lastKeys;
};

}  // namespace moxilane
