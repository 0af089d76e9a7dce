// The stitcher on sessions that look like real screens, checked against the generator's ground
// truth: no output row is ever wrong, every step within reach is kept, and what stays in place
// (header, footer, sidebar) appears exactly once.
#include "ScrollSessionGenerator.h"
#include "scroll/ScrollStitcher.h"

#include <QHash>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace moxilane {
namespace {

using namespace scrolltest;
using Kind = AppendResult::Kind;

struct SessionCase {
    const char* name;
    PageOptions page;
    Chrome chrome;
    int frameWidth;
    int frameHeight;
    MotionOptions motion;
};

ScrollSession makeSession(const SessionCase& c) {
    Window window(c.frameWidth, c.frameHeight, c.chrome, c.page.theme);
    PageOptions page = c.page;
    page.width = window.pageWidth();
    auto offsets = scrollOffsets(c.motion, window.viewportRows(), page.height);
    return {renderPage(page), window, std::move(offsets)};
}

qint64 minOverlap(qint64 frameHeight) {
    return std::max<qint64>(qint64(double(frameHeight) * 0.12), 48);
}

QByteArray rowBytes(const QImage& image, int y, int x, int width) {
    return QByteArray(reinterpret_cast<const char*>(image.constScanLine(y)) + x * 4, width * 4);
}

// Per column, the colour most of the sidebar has: what a stitched image shows beside new rows.
QByteArray sidebarBackground(const QImage& sidebar) {
    QImage row(sidebar.width(), 1, QImage::Format_RGB32);
    for (int x = 0; x < sidebar.width(); ++x) {
        QHash<QRgb, int> counts;
        for (int y = 0; y < sidebar.height(); ++y)
            ++counts[sidebar.pixel(x, y)];
        row.setPixel(x, 0, std::max_element(counts.begin(), counts.end()).key());
    }
    return rowBytes(row, 0, 0, row.width());
}

struct Check {
    int wrongRows = 0;       // rows that show something else than the page (or chrome) there
    int repeatedChrome = 0;  // sidebar rows shown more often than the sidebar has them
    int missingRows = 0;     // page rows within reach that the image lacks
    int unexpectedResults = 0;
};

// Checks the image row by row: header rows at the top, footer rows at the bottom, and between
// them, beside the sidebar, exactly the page rows from the first frame's offset on.
Check checkImage(const ScrollSession& session, const QImage& image) {
    Check check;
    const Window& window = session.window;
    const Chrome& chrome = window.chrome();
    const int height = image.height();
    const int contentEnd = height - chrome.footerRows;
    const int pageWidth = window.pageWidth();
    for (int y = 0; y < chrome.headerRows; ++y) {
        check.wrongRows +=
            rowBytes(image, y, 0, image.width()) != rowBytes(window.header(), y, 0, image.width());
    }
    for (int y = std::max(contentEnd, 0); y < height; ++y) {
        check.wrongRows += rowBytes(image, y, 0, image.width()) !=
                           rowBytes(window.footer(), y - contentEnd, 0, image.width());
    }
    for (int y = chrome.headerRows; y < contentEnd; ++y) {
        const int pageRow = session.offsets.front() + y - chrome.headerRows;
        check.wrongRows += pageRow >= session.page.height() ||
                           rowBytes(image, y, chrome.sidebarColumns, pageWidth) !=
                               rowBytes(session.page, pageRow, 0, pageWidth);
    }
    if (chrome.sidebarColumns > 0) {
        const QImage& sidebar = window.sidebar();
        const QByteArray background = sidebarBackground(sidebar);
        QHash<QByteArray, int> available;
        for (int y = 0; y < sidebar.height(); ++y) {
            ++available[rowBytes(sidebar, y, 0, sidebar.width())];
        }
        for (int y = chrome.headerRows; y < contentEnd; ++y) {
            const QByteArray segment = rowBytes(image, y, 0, sidebar.width());
            if (segment == background) continue;
            const auto it = available.find(segment);
            if (it == available.end()) {
                ++check.wrongRows;
            } else if (--*it < 0) {
                ++check.repeatedChrome;
            }
        }
    }
    if (const int bar = chrome.scrollbarColumns; bar > 0) {
        // Beside new rows the bar shows its track; the thumb only where the first frame had it.
        const QImage first = session.frame(0);
        const QByteArray track =
            rowBytes(first, first.height() - 1 - chrome.footerRows, first.width() - bar, bar);
        int thumbRows = 0, firstThumbRows = 0;
        for (int y = chrome.headerRows; y < contentEnd; ++y) {
            thumbRows += rowBytes(image, y, image.width() - bar, bar) != track;
            if (y < first.height() - chrome.footerRows) {
                firstThumbRows += rowBytes(first, y, image.width() - bar, bar) != track;
            }
        }
        check.repeatedChrome += std::max(0, thumbRows - firstThumbRows);
    }
    const int reached = *std::max_element(session.offsets.begin(), session.offsets.end());
    check.missingRows =
        std::max(0, window.frameHeight() + reached - session.offsets.front() - height);
    return check;
}

// Feeds the session's frames and compares each result with what the offsets call for.
Check stitchAndCheck(const ScrollSession& session, QImage* composed = nullptr) {
    const int frameHeight = session.window.frameHeight();
    const qint64 reach = session.window.viewportRows() - minOverlap(frameHeight);
    auto stitcher = ScrollStitcher::create(session.frame(0), 24000);
    if (!stitcher) return {.unexpectedResults = 1};
    Check check;
    int accepted = session.offsets.front();
    for (std::size_t i = 1; i < session.offsets.size(); ++i) {
        const AppendResult result = stitcher->append(session.frame(i));
        const int step = session.offsets[i] - accepted;
        bool expected = false;
        if (step == 0) {
            expected = result == AppendResult::unchanged();
        } else if (step > 0 && step <= reach) {
            expected = result == AppendResult::appended(step);
        } else {
            expected = result.kind == Kind::misaligned || result.kind == Kind::unchanged;
        }
        if (!expected) {
            ++check.unexpectedResults;
            ADD_FAILURE() << "frame " << i << " scrolled " << step << " rows since the last "
                          << "accepted one: kind " << int(result.kind) << ", rows " << result.rows;
        }
        if (result.kind == Kind::appended) accepted = session.offsets[i];
    }
    const auto image = stitcher->compose();
    if (!image) return {.unexpectedResults = check.unexpectedResults + 1};
    if (composed) *composed = *image;
    const Check rows = checkImage(session, *image);
    check.wrongRows = rows.wrongRows;
    check.repeatedChrome = rows.repeatedChrome;
    check.missingRows = rows.missingRows;
    return check;
}

const PageOptions kMixed{.content = Content::mixed, .height = 7000, .seed = 11};

const SessionCase kSessions[] = {
    {"prose, light, 60-row notches",
     {.content = Content::prose, .height = 6000, .seed = 1},
     {},
     800,
     600,
     {.frames = 40, .seed = 1}},
    {"prose, dark, three-line notches",
     {.content = Content::prose, .theme = Theme::dark, .height = 6000, .seed = 2},
     {},
     800,
     600,
     {.frames = 40, .notchRows = 57, .seed = 2}},
    {"code with line numbers, light",
     {.content = Content::code, .height = 7000, .seed = 3},
     {},
     900,
     700,
     {.frames = 40, .seed = 3}},
    {"code with line numbers, dark",
     {.content = Content::code, .theme = Theme::dark, .height = 7000, .seed = 4},
     {},
     900,
     700,
     {.frames = 40, .notchRows = 54, .seed = 4}},
    {"tables with repeated and blank rows",
     {.content = Content::table, .height = 6000, .seed = 5},
     {},
     800,
     600,
     {.frames = 40, .seed = 5}},
    {"photos and gradients",
     {.content = Content::photo, .height = 6000, .seed = 6},
     {},
     700,
     500,
     {.frames = 40, .maxNotchesPerFrame = 2, .seed = 6}},
    {"long blank gaps",
     {.content = Content::mixed, .height = 7000, .maxGapRows = 220, .seed = 7},
     {},
     800,
     600,
     {.frames = 40, .seed = 7}},
    {"sticky header", kMixed, {.headerRows = 56}, 800, 600, {.frames = 40, .seed = 8}},
    {"sticky footer", kMixed, {.footerRows = 40}, 800, 600, {.frames = 40, .seed = 9}},
    {"fixed sidebar, header and footer, dark",
     {.content = Content::mixed, .theme = Theme::dark, .height = 7000, .seed = 12},
     {.headerRows = 48, .footerRows = 32, .sidebarColumns = 180},
     900,
     640,
     {.frames = 40, .seed = 10}},
    {"a scroll bar whose thumb moves",
     {.content = Content::mixed, .height = 3000, .seed = 13},
     {.headerRows = 56, .scrollbarColumns = 14},
     800,
     600,
     {.frames = 40, .seed = 12}},
    {"a jump too far and a return",
     kMixed,
     {},
     800,
     600,
     {.frames = 40, .jumpTooFar = true, .seed = 11}},
};

TEST(RealisticSessions, NoWrongRowFullRecallAndChromeOnce) {
    for (const SessionCase& c : kSessions) {
        SCOPED_TRACE(c.name);
        const ScrollSession session = makeSession(c);
        const Check check = stitchAndCheck(session);
        EXPECT_EQ(check.wrongRows, 0);
        EXPECT_EQ(check.repeatedChrome, 0);
        EXPECT_EQ(check.missingRows, 0);
        EXPECT_EQ(check.unexpectedResults, 0);
    }
}

}  // namespace
}  // namespace moxilane
