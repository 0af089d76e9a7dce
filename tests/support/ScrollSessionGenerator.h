#pragma once

#include <QImage>

#include <vector>

// Scrolling sessions that look like real screens, with their ground truth: a tall page rendered
// once (text in light and dark themes, code with line numbers, tables with repeated and blank
// rows, photos, gradients, blank gaps), a window that may keep a header, a footer, a sidebar and
// a scroll bar in place, and the page row at the top of each frame, moved the way people scroll:
// wheel notches, pauses, small scroll-backs, a jump too far and a return.
namespace moxilane::scrolltest {

enum class Theme { light, dark };
enum class Content { prose, code, table, photo, mixed };

struct PageOptions {
    Content content = Content::mixed;
    Theme theme = Theme::light;
    int width = 800;
    int height = 4000;
    int maxGapRows = 0;  // blank gaps of up to this many rows between blocks
    unsigned seed = 1;
};

QImage renderPage(const PageOptions& options);

// What stays in place while the page scrolls.
struct Chrome {
    int headerRows = 0;            // full width, at the top
    int footerRows = 0;            // full width, at the bottom
    int sidebarColumns = 0;        // at the left, between header and footer
    int scrollbarColumns = 0;      // at the right, between header and footer; its thumb moves
    bool scrollbarArrows = false;  // a button with an arrow at each end of the scroll bar
};

// A window width × height showing the page inside its chrome.
struct Window {
    Window(int frameWidth, int frameHeight, Chrome chrome, Theme theme);

    int viewportRows() const { return height - chrome.headerRows - chrome.footerRows; }
    int pageWidth() const { return width - chrome.sidebarColumns - chrome.scrollbarColumns; }
    // The frame with page rows [top, top + viewportRows()) in the viewport.
    QImage frame(const QImage& page, int top) const;

    int width, height;
    Chrome chrome;
    QImage header, footer, sidebar;
};

struct MotionOptions {
    int frames = 40;
    int notchRows = 60;  // one wheel notch
    int maxNotchesPerFrame = 3;
    bool pauses = true;
    bool scrollBacks = true;
    bool jumpTooFar = false;  // once: beyond the viewport, then back; then on past the jump
    // When maxStep > 0, steps of minStep to maxStep of the viewport instead of wheel notches.
    double minStep = 0, maxStep = 0;
    // When > 0, once, a third of the way in: a step leaving only this many page rows in common.
    int shortOverlapRows = 0;
    unsigned seed = 1;
};

// Page row at the top of the viewport per frame, from 0, within [0, pageHeight - viewportRows].
std::vector<int> scrollOffsets(const MotionOptions& options, int viewportRows, int pageHeight);

struct ScrollSession {
    QImage page;
    Window window;
    std::vector<int> offsets;
    // When set, frame 0: the page before its layout changed (see relayoutSession).
    QImage firstFrame;
    int bannerRows = 0;

    QImage frame(std::size_t i) const {
        return i == 0 && !firstFrame.isNull() ? firstFrame : window.frame(page, offsets[i]);
    }
};

// A page whose layout changes when scrolling starts: the first frame shows a banner of
// bannerRows above the page; from the first scroll on, a bar of barRows is pinned at the top
// instead, and every line of the page sits 0 or 1 row lower than before (a fractional offset,
// rounded line by line). `page` is the page after the change; the first frame's banner rows
// followed by it make the content once.
ScrollSession relayoutSession(const PageOptions& page, int frameWidth, int frameHeight,
                              int bannerRows, int barRows, const MotionOptions& motion);

}  // namespace moxilane::scrolltest
