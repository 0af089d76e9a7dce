#include "scroll/FrameMatcher.h"

#include "scroll/BlankGap.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

// How frames are matched, and why:
//
// A shift is accepted only when the pixels prove it. Band averages are far too coarse to tell
// rows of text, code or a photo apart, so they only propose shifts: every row of a frame is
// keyed by its exact signature row, and a shift is a candidate when the keys of the new frame
// repeat those of the last accepted frame, shifted, over every row between a header and a
// footer that stayed in place. Each candidate is then checked pixel for pixel over that
// overlap. Exactly one shift must survive; when none does, or several do (a repeating pattern),
// nothing is appended: guessing would duplicate or drop content.
//
// The overlap must be minOverlap rows long. A header or footer that stays in place takes rows
// of the frames' overlap without being part of the content's, so after a long step the content
// may share fewer rows than that although the frames overlap by more. Fits rank by strength: a
// minimum overlap, then a shorter one showing many different rows (lines of text, not a few
// blank or repeated ones) where the frame does not also fit the last one scrolled back, then
// one over two stretches of alike rows (an edge). The first rank with a fit decides.
//
// What stays in place while the content moves is found by comparing the frame with the last
// one in place: rows at the top and bottom that did not change may be a sticky header or
// footer; the overlap must match in every row between them and may extend beyond them as far
// as rows keep matching. All columns are compared first. When no shift fits, columns that did
// not change and are not one colour (a fixed sidebar) are left out; when still none fits, the
// outermost columns too (a scroll bar, whose thumb moves its own way). Of the columns left out,
// those that follow the confirmed shift are content after all; the others get filled beside
// new rows, so that the sidebar or the thumb shows once.
//
// An overlap of rows that are all alike proves nothing: such a fit does not count as a
// confirmation, and next to another fit it makes the frame ambiguous where the last frame
// repeats itself at the distance between the two (stripes, identical rows). For the same reason a
// frame counts as still only when at least 98 % of its rows stayed in place and those rows show
// some content: a blank area that stays blank neither hides a real scroll nor stands for one.
//
// In a blank gap taller than the view, frames share only blank rows and the shift cannot be
// seen: see BlankGap.h. A frame that shows nothing but blank rows adds nothing.

namespace moxilane {

using pixelrows::ColumnRange;

namespace {

constexpr double kMinOverlapRatio = 0.12;
constexpr qint64 kMinOverlapRows = 48;
constexpr double kStillRatio = 0.98;
// Pixel checks of candidates may compare this many frame heights of rows; a frame that needs
// more (many shifts fitting long stretches) counts as ambiguous.
constexpr qint64 kCheckBudgetFrames = 4;
// A fit shorter than the minimum overlap counts over at least this many runs of equal rows:
// about a line of text.
constexpr qint64 kShortFitDistinctRows = 12;

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

bool sameRow(const QImage& a, const QImage& b, qint64 y) {
    return std::memcmp(rowOf(a, y), rowOf(b, y), std::size_t(a.width()) * sizeof(QRgb)) == 0;
}

quint64 mix(quint64 hash, quint64 word) {
    hash = (hash ^ word) * 0x9e3779b97f4a7c15ull;
    return hash ^ (hash >> 32);
}

}  // namespace

FrameMatcher::FrameMatcher(int width, int height, int columns)
    : m_width(width),
      m_height(height),
      m_columns(columns),
      m_minOverlap(std::max(qint64(double(height) * kMinOverlapRatio), kMinOverlapRows)),
      m_maxShift(height - m_minOverlap),
      m_bands(pixelrows::bands(width, columns)),
      m_columnFinder(width),
      m_rowChanged(std::size_t(height)) {
    assert(columns >= 1 && columns <= kMaxSignatureBands);
}

FrameMatch FrameMatcher::match(const QImage& last, const Signature& lastSignature,
                               const QImage& frame, Signature& frameSignature) {
    const InPlace inPlace = compareInPlace(last, lastSignature, frame, frameSignature);
    if (inPlace.changedRows == 0) return FrameMatch::of(FrameMatch::Kind::same);
    // First as if no column stood still: a fixed sidebar makes every shift fail, and only then
    // is it worth reading both frames column by column to find it.
    const auto compare = [&](const ColumnSet& leftOut, StillRows still) {
        return comparing(last, lastSignature, frame, frameSignature, leftOut, still);
    };
    ColumnSet leftOut, sidebar;
    StillRows still = inPlace.still;
    Search search = findShift(compare(leftOut, still));
    if (search.outcome == Search::Outcome::none) {
        sidebar = m_columnFinder.fixed(last, frame, m_rowChanged);
        if (!sidebar.empty()) search = findShift(compare(leftOut = sidebar, still));
    }
    if (search.outcome == Search::Outcome::none) {
        // A scroll bar changes as it moves, but in its own way, so no shift fits it; rows are
        // then judged unchanged by the other columns.
        leftOut = sidebar.united(ColumnFinder::sideStrips(m_width), m_width);
        still = stillRowsIn(last, frame, leftOut.complement(m_width));
        if (still.top < m_height) search = findShift(compare(leftOut, still));
    }
    if (search.outcome == Search::Outcome::found) {
        // Matched rows that also stayed in place at the top may as well be a header.
        const Run& run = search.run;
        FrameMatch match = FrameMatch::of(FrameMatch::Kind::moved);
        match.shift = run.shift;
        match.runBegin = std::max(run.begin, still.top);
        match.runEnd = run.end;
        match.fixedColumns = m_columnFinder.notFollowing(leftOut, sidebar, last, frame, run.shift,
                                                         match.runBegin, match.runEnd);
        // Where the rows that changed are blank, the fit rests on rows that stayed in place (a
        // line's edge meeting a header's): the smallest shift the frames allow, not one seen.
        match.acrossGap =
            blankgap::blankRows(frame, still.top, m_height - run.shift - still.bottom);
        return match;
    }
    if (looksStill(inPlace.changedRows, frameSignature))
        return FrameMatch::of(FrameMatch::Kind::same);
    const Comparison allColumns = compare({}, inPlace.still);
    FrameMatch match = search.outcome == Search::Outcome::ambiguous
                           ? FrameMatch::of(FrameMatch::Kind::unknown)
                           : joinAcrossGap(allColumns);
    if (match.kind == FrameMatch::Kind::unknown) {
        // Also over the whole frame: where the content shows little, rows that stayed in place
        // may hold all that fits.
        const Comparison wholeFrame{last, frame, m_lastKeys, m_frameKeys, allColumns.compared,
                                    {},   true};
        match.scrolledBack = fitsScrolledBack(allColumns) || fitsScrolledBack(wholeFrame);
    }
    return match;
}

FrameMatcher::Comparison FrameMatcher::comparing(const QImage& last, const Signature& lastSignature,
                                                 const QImage& frame,
                                                 const Signature& frameSignature,
                                                 const ColumnSet& leftOut, StillRows still) {
    computeKeys(frameSignature, leftOut, m_frameKeys);
    computeKeys(lastSignature, leftOut, m_lastKeys);
    // Rows that stayed in place at the bottom may be a footer that differs from the content
    // only in the columns left out; as content they would bring those columns along.
    return {last,  frame,          m_lastKeys, m_frameKeys, leftOut.complement(m_width),
            still, leftOut.empty()};
}

FrameMatcher::Search FrameMatcher::findShift(const Comparison& comparison) const {
    // Likely shifts first: those that count, the longest overlap first.
    std::vector<Run> candidates = candidateRuns(comparison);
    const auto showsContent = [](const Run& run) { return run.distinctRows > 1; };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Run& a, const Run& b) {
        if (counts(a) != counts(b)) return counts(a);
        return a.end - a.begin > b.end - b.begin;
    });
    const auto others = std::find_if(candidates.begin(), candidates.end(),
                                     [&](const Run& run) { return !counts(run); });
    // Fits by strength: over a minimum overlap, then shorter ones, then those over two
    // stretches of alike rows (a panel's edge meeting blank space), which any other panel's
    // edge may match too; those count only on all columns (without the margins a header's rule
    // looks like a table's). The first strength with a fit decides; two fits there are
    // ambiguous.
    enum Strength { full, shorter, weak, strengths };
    std::array<std::optional<Run>, strengths> fits;
    std::array<bool, strengths> twice{};
    qint64 budget = kCheckBudgetFrames * m_height;
    for (auto it = candidates.begin(); it != others; ++it) {
        const auto run = confirm(comparison, *it, budget);
        if (budget < 0) return {Search::Outcome::ambiguous, {}};
        if (!run || !counts(*run)) continue;
        const Strength strength = run->distinctRows <= 2                  ? weak
                                  : run->end - run->begin >= m_minOverlap ? full
                                                                          : shorter;
        if (strength == weak && !comparison.runMayPassStillBottom) continue;
        twice[strength] = twice[strength] || fits[strength];
        fits[strength] = run;
    }
    std::optional<Run> confirmed;
    for (int strength = full; strength < strengths && !confirmed; ++strength) {
        if (twice[std::size_t(strength)]) return {Search::Outcome::ambiguous, {}};
        confirmed = fits[std::size_t(strength)];
    }
    if (!confirmed) return {Search::Outcome::none, {}};
    // A fit over rows of one colour would mean that the content the other shift matched is new
    // and only looks the same; that is a reading only where the last frame repeats at that
    // distance (stripes, identical rows), not where the content shows once.
    for (auto it = others; it != candidates.end(); ++it) {
        if (showsContent(*it) || it->end - it->begin < m_minOverlap) continue;
        if (!repeatsEvery(comparison, *confirmed, it->shift - confirmed->shift)) continue;
        const auto run = confirm(comparison, *it, budget);
        if (budget < 0 || (run && run->end - run->begin >= m_minOverlap))
            return {Search::Outcome::ambiguous, {}};
    }
    const bool isShort = confirmed->end - confirmed->begin < m_minOverlap;
    if (isShort && fitsScrolledBack(comparison)) return {Search::Outcome::ambiguous, {}};
    return {Search::Outcome::found, *confirmed};
}

// Whether a run proves its shift: a minimum overlap showing content, or a shorter one showing
// many different rows.
// Short runs count their rows' keys as candidates, their rows' pixels once confirmed: rows of
// a gradient may have equal band averages and yet differ.
bool FrameMatcher::counts(const Run& run) const {
    if (run.end - run.begin >= m_minOverlap) return run.distinctRows > 1;
    return run.distinctRows >= (run.pixelsCounted ? kShortFitDistinctRows : 3);
}

// Whether the last frame shows the new one's content lower down over a minimum overlap: the
// frame would then be a scroll back, whatever short fit it also has.
bool FrameMatcher::fitsScrolledBack(const Comparison& comparison) const {
    const Comparison back{comparison.frame,
                          comparison.last,
                          comparison.frameKeys,
                          comparison.lastKeys,
                          comparison.compared,
                          comparison.still,
                          comparison.runMayPassStillBottom};
    qint64 budget = kCheckBudgetFrames * m_height;
    for (const Run& candidate : candidateRuns(back)) {
        if (candidate.end - candidate.begin < m_minOverlap || candidate.distinctRows < 2) continue;
        const auto run = confirm(back, candidate, budget);
        if (budget < 0 || (run && run->end - run->begin >= m_minOverlap)) return true;
    }
    return false;
}

// Across a blank gap, see the comment at the top. All columns count, and blank rows are rows of
// one colour: the gap's.
FrameMatch FrameMatcher::joinAcrossGap(const Comparison& comparison) const {
    const StillRows still = comparison.still;
    const auto gap = blankgap::find(comparison.last, comparison.frame, still.top, still.bottom);
    if (!gap) return FrameMatch::of(FrameMatch::Kind::unknown);
    if (gap->kind == blankgap::Join::Kind::blankFrame) {
        // Nothing new shows; the content the last frame had may have left within reach.
        const bool reachable = gap->shift <= m_maxShift;
        return FrameMatch::of(reachable ? FrameMatch::Kind::same : FrameMatch::Kind::unknown);
    }
    const qint64 bottom = m_height - still.bottom;
    if (gap->shift < 1 || gap->shift > m_maxShift || bottom - gap->top - gap->shift < 1 ||
        fitsScrolledBack(comparison)) {
        return FrameMatch::of(FrameMatch::Kind::unknown);
    }
    FrameMatch match = FrameMatch::of(FrameMatch::Kind::moved);
    match.shift = gap->shift;
    match.runBegin = gap->top;
    match.runEnd = bottom - gap->shift;
    match.acrossGap = true;
    return match;
}

// Whether the last frame repeats itself every `period` rows (either way) where the run's rows
// change from one to the next: then content `period` rows on would look just the same.
bool FrameMatcher::repeatsEvery(const Comparison& comparison, const Run& run, qint64 period) const {
    const auto& frameKey = comparison.frameKeys.key;
    const auto key = [&](qint64 y) { return comparison.lastKeys.key[std::size_t(y)]; };
    bool seen = false;
    for (qint64 y = run.begin + 1; y < run.end; ++y) {
        if (frameKey[std::size_t(y)] == frameKey[std::size_t(y - 1)]) continue;
        const qint64 before = y + run.shift;  // where the same change shows in the last frame
        const qint64 other = before - period;
        if (other < 1 || other >= m_height) continue;
        if (key(other) != key(before) || key(other - 1) != key(before - 1)) return false;
        seen = true;
    }
    return seen;
}

// Rows equal in place keep the last frame's signature row; the others get theirs computed.
FrameMatcher::InPlace FrameMatcher::compareInPlace(const QImage& last,
                                                   const Signature& lastSignature,
                                                   const QImage& frame, Signature& frameSignature) {
    const qint64 height = m_height;
    const auto columns = std::size_t(m_columns);
    frameSignature = lastSignature;
    std::fill(m_rowChanged.begin(), m_rowChanged.end(), quint8(0));
    StillRows still;
    while (still.top < height && sameRow(last, frame, still.top))
        ++still.top;
    if (still.top == height) return {still, 0};
    while (sameRow(last, frame, height - 1 - still.bottom))
        ++still.bottom;
    qint64 changed = 0;
    for (qint64 y = still.top; y < height - still.bottom; ++y) {
        if (sameRow(last, frame, y)) continue;
        m_rowChanged[std::size_t(y)] = 1;
        ++changed;
        pixelrows::signatureRow(rowOf(frame, y), m_bands,
                                frameSignature.data() + std::size_t(y) * columns);
    }
    return {still, changed};
}

FrameMatcher::StillRows FrameMatcher::stillRowsIn(const QImage& last, const QImage& frame,
                                                  const ColumnSet& compared) const {
    const auto unchanged = [&](qint64 y) {
        return pixelrows::equalIn(rowOf(frame, y), rowOf(last, y), compared.ranges());
    };
    StillRows still;
    while (still.top < m_height && unchanged(still.top))
        ++still.top;
    if (still.top == m_height) return still;
    while (unchanged(m_height - 1 - still.bottom))
        ++still.bottom;
    return still;
}

// A key per row over the bands clear of the columns left out, and the runs of equal keys, so
// that a run of identical rows (blank space) is stepped over in one go.
void FrameMatcher::computeKeys(const Signature& signature, const ColumnSet& leftOut,
                               RowKeys& keys) const {
    const auto rows = std::size_t(m_height);
    const auto columns = std::size_t(m_columns);  // at most kMaxSignatureBands, checked above
    keys.key.resize(rows);
    keys.segmentBegin.resize(rows);
    keys.segmentEnd.resize(rows);
    std::array<quint8, kMaxSignatureBands> mask{};
    for (std::size_t c = 0; c < columns; ++c)
        mask[c] = leftOut.overlaps(m_bands[c]) ? 0 : 0xff;
    const std::size_t words = (columns + 7) / 8;
    for (std::size_t y = 0; y < rows; ++y) {
        std::array<quint8, kMaxSignatureBands> row{};
        std::memcpy(row.data(), signature.data() + y * columns, columns);
        quint64 hash = 0x243f6a8885a308d3ull;
        for (std::size_t w = 0; w < words; ++w) {
            quint64 value, keep;
            std::memcpy(&value, row.data() + 8 * w, 8);
            std::memcpy(&keep, mask.data() + 8 * w, 8);
            hash = mix(hash, value & keep);
        }
        keys.key[y] = hash;
    }
    for (std::size_t y = 0; y < rows; ++y) {
        const bool continues = y > 0 && keys.key[y] == keys.key[y - 1];
        keys.segmentBegin[y] = continues ? keys.segmentBegin[y - 1] : qint32(y);
    }
    for (std::size_t y = rows; y-- > 0;) {
        const bool continues = y + 1 < rows && keys.key[y] == keys.key[y + 1];
        keys.segmentEnd[y] = continues ? keys.segmentEnd[y + 1] : qint32(y + 1);
    }
}

// Every shift within reach whose signature rows agree over all rows between the unchanged top
// and bottom, extended as far as they keep agreeing.
std::vector<FrameMatcher::Run> FrameMatcher::candidateRuns(const Comparison& comparison) const {
    std::vector<Run> runs;
    for (qint64 shift = 1; shift <= m_maxShift; ++shift) {
        if (m_height - shift - comparison.still.bottom <= comparison.still.top) break;
        if (const auto run = signatureRun(comparison, shift)) runs.push_back(*run);
    }
    return runs;
}

// Row y of the new frame against row y + shift of the last one: rows between the unchanged top
// and bottom must agree, and the run grows both ways while they do.
std::optional<FrameMatcher::Run> FrameMatcher::signatureRun(const Comparison& comparison,
                                                            qint64 shift) const {
    const RowKeys& now = comparison.frameKeys;
    const RowKeys& before = comparison.lastKeys;
    const auto at = [](const std::vector<qint32>& v, qint64 i) {
        return qint64(v[std::size_t(i)]);
    };
    const auto agree = [&](qint64 y) {
        return now.key[std::size_t(y)] == before.key[std::size_t(y + shift)];
    };
    const qint64 lo = comparison.still.top;
    const qint64 hi = m_height - shift - comparison.still.bottom;
    const qint64 limit = comparison.runMayPassStillBottom ? m_height - shift : hi;
    qint64 end = lo;
    while (end < limit && agree(end)) {
        end =
            std::min({at(now.segmentEnd, end), at(before.segmentEnd, end + shift) - shift, limit});
    }
    if (end < hi) return std::nullopt;
    qint64 begin = lo;
    while (begin > 0 && agree(begin - 1)) {
        begin = std::max(at(now.segmentBegin, begin - 1),
                         at(before.segmentBegin, begin - 1 + shift) - shift);
    }
    return Run{shift, begin, end, distinctRows(now, begin, end)};
}

// The same run, pixel for pixel, in the compared columns. Each row compared costs one of the
// budget.
std::optional<FrameMatcher::Run> FrameMatcher::confirm(const Comparison& comparison,
                                                       const Run& candidate, qint64& budget) const {
    const qint64 shift = candidate.shift;
    const auto agree = [&](qint64 y) {
        --budget;
        return pixelrows::equalIn(rowOf(comparison.frame, y), rowOf(comparison.last, y + shift),
                                  comparison.compared.ranges());
    };
    const qint64 lo = comparison.still.top;
    const qint64 hi = m_height - shift - comparison.still.bottom;
    for (qint64 y = lo; y < hi; ++y) {
        if (!agree(y)) return std::nullopt;
    }
    qint64 end = hi;
    while (end < candidate.end && agree(end))
        ++end;
    qint64 begin = lo;
    while (begin > candidate.begin && agree(begin - 1))
        --begin;
    if (end - begin >= m_minOverlap)
        return Run{shift, begin, end, distinctRows(comparison.frameKeys, begin, end)};
    Run run{shift, begin, end, 1, true};
    for (qint64 y = begin + 1; y < end && run.distinctRows < kShortFitDistinctRows; ++y) {
        const QRgb* row = rowOf(comparison.frame, y);
        run.distinctRows +=
            !pixelrows::equalIn(row, rowOf(comparison.frame, y - 1), comparison.compared.ranges());
    }
    return run;
}

// Runs of equal keys in rows [begin, end), counted up to what a short fit needs.
qint64 FrameMatcher::distinctRows(const RowKeys& keys, qint64 begin, qint64 end) {
    qint64 count = 0;
    for (qint64 y = begin; y < end && count < kShortFitDistinctRows; ++count)
        y = keys.segmentEnd[std::size_t(y)];
    return count;
}

bool FrameMatcher::looksStill(qint64 changedRows, const Signature& frameSignature) const {
    if (double(m_height - changedRows) / double(m_height) < kStillRatio) return false;
    const auto columns = std::size_t(m_columns);
    const quint8* first = nullptr;
    for (std::size_t y = 0; y < std::size_t(m_height); ++y) {
        if (m_rowChanged[y]) continue;
        const quint8* row = frameSignature.data() + y * columns;
        if (!first) {
            first = row;
        } else if (std::memcmp(first, row, columns) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace moxilane
