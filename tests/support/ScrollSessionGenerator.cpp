#include "ScrollSessionGenerator.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstring>

namespace moxilane::scrolltest {

namespace {

struct Palette {
    QColor background, text, muted, accent, panel, keyword, string, rule;
};

Palette paletteFor(Theme theme) {
    if (theme == Theme::dark) {
        return {"#1e1f22", "#d4d4d4", "#858585", "#4ea1ff",
                "#2b2d31", "#c586c0", "#ce9178", "#3c3f44"};
    }
    return {"#ffffff", "#1f2328", "#6e7781", "#0969da", "#f0f2f4", "#cf222e", "#0a3069", "#d0d7de"};
}

const QStringList kWords = {
    "the",    "screen", "capture", "window", "scroll",  "pixel", "frame",   "image",   "of",
    "and",    "to",     "a",       "with",   "for",     "is",    "stitch",  "display", "offset",
    "row",    "column", "buffer",  "memory", "value",   "every", "content", "header",  "footer",
    "table",  "photo",  "code",    "line",   "number",  "user",  "folder",  "editor",  "text",
    "height", "width",  "search",  "band",   "average", "theme", "notch",   "wheel",   "jump"};

QFont font(const char* family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QString word(QRandomGenerator& random) {
    return kWords[int(random.bounded(quint32(kWords.size())))];
}

// Words up to `limit` pixels wide in the painter's font.
QString line(QRandomGenerator& random, const QFontMetrics& metrics, int limit) {
    QString text = word(random);
    for (QString next = word(random); metrics.horizontalAdvance(text + ' ' + next) <= limit;
         next = word(random)) {
        text += ' ' + next;
    }
    return text;
}

// Each block paints at the painter's origin and returns its height.
int prose(QPainter& p, const Palette& c, int width, QRandomGenerator& random) {
    p.setFont(font("DejaVu Sans", 14 + int(random.bounded(3)), random.bounded(5) == 0));
    const QFontMetrics metrics(p.font());
    const int step = metrics.lineSpacing() + 5;
    const int lines = 2 + int(random.bounded(8));
    for (int i = 0; i < lines; ++i) {
        p.setPen(random.bounded(6) == 0 ? c.accent : c.text);
        p.drawText(24, (i + 1) * step - 6,
                   line(random, metrics, i + 1 < lines ? width - 48 : width / 2));
    }
    return lines * step + 14;
}

int code(QPainter& p, const Palette& c, int width, QRandomGenerator& random, int& number) {
    const int lines = 6 + int(random.bounded(20));
    p.fillRect(16, 0, width - 32, lines * 18 + 16, c.panel);
    p.setFont(font("DejaVu Sans Mono", 13));
    const QFontMetrics metrics(p.font());
    for (int i = 0, indent = 0; i < lines; ++i) {
        const int baseline = 21 + i * 18;
        p.setPen(c.muted);
        p.drawText(QRect(16, baseline - 13, 40, 16), Qt::AlignRight, QString::number(number++));
        const int kind = int(random.bounded(8));
        if (kind == 0) continue;  // a blank line
        if (kind == 1) indent = std::max(0, indent - 1);
        const QString keyword = kind == 1   ? "}"
                                : kind == 2 ? "// " + word(random)
                                            : QStringList{"if", "for", "auto", "return"}[kind % 4];
        int x = 72 + 32 * indent;
        p.setPen(kind == 2 ? c.muted : c.keyword);
        p.drawText(x, baseline, keyword);
        x += metrics.horizontalAdvance(keyword + ' ');
        if (kind < 3) continue;
        const QString name = word(random) + "_" + word(random) + " = ";
        p.setPen(c.text);
        p.drawText(x, baseline, name);
        p.setPen(c.string);
        p.drawText(x + metrics.horizontalAdvance(name), baseline, '"' + word(random) + '"');
        if (kind == 3 && indent < 4) ++indent;
    }
    return lines * 18 + 28;
}

// Rows repeat the one above, or are blank, now and then.
int table(QPainter& p, const Palette& c, int width, QRandomGenerator& random) {
    const int columns = 3 + int(random.bounded(4));
    const int rows = 5 + int(random.bounded(14));
    const int tableWidth = width - 48;
    QStringList cells;
    for (int r = 0; r < rows; ++r) {
        const int kind = r == 0 ? 2 : int(random.bounded(8));
        if (kind >= 2 || cells.isEmpty()) {
            cells.clear();
            for (int i = 0; i < columns; ++i) {
                cells << (i % 2 ? QString::number(random.bounded(100000)) : word(random));
            }
        }
        p.fillRect(24, r * 26, tableWidth, 26, r == 0 ? c.panel : c.background);
        p.setFont(font("DejaVu Sans", 13, r == 0));
        p.setPen(c.text);
        for (int i = 0; i < columns && kind != 1; ++i) {
            p.drawText(32 + i * tableWidth / columns, r * 26 + 18, cells[i]);
        }
        p.fillRect(24, r * 26 + 25, tableWidth, 1, c.rule);
    }
    for (int i = 0; i <= columns; ++i) {
        p.fillRect(std::min(24 + i * tableWidth / columns, 23 + tableWidth), 0, 1, rows * 26,
                   c.rule);
    }
    return rows * 26 + 16;
}

// A landscape of smooth value noise with some grain, painted pixel by pixel.
int photo(QImage& page, int top, int width, QRandomGenerator& random) {
    const int height = std::min(160 + int(random.bounded(220)), page.height() - top);
    const int cell = 20;
    const int stride = width / cell + 2;
    std::vector<double> grid(std::size_t(stride * (height / cell + 2)));
    for (double& v : grid)
        v = random.generateDouble();
    const auto at = [&](int i, int j) { return grid[std::size_t(j * stride + i)]; };
    const QRgb tint = QColor::fromHsv(int(random.bounded(360)), 140, 255).rgb();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(top + y));
        const double fy = double(y % cell) / cell;
        for (int x = 24; x < width - 24; ++x) {
            const double fx = double(x % cell) / cell;
            const int i = x / cell, j = y / cell;
            const double v = (at(i, j) * (1 - fx) + at(i + 1, j) * fx) * (1 - fy) +
                             (at(i, j + 1) * (1 - fx) + at(i + 1, j + 1) * fx) * fy;
            const double light = 0.2 + 0.7 * v + 0.01 * int(random.bounded(5));
            row[x] =
                qRgb(int(qRed(tint) * light), int(qGreen(tint) * light), int(qBlue(tint) * light));
        }
    }
    return height + 16;
}

// Top to bottom; or, now and then, left to right, every row alike: kept short.
int gradient(QPainter& p, int width, QRandomGenerator& random) {
    const bool across = random.bounded(3) == 0;
    const int height = across ? 40 + int(random.bounded(30)) : 100 + int(random.bounded(200));
    QLinearGradient g(0, 0, across ? width : 0, across ? 0 : height);
    g.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 120, 230));
    g.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 200, 90));
    p.fillRect(24, 0, width - 48, height, g);
    return height + 16;
}

}  // namespace

QImage renderPage(const PageOptions& options) {
    const Palette colours = paletteFor(options.theme);
    QImage page(options.width, options.height, QImage::Format_RGB32);
    page.fill(colours.background);
    QRandomGenerator random(options.seed);
    int number = 1;
    bool afterGap = false;  // one gap at a time: two would make a longer one
    for (int top = 12; top < options.height;) {
        const int roll = int(random.bounded(10));
        afterGap = !afterGap && options.maxGapRows > 0 && roll < 2;
        if (afterGap) {
            top +=
                options.maxGapRows / 2 + int(random.bounded(quint32(options.maxGapRows / 2 + 1)));
            continue;
        }
        Content block = options.content;
        if (block == Content::mixed) {
            block =
                std::array{Content::prose, Content::code, Content::table, Content::photo}[roll % 4];
        } else if (block != Content::prose && roll >= 6) {
            block = Content::prose;  // text between the blocks
        }
        if (block == Content::photo && random.bounded(2) == 0) {
            top += photo(page, top, options.width, random);
            continue;
        }
        QPainter p(&page);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(0, top);
        const int width = options.width;
        top += block == Content::code    ? code(p, colours, width, random, number)
               : block == Content::table ? table(p, colours, width, random)
               : block == Content::photo ? gradient(p, width, random)
                                         : prose(p, colours, width, random);
    }
    return page;
}

Window::Window(int frameWidth, int frameHeight, Chrome frameChrome, Theme theme)
    : width(frameWidth), height(frameHeight), chrome(frameChrome) {
    const Palette c = paletteFor(theme);
    const auto panel = [&](int w, int h, const char* text, int textTop) {
        QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
        image.fill(c.panel);
        QPainter p(&image);
        p.setFont(font("DejaVu Sans", 14, true));
        p.setPen(c.text);
        p.drawText(18, textTop, text);
        p.fillRect(0, h - 1, w, 1, c.rule);
        return image;
    };
    header = panel(frameWidth, chrome.headerRows, "Moxilane Handbook", chrome.headerRows / 2 + 6);
    footer = panel(frameWidth, chrome.footerRows, "Terms · Privacy · Status", 24);
    sidebar = panel(chrome.sidebarColumns, viewportRows(), "Settings", viewportRows() - 16);
    QPainter p(&sidebar);
    p.fillRect(chrome.sidebarColumns - 1, 0, 1, viewportRows(), c.rule);
    p.setFont(font("DejaVu Sans", 13));
    const QStringList items = {"Overview", "Area capture", "Windows",   "Scrolling",
                               "Markup",   "Shortcuts",    "Clipboard", "About"};
    for (int i = 0; i < items.size() && 40 * i + 80 < viewportRows(); ++i) {
        if (i == 3) p.fillRect(8, 6 + 40 * i, chrome.sidebarColumns - 16, 28, c.accent);
        p.setPen(i == 3 ? QColor(Qt::white) : c.text);
        p.drawText(18, 25 + 40 * i, items[i]);
    }
}

QImage Window::frame(const QImage& page, int top) const {
    QImage frame(width, height, QImage::Format_RGB32);
    const Chrome& c = chrome;
    const auto copy = [&](const QImage& from, int fromRow, int columns, int toRow, int x) {
        std::memcpy(frame.scanLine(toRow) + x * 4, from.constScanLine(fromRow),
                    std::size_t(columns) * 4);
    };
    for (int y = 0; y < c.headerRows; ++y)
        copy(header, y, width, y, 0);
    for (int y = 0; y < viewportRows(); ++y) {
        copy(sidebar, y, c.sidebarColumns, c.headerRows + y, 0);
        copy(page, top + y, pageWidth(), c.headerRows + y, c.sidebarColumns);
    }
    for (int y = 0; y < c.footerRows; ++y)
        copy(footer, y, width, height - c.footerRows + y, 0);
    if (c.scrollbarColumns > 0) {
        QPainter p(&frame);
        const QRect track(width - c.scrollbarColumns, c.headerRows, c.scrollbarColumns,
                          viewportRows());
        p.fillRect(track, QColor(0xe8, 0xe8, 0xe8));
        // Square buttons with an arrow at both ends; the thumb moves between them.
        const int button = c.scrollbarArrows ? c.scrollbarColumns : 0;
        for (const int at : {0, viewportRows() - button}) {
            if (button == 0) break;
            const QRect square(track.left(), track.top() + at, button, button);
            p.fillRect(square, QColor(0xd4, 0xd4, 0xd4));
            const int middle = square.left() + button / 2, tip = button / 4, base = button - tip;
            const bool up = at == 0;
            const QPoint arrow[] = {{middle, square.top() + (up ? tip : base)},
                                    {square.left() + tip, square.top() + (up ? base : tip)},
                                    {square.right() + 1 - tip, square.top() + (up ? base : tip)}};
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x50, 0x50, 0x50));
            p.drawPolygon(arrow, 3);
        }
        const int range = viewportRows() - 2 * button;
        const int length = std::max(24, range * viewportRows() / page.height());
        const int thumb = button + (range - length) * top / (page.height() - viewportRows());
        p.fillRect(track.adjusted(3, thumb, -3, thumb + length - viewportRows()), Qt::darkGray);
    }
    return frame;
}

std::vector<int> scrollOffsets(const MotionOptions& options, int viewportRows, int pageHeight) {
    const int maxOffset = pageHeight - viewportRows;
    const int jumpAt = options.jumpTooFar ? std::max(3, options.frames / 3) : -1;
    const int shortAt = options.shortOverlapRows > 0 ? std::max(3, options.frames / 3) : -1;
    QRandomGenerator random(options.seed);
    std::vector<int> offsets = {0};
    int jumpedTo = 0;
    for (int i = 1; i < 4 * options.frames && (i < options.frames || offsets.back() < jumpedTo);
         ++i) {
        const int previous = offsets.back();
        const int roll = int(random.bounded(20));
        const int notches = 1 + int(random.bounded(quint32(options.maxNotchesPerFrame)));
        int next = previous + notches * options.notchRows;  // also just before a jump
        if (options.maxStep > 0) {
            const double step =
                options.minStep + (options.maxStep - options.minStep) * random.generateDouble();
            next = previous + std::max(1, int(step * viewportRows));
        }
        if (i == shortAt) {
            next = previous + viewportRows - options.shortOverlapRows;
        } else if (i == jumpAt) {
            next = jumpedTo = std::min(previous + viewportRows + 2 * options.notchRows, maxOffset);
        } else if (i == jumpAt + 1) {
            next = offsets[std::size_t(i - 2)] + options.notchRows;
        } else if (i + 1 != jumpAt && i + 1 != shortAt && options.pauses && roll < 3) {
            next = previous;
        } else if (i + 1 != jumpAt && i + 1 != shortAt && options.scrollBacks && roll == 3) {
            next = previous - options.notchRows;
        }
        offsets.push_back(std::clamp(next, 0, maxOffset));
    }
    return offsets;
}

ScrollSession relayoutSession(const PageOptions& options, int frameWidth, int frameHeight,
                              int bannerRows, int barRows, const MotionOptions& motion) {
    const QImage before = renderPage(options);
    const QRgb background = paletteFor(options.theme).background.rgb();
    // Each line (a run of rows not all background) moves down by 0 or 1 row; a line keeps the
    // previous line's move where one blank row is all that parts them.
    QImage after(before.size(), before.format());
    after.fill(background);
    QRandomGenerator random(options.seed);
    const auto blank = [&](int y) {
        const auto* row = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        return std::all_of(row, row + before.width(), [&](QRgb p) { return p == background; });
    };
    int move = 0, lastLineEnd = -2;
    for (int y = 0; y < before.height();) {
        if (blank(y)) {
            ++y;
            continue;
        }
        int end = y;
        while (end < before.height() && !blank(end))
            ++end;
        if (y - lastLineEnd > 1) move = int(random.bounded(2));
        for (int r = y; r < end && r + move < after.height(); ++r) {
            std::memcpy(after.scanLine(r + move), before.constScanLine(r),
                        std::size_t(before.bytesPerLine()));
        }
        lastLineEnd = end;
        y = end;
    }
    const Window window(frameWidth, frameHeight, {.headerRows = barRows}, options.theme);
    QImage first(frameWidth, frameHeight, QImage::Format_RGB32);
    {
        const Palette c = paletteFor(options.theme);
        QPainter p(&first);
        p.fillRect(0, 0, frameWidth, bannerRows, c.accent);
        p.setFont(font("DejaVu Sans", bannerRows / 4, true));
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, frameWidth, bannerRows), Qt::AlignCenter, "Moxilane Handbook");
        p.drawImage(0, bannerRows, before, 0, 0, frameWidth, frameHeight - bannerRows);
    }
    std::vector<int> offsets = scrollOffsets(motion, window.viewportRows(), after.height());
    return {after, window, std::move(offsets), first, bannerRows};
}

}  // namespace moxilane::scrolltest
