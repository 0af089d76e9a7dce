#pragma once

#include <QImage>

#include <vector>

// Scrolling sessions that look like real screens: a tall page rendered once (text in light and
// dark themes, code with line numbers, tables with repeated and blank rows, photos and
// gradients, long blank gaps), a window that may keep a header, a footer and a sidebar in place,
// and viewport frames cut from the page the way people scroll (wheel notches, pauses, small
// scroll-backs, a jump too far and a return). The page and every frame's offset are the ground
// truth that stitched images are checked against.
namespace moxilane::scrolltest {

enum class Theme { light, dark };
enum class Content { prose, code, table, photo, mixed };

struct PageOptions {
    Content content = Content::mixed;
    Theme theme = Theme::light;
    int width = 800;
    int height = 4000;
    int maxGapRows = 0;  // blank gaps of up to this many rows between blocks; 0: none
    unsigned seed = 1;
};

// A page of blocks of the chosen content, stacked until it is `height` rows high.
QImage renderPage(const PageOptions& options);

// The parts of the window that stay in place while the page scrolls.
struct Chrome {
    int headerRows = 0;        // full width, at the top
    int footerRows = 0;        // full width, at the bottom
    int sidebarColumns = 0;    // at the left, between header and footer
    int scrollbarColumns = 0;  // at the right, between header and footer; its thumb moves
};

// A window frameWidth × frameHeight showing the page beside and between its chrome.
class Window {
public:
    Window(int frameWidth, int frameHeight, Chrome chrome, Theme theme);

    int frameWidth() const { return m_frameWidth; }
    int frameHeight() const { return m_frameHeight; }
    const Chrome& chrome() const { return m_chrome; }
    int viewportRows() const { return m_frameHeight - m_chrome.headerRows - m_chrome.footerRows; }
    int pageWidth() const {
        return m_frameWidth - m_chrome.sidebarColumns - m_chrome.scrollbarColumns;
    }
    const QImage& header() const { return m_header; }
    const QImage& footer() const { return m_footer; }
    const QImage& sidebar() const { return m_sidebar; }

    // The frame with page rows [top, top + viewportRows()) in the viewport.
    QImage frame(const QImage& page, int top) const;

private:
    int m_frameWidth;
    int m_frameHeight;
    Chrome m_chrome;
    QImage m_header;
    QImage m_footer;
    QImage m_sidebar;
};

struct MotionOptions {
    int frames = 40;
    int notchRows = 60;  // one wheel notch
    int maxNotchesPerFrame = 3;
    bool pauses = true;
    bool scrollBacks = true;
    bool jumpTooFar = false;  // once: a jump of more than the viewport, then back into reach
    unsigned seed = 1;
};

// The page row at the top of the viewport for each frame, starting at 0 and staying within
// [0, pageHeight - viewportRows]. After a jump the session goes on past the jump's offset.
std::vector<int> scrollOffsets(const MotionOptions& options, int viewportRows, int pageHeight);

struct ScrollSession {
    QImage page;
    Window window;
    std::vector<int> offsets;

    QImage frame(std::size_t i) const { return window.frame(page, offsets[i]); }
};

}  // namespace moxilane::scrolltest
