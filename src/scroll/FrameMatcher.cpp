#include "scroll/FrameMatcher.h"

#include <algorithm>
#include <array>
#include <cstring>

// How frames are matched, and why:
//
// A shift is accepted only when the pixels prove it. Band averages are far too coarse to tell
// rows of text, code or a photo apart, so they only propose shifts: every row of a frame is
// keyed by its exact signature row, and a shift is a candidate when the keys of the new frame
// repeat those of the last accepted frame, shifted, over an overlap of at least minOverlap rows.
// Each candidate is then checked pixel for pixel over that overlap. Exactly one shift must
// survive; when none does, or several do (a repeating pattern), nothing is appended: guessing
// would duplicate or drop content.
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

namespace moxilane {

using pixelrows::ColumnRange;

namespace {

constexpr double kMinOverlapRatio = 0.12;
constexpr qint64 kMinOverlapRows = 48;
constexpr double kStillRatio = 0.98;
// Pixel checks of candidates may compare this many frame heights of rows; a frame that needs
// more (many shifts fitting long stretches) counts as ambiguous.
constexpr qint64 kCheckBudgetFrames = 4;
constexpr std::size_t kMaxBands = 64;
// Scroll bars are at most this wide (a 2x display's is about 30 pixels).
constexpr int kSideStripColumns = 48;

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

bool sameRow(const QImage& a, const QImage& b, qint64 y) {
    return std::memcmp(rowOf(a, y), rowOf(b, y), std::size_t(a.width()) * sizeof(QRgb)) == 0;
}

bool contains(const std::vector<ColumnRange>& ranges, int x) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [x](ColumnRange r) { return r.begin <= x && x < r.end; });
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
      m_rowStill(std::size_t(height)),
      m_columnDifference(std::size_t(width)),
      m_columnVariation(std::size_t(width)),
      m_usableBands(std::size_t(columns)) {}

FrameMatch FrameMatcher::match(const QImage& last, const Signature& lastSignature,
                               const QImage& frame, Signature& frameSignature) {
    const qint64 changedRows = compareInPlace(last, lastSignature, frame, frameSignature);
    if (changedRows == 0) return FrameMatch::of(FrameMatch::Kind::same);
    // First as if no column stood still: a fixed sidebar makes every shift fail, and only then
    // is it worth reading both frames column by column to find it.
    m_fixedColumns.clear();
    useColumnsExcept({});
    Search search = findShift(last, lastSignature, frame, frameSignature);
    if (search.outcome == Search::Outcome::none && findFixedColumns(last, frame)) {
        useColumnsExcept(m_fixedColumns);
        search = findShift(last, lastSignature, frame, frameSignature);
    }
    if (search.outcome == Search::Outcome::none) {
        search = findShiftBesideSideStrips(last, lastSignature, frame, frameSignature);
    }
    if (search.outcome == Search::Outcome::found) {
        // Matched rows that also stayed in place at the top may as well be a header.
        Run content = search.run;
        content.begin = std::max(content.begin, m_topStill);
        keepColumnsBesideContent(content, last, frame);
        return {FrameMatch::Kind::moved, content.shift, content.begin, content.end, m_fixedColumns};
    }
    const bool still = looksStill(changedRows, frameSignature);
    return FrameMatch::of(still ? FrameMatch::Kind::same : FrameMatch::Kind::unknown);
}

FrameMatcher::Search FrameMatcher::findShift(const QImage& last, const Signature& lastSignature,
                                             const QImage& frame, const Signature& frameSignature) {
    computeKeys(frameSignature, m_frameKeys);
    computeKeys(lastSignature, m_lastKeys);
    // Likely shifts first: those whose overlap shows content, the longest overlap first.
    std::vector<Run> candidates = candidateRuns();
    std::stable_sort(candidates.begin(), candidates.end(), [](const Run& a, const Run& b) {
        if (a.showsContent != b.showsContent) return a.showsContent;
        return a.end - a.begin > b.end - b.begin;
    });
    const auto blank = std::find_if(candidates.begin(), candidates.end(),
                                    [](const Run& run) { return !run.showsContent; });
    std::optional<Run> confirmed;
    qint64 budget = kCheckBudgetFrames * m_height;
    for (auto it = candidates.begin(); it != blank; ++it) {
        const auto run = confirm(*it, last, frame, budget);
        if (budget < 0 || (run && confirmed)) return {Search::Outcome::ambiguous, {}};
        if (run && run->showsContent) confirmed = run;
    }
    if (!confirmed) return {Search::Outcome::none, {}};
    // A fit over rows of one colour would mean that the content the other shift matched is new
    // and only looks the same; that is a reading only where the last frame repeats at that
    // distance (stripes, identical rows), not where the content shows once.
    for (auto it = blank; it != candidates.end(); ++it) {
        if (!repeatsEvery(*confirmed, it->shift - confirmed->shift)) continue;
        const auto run = confirm(*it, last, frame, budget);
        if (budget < 0 || run) return {Search::Outcome::ambiguous, {}};
    }
    return {Search::Outcome::found, *confirmed};
}

// Whether the last frame repeats itself every `period` rows (either way) where the run's rows
// change from one to the next: then content `period` rows on would look just the same.
bool FrameMatcher::repeatsEvery(const Run& run, qint64 period) const {
    const auto key = [&](qint64 y) { return m_lastKeys.key[std::size_t(y)]; };
    bool seen = false;
    for (qint64 y = run.begin + 1; y < run.end; ++y) {
        if (m_frameKeys.key[std::size_t(y)] == m_frameKeys.key[std::size_t(y - 1)]) continue;
        const qint64 before = y + run.shift;  // where the same change shows in the last frame
        const qint64 other = before - period;
        if (other < 1 || other >= m_height) continue;
        if (key(other) != key(before) || key(other - 1) != key(before - 1)) return false;
        seen = true;
    }
    return seen;
}

// Rows equal in place keep the last frame's signature row; the others get theirs computed.
// Returns the number of changed rows.
qint64 FrameMatcher::compareInPlace(const QImage& last, const Signature& lastSignature,
                                    const QImage& frame, Signature& frameSignature) {
    const qint64 height = m_height;
    const auto columns = std::size_t(m_columns);
    frameSignature = lastSignature;
    m_topStill = 0;
    while (m_topStill < height && sameRow(last, frame, m_topStill))
        ++m_topStill;
    if (m_topStill == height) return 0;
    m_bottomStill = 0;
    while (sameRow(last, frame, height - 1 - m_bottomStill))
        ++m_bottomStill;

    std::fill(m_rowStill.begin(), m_rowStill.end(), quint8(1));
    qint64 changed = 0;
    for (qint64 y = m_topStill; y < height - m_bottomStill; ++y) {
        if (sameRow(last, frame, y)) continue;
        m_rowStill[std::size_t(y)] = 0;
        ++changed;
        pixelrows::signatureRow(rowOf(frame, y), m_bands,
                                frameSignature.data() + std::size_t(y) * columns);
    }
    return changed;
}

// A scroll bar beside the content changes as it moves, but in its own way, so no shift fits
// it. When nothing else fits, the outermost columns are left out of the comparison too, and
// rows are judged unchanged by the others.
FrameMatcher::Search FrameMatcher::findShiftBesideSideStrips(const QImage& last,
                                                             const Signature& lastSignature,
                                                             const QImage& frame,
                                                             const Signature& frameSignature) {
    const int strip = std::min(m_width / 8, kSideStripColumns);
    const auto fixed = [&](int x) { return contains(m_fixedColumns, x); };
    const auto inStrip = [&](int x) { return x < strip || x >= m_width - strip; };
    useColumnsExcept(
        pixelrows::rangesWhere(m_width, [&](int x) { return fixed(x) || inStrip(x); }));
    const auto unchangedRow = [&](qint64 y) {
        return pixelrows::equalIn(rowOf(frame, y), rowOf(last, y), m_comparedColumns);
    };
    m_topStill = 0;
    while (m_topStill < m_height && unchangedRow(m_topStill))
        ++m_topStill;
    if (m_topStill == m_height) return {Search::Outcome::none, {}};
    m_bottomStill = 0;
    while (unchangedRow(m_height - 1 - m_bottomStill))
        ++m_bottomStill;

    return findShift(last, lastSignature, frame, frameSignature);
}

// Of the columns left out of the comparison, those that follow the shift over the matched rows
// are content after all (a column can stay the same in place by chance), unless they are one
// colour there while, unchanged in place and not of one colour, they show a sidebar elsewhere.
void FrameMatcher::keepColumnsBesideContent(const Run& run, const QImage& last,
                                            const QImage& frame) {
    std::vector<ColumnRange> excluded;
    int next = 0;
    for (const ColumnRange compared : m_comparedColumns) {
        if (compared.begin > next) excluded.push_back({next, compared.begin});
        next = compared.end;
    }
    if (next < m_width) excluded.push_back({next, m_width});
    for (const ColumnRange range : excluded) {
        std::fill(m_columnDifference.begin() + range.begin, m_columnDifference.begin() + range.end,
                  0u);
        std::fill(m_columnVariation.begin() + range.begin, m_columnVariation.begin() + range.end,
                  0u);
    }
    for (qint64 y = run.begin; y < run.end; ++y) {
        pixelrows::accumulateDifference(rowOf(frame, y), rowOf(last, y + run.shift), excluded,
                                        m_columnDifference.data());
        pixelrows::accumulateDifference(rowOf(frame, y), rowOf(frame, run.begin), excluded,
                                        m_columnVariation.data());
    }
    const std::vector<ColumnRange> sidebarLike = std::move(m_fixedColumns);
    m_fixedColumns.clear();
    for (const ColumnRange range : excluded) {
        for (const ColumnRange part : pixelrows::rangesWhere(range.end, [&](int x) {
                 const auto i = std::size_t(x);
                 const bool followsShift = m_columnDifference[i] == 0;
                 const bool oneColour = m_columnVariation[i] == 0;
                 return x >= range.begin &&
                        (!followsShift || (oneColour && contains(sidebarLike, x)));
             })) {
            m_fixedColumns.push_back(part);
        }
    }
}

// A column that did not change is part of a fixed sidebar unless it is one colour from top to
// bottom: such a column (a margin, a vertical rule) moves along with the content unseen.
bool FrameMatcher::findFixedColumns(const QImage& last, const QImage& frame) {
    const pixelrows::ColumnRange everything{0, m_width};
    std::fill(m_columnDifference.begin(), m_columnDifference.end(), 0u);
    for (qint64 y = m_topStill; y < m_height - m_bottomStill; ++y) {
        if (m_rowStill[std::size_t(y)]) continue;
        pixelrows::accumulateDifference(rowOf(frame, y), rowOf(last, y), {&everything, 1},
                                        m_columnDifference.data());
    }
    const auto unchanged = [&](int x) { return m_columnDifference[std::size_t(x)] == 0; };
    const auto stillColumns = pixelrows::rangesWhere(m_width, unchanged);
    m_fixedColumns.clear();
    if (stillColumns.empty()) return false;
    for (const ColumnRange range : stillColumns) {
        std::fill(m_columnVariation.begin() + range.begin, m_columnVariation.begin() + range.end,
                  0u);
    }
    const QRgb* top = rowOf(frame, 0);
    for (qint64 y = 1; y < m_height; ++y) {
        pixelrows::accumulateDifference(rowOf(frame, y), top, stillColumns,
                                        m_columnVariation.data());
    }
    m_fixedColumns = pixelrows::rangesWhere(
        m_width, [&](int x) { return unchanged(x) && m_columnVariation[std::size_t(x)] != 0; });
    return !m_fixedColumns.empty();
}

// Compares all columns but the given ones, and keys rows by the bands clear of them.
void FrameMatcher::useColumnsExcept(std::span<const ColumnRange> excluded) {
    // Rows that stayed in place at the bottom may be a footer that differs from the content
    // only in the columns left out; as content they would bring those columns along.
    m_runMayPassStillBottom = excluded.empty();
    m_comparedColumns.clear();
    int next = 0;
    for (const ColumnRange range : excluded) {
        if (range.begin > next) m_comparedColumns.push_back({next, range.begin});
        next = range.end;
    }
    if (next < m_width) m_comparedColumns.push_back({next, m_width});
    for (std::size_t c = 0; c < m_bands.size(); ++c) {
        const ColumnRange band = m_bands[c];
        m_usableBands[c] = std::none_of(excluded.begin(), excluded.end(), [&](ColumnRange range) {
            return range.begin < band.end && band.begin < range.end;
        });
    }
}

// A key per row over the bands clear of fixed columns, and the runs of equal keys, so that a
// run of identical rows (blank space) is stepped over in one go.
void FrameMatcher::computeKeys(const Signature& signature, RowKeys& keys) const {
    const auto rows = std::size_t(m_height);
    const auto columns = std::size_t(m_columns);
    keys.key.resize(rows);
    keys.segmentBegin.resize(rows);
    keys.segmentEnd.resize(rows);
    std::array<quint8, kMaxBands> mask{};
    for (std::size_t c = 0; c < columns; ++c)
        mask[c] = m_usableBands[c] ? 0xff : 0;
    const std::size_t words = (columns + 7) / 8;
    for (std::size_t y = 0; y < rows; ++y) {
        std::array<quint8, kMaxBands> row{};
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
// and bottom, extended as far as they keep agreeing, over at least minOverlap rows.
std::vector<FrameMatcher::Run> FrameMatcher::candidateRuns() const {
    std::vector<Run> runs;
    const qint64 lo = m_topStill;
    for (qint64 shift = 1; shift <= m_maxShift; ++shift) {
        const qint64 hi = m_height - shift - m_bottomStill;
        if (hi <= lo) break;
        const auto run = signatureRun(shift, lo, hi);
        if (run && run->end - run->begin >= m_minOverlap) runs.push_back(*run);
    }
    return runs;
}

// Row y of the new frame against row y + shift of the last one: rows [lo, hi) must agree,
// and the run grows both ways while they do.
std::optional<FrameMatcher::Run> FrameMatcher::signatureRun(qint64 shift, qint64 lo,
                                                            qint64 hi) const {
    const RowKeys& now = m_frameKeys;
    const RowKeys& before = m_lastKeys;
    const auto at = [](const std::vector<qint32>& v, qint64 i) {
        return qint64(v[std::size_t(i)]);
    };
    const auto agree = [&](qint64 y) {
        return now.key[std::size_t(y)] == before.key[std::size_t(y + shift)];
    };
    const qint64 limit = m_runMayPassStillBottom ? m_height - shift : hi;
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
    return Run{shift, begin, end, showsContent(begin, end)};
}

// The same run, pixel for pixel, outside the fixed columns. Each row compared costs one of
// the budget.
std::optional<FrameMatcher::Run> FrameMatcher::confirm(const Run& candidate, const QImage& last,
                                                       const QImage& frame, qint64& budget) const {
    const qint64 shift = candidate.shift;
    const auto agree = [&](qint64 y) {
        --budget;
        return pixelrows::equalIn(rowOf(frame, y), rowOf(last, y + shift), m_comparedColumns);
    };
    const qint64 lo = m_topStill;
    const qint64 hi = m_height - shift - m_bottomStill;
    for (qint64 y = lo; y < hi; ++y) {
        if (!agree(y)) return std::nullopt;
    }
    qint64 end = hi;
    while (end < candidate.end && agree(end))
        ++end;
    qint64 begin = lo;
    while (begin > candidate.begin && agree(begin - 1))
        --begin;
    if (end - begin < m_minOverlap) return std::nullopt;
    return Run{shift, begin, end, showsContent(begin, end)};
}

bool FrameMatcher::showsContent(qint64 begin, qint64 end) const {
    return m_frameKeys.segmentEnd[std::size_t(begin)] < end;
}

bool FrameMatcher::looksStill(qint64 changedRows, const Signature& frameSignature) const {
    if (double(m_height - changedRows) / double(m_height) < kStillRatio) return false;
    const auto columns = std::size_t(m_columns);
    const quint8* first = nullptr;
    for (std::size_t y = 0; y < std::size_t(m_height); ++y) {
        if (!m_rowStill[y]) continue;
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
