#include "ScrollSessionGenerator.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace moxilane::scrolltest {

namespace {

struct Palette {
    QColor background, text, muted, link, codeBackground, keyword, string, comment, rule,
        tableHeader, zebra, chrome, chromeText, accent;
};

Palette paletteFor(Theme theme) {
    if (theme == Theme::dark) {
        return {"#1e1f22", "#d4d4d4", "#858585", "#4ea1ff", "#2b2d31", "#c586c0", "#ce9178",
                "#6a9955", "#3c3f44", "#2f3136", "#25272b", "#18191c", "#e8e8e8", "#3574f0"};
    }
    return {"#ffffff", "#1f2328", "#6e7781", "#0969da", "#f6f8fa", "#cf222e", "#0a3069",
            "#6e7781", "#d0d7de", "#eaeef2", "#f6f8fa", "#f0f2f4", "#24292f", "#0969da"};
}

const QStringList kWords = {
    "the",      "screen",  "capture",   "window",    "scroll", "pixel",   "frame",    "image",
    "of",       "and",     "to",        "a",         "with",   "for",     "is",       "that",
    "stitch",   "display", "render",    "offset",    "row",    "column",  "buffer",   "memory",
    "value",    "quickly", "careful",   "between",   "every",  "content", "moves",    "header",
    "footer",   "sidebar", "table",     "photo",     "code",   "line",    "number",   "user",
    "settings", "folder",  "clipboard", "thumbnail", "editor", "arrow",   "text",     "shadow",
    "desktop",  "program", "result",    "height",    "width",  "search",  "matches",  "signature",
    "band",     "average", "gray",      "light",     "dark",   "theme",   "notch",    "wheel",
    "pause",    "jump",    "return",    "files",     "saved",  "opened",  "measured", "realistic",
};

const QStringList kKeywords = {"if", "for", "return", "const", "auto", "while", "else", "int"};

QString randomWord(QRandomGenerator& random) {
    return kWords[int(random.bounded(quint32(kWords.size())))];
}

QFont sansFont(int pixels, bool bold = false) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont monoFont(int pixels) {
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(pixels);
    return font;
}

// Draws one block at the painter's origin and returns its height.
class BlockPainter {
public:
    BlockPainter(QPainter& painter, const Palette& palette, int width, QRandomGenerator& random)
        : p(painter), colours(palette), width(width), random(random) {}

    int prose() {
        int y = 0;
        if (random.bounded(3) == 0) {
            p.setFont(sansFont(22, true));
            p.setPen(colours.text);
            y += 34;
            p.drawText(24, y - 8, sentence(2 + int(random.bounded(4))));
        }
        p.setFont(sansFont(14 + int(random.bounded(3))));
        const QFontMetrics metrics(p.font());
        const int lineHeight = metrics.lineSpacing() + 5;
        const int lines = 3 + int(random.bounded(7));
        for (int i = 0; i < lines; ++i) {
            QString line;
            const int limit = i + 1 == lines ? width / 2 : width - 48;
            while (true) {
                const QString word = randomWord(random);
                const QString longer = line.isEmpty() ? word : line + ' ' + word;
                if (metrics.horizontalAdvance(longer) > limit) break;
                line = longer;
            }
            y += lineHeight;
            p.setPen(random.bounded(6) == 0 ? colours.link : colours.text);
            p.drawText(24, y - metrics.descent() - 3, line);
        }
        return y + 14;
    }

    int code(int& lineNumber) {
        const int lineHeight = 18;
        const int lines = 6 + int(random.bounded(20));
        const int height = lines * lineHeight + 16;
        p.fillRect(16, 0, width - 32, height, colours.codeBackground);
        p.setFont(monoFont(13));
        int indent = 0;
        for (int i = 0; i < lines; ++i) {
            const int baseline = 8 + (i + 1) * lineHeight - 5;
            p.setPen(colours.muted);
            p.drawText(QRect(16, baseline - 13, 40, 16), Qt::AlignRight,
                       QString::number(lineNumber++));
            const int kind = int(random.bounded(10));
            if (kind == 0) continue;  // blank line
            int x = 72 + indent * 4 * 8;
            if (kind == 1 && indent > 0) {
                --indent;
                p.setPen(colours.text);
                p.drawText(72 + indent * 32, baseline, "}");
                continue;
            }
            if (kind == 2) {
                p.setPen(colours.comment);
                p.drawText(x, baseline, "// " + sentence(3 + int(random.bounded(5))));
                continue;
            }
            const QString keyword = kKeywords[int(random.bounded(quint32(kKeywords.size())))];
            x = drawToken(x, baseline, keyword + ' ', colours.keyword);
            x = drawToken(x, baseline, randomWord(random) + "_" + randomWord(random), colours.text);
            if (random.bounded(2) == 0) {
                x = drawToken(x, baseline, " = \"" + randomWord(random) + "\"", colours.string);
            }
            if (kind == 3 && indent < 4) {
                drawToken(x, baseline, " {", colours.text);
                ++indent;
            } else {
                drawToken(x, baseline, ";", colours.text);
            }
        }
        return height + 12;
    }

    int table() {
        const int rowHeight = 26;
        const int columns = 3 + int(random.bounded(4));
        const int rows = 5 + int(random.bounded(14));
        const int left = 24;
        const int tableWidth = width - 48;
        const bool zebra = random.bounded(2) == 0;
        QStringList cells;
        for (int r = 0; r < rows; ++r) {
            const int kind = int(random.bounded(8));
            const bool repeat = r > 1 && kind == 0 && cells.size() == columns;  // same as above
            const bool blank = r > 0 && kind == 1;
            if (!repeat) {
                cells.clear();
                for (int c = 0; c < columns; ++c) {
                    cells << (r == 0       ? randomWord(random).toUpper()
                              : c % 2 == 1 ? QString::number(random.bounded(100000))
                                           : randomWord(random));
                }
            }
            const int top = r * rowHeight;
            QColor fill = r == 0 ? colours.tableHeader
                                 : (zebra && r % 2 == 0 ? colours.zebra : colours.background);
            p.fillRect(left, top, tableWidth, rowHeight, fill);
            p.setFont(sansFont(13, r == 0));
            p.setPen(colours.text);
            for (int c = 0; c < columns && !blank; ++c) {
                p.drawText(left + c * tableWidth / columns + 8, top + 18, cells[c]);
            }
            if (blank) cells.clear();
            p.fillRect(left, top + rowHeight - 1, tableWidth, 1, colours.rule);
        }
        for (int c = 0; c <= columns; ++c) {
            p.fillRect(left + std::min(c * tableWidth / columns, tableWidth - 1), 0, 1,
                       rows * rowHeight, colours.rule);
        }
        return rows * rowHeight + 16;
    }

    int gradient() {
        const bool across = random.bounded(3) == 0;  // every row alike: keep it short
        const int height = across ? 40 + int(random.bounded(30)) : 100 + int(random.bounded(200));
        QLinearGradient gradient(0, 0, across ? width : 0, across ? 0 : height);
        gradient.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 120, 230));
        gradient.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 200, 90));
        p.fillRect(24, 0, width - 48, height, gradient);
        return height + 16;
    }

private:
    QString sentence(int words) {
        QStringList list;
        for (int i = 0; i < words; ++i)
            list << randomWord(random);
        return list.join(' ');
    }

    int drawToken(int x, int baseline, const QString& text, const QColor& colour) {
        p.setPen(colour);
        p.drawText(x, baseline, text);
        return x + QFontMetrics(p.font()).horizontalAdvance(text);
    }

    QPainter& p;
    const Palette& colours;
    int width;
    QRandomGenerator& random;
};

float smoothNoise(const std::vector<float>& grid, int cell, int stride, int x, int y) {
    const int gx = x / cell;
    const int gy = y / cell;
    const float fx = float(x % cell) / float(cell);
    const float fy = float(y % cell) / float(cell);
    const auto at = [&](int i, int j) { return grid[std::size_t(j * stride + i)]; };
    const float top = at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx;
    const float bottom = at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

// A procedural landscape: smooth value noise in three octaves with some grain.
int paintPhoto(QImage& page, int top, int width, QRandomGenerator& random) {
    const int height = std::min(160 + int(random.bounded(220)), page.height() - top);
    const int left = 24;
    const int right = width - 24;
    std::array<std::vector<float>, 3> grids;
    const std::array<int, 3> cellSizes = {64, 16, 5};
    for (std::size_t o = 0; o < grids.size(); ++o) {
        grids[o].resize(std::size_t((width / cellSizes[o] + 2) * (height / cellSizes[o] + 2)));
        for (float& v : grids[o])
            v = float(random.generateDouble());
    }
    const float hue = float(random.generateDouble());
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(top + y));
        for (int x = left; x < right; ++x) {
            float v = 0;
            float weight = 0.55f;
            for (std::size_t o = 0; o < grids.size(); ++o) {
                v += weight * smoothNoise(grids[o], cellSizes[o], width / cellSizes[o] + 2, x, y);
                weight *= 0.5f;
            }
            const float sky = float(y) / float(height);
            const QColor colour = QColor::fromHsvF(std::fmod(hue + 0.3f * v, 1.0f),
                                                   0.35f + 0.4f * sky, 0.25f + 0.7f * v);
            const int grain = int(random.bounded(5)) - 2;
            row[x] = qRgb(std::clamp(colour.red() + grain, 0, 255),
                          std::clamp(colour.green() + grain, 0, 255),
                          std::clamp(colour.blue() + grain, 0, 255));
        }
    }
    return height + 16;
}

enum class Block { prose, code, table, photo, gradient };

Block nextBlock(Content content, QRandomGenerator& random) {
    const int roll = int(random.bounded(10));
    switch (content) {
        case Content::prose:
            return Block::prose;
        case Content::code:
            return roll < 7 ? Block::code : Block::prose;
        case Content::table:
            return roll < 7 ? Block::table : Block::prose;
        case Content::photo:
            return roll < 5 ? Block::photo : roll < 7 ? Block::gradient : Block::prose;
        case Content::mixed:
            break;
    }
    return std::array{
        Block::prose, Block::prose, Block::prose, Block::code,     Block::code,
        Block::table, Block::table, Block::photo, Block::gradient, Block::prose}[roll];
}

}  // namespace

QImage renderPage(const PageOptions& options) {
    const Palette colours = paletteFor(options.theme);
    QImage page(options.width, options.height, QImage::Format_RGB32);
    page.fill(colours.background);
    QRandomGenerator random(options.seed);
    int lineNumber = 1;
    int top = 12;
    while (top < options.height) {
        if (options.maxGapRows > 0 && random.bounded(4) == 0) {
            top +=
                options.maxGapRows / 2 + int(random.bounded(quint32(options.maxGapRows / 2 + 1)));
            continue;
        }
        const Block block = nextBlock(options.content, random);
        if (block == Block::photo) {
            top += paintPhoto(page, top, options.width, random);  // pixel by pixel, no painter
            continue;
        }
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(0, top);
        BlockPainter blocks(painter, colours, options.width, random);
        switch (block) {
            case Block::prose:
                top += blocks.prose();
                break;
            case Block::code:
                top += blocks.code(lineNumber);
                break;
            case Block::table:
                top += blocks.table();
                break;
            case Block::gradient:
                top += blocks.gradient();
                break;
            case Block::photo:
                break;
        }
    }
    return page;
}

Window::Window(int frameWidth, int frameHeight, Chrome chrome, Theme theme)
    : m_frameWidth(frameWidth), m_frameHeight(frameHeight), m_chrome(chrome) {
    const Palette colours = paletteFor(theme);
    if (chrome.headerRows > 0) {
        m_header = QImage(frameWidth, chrome.headerRows, QImage::Format_RGB32);
        m_header.fill(colours.chrome);
        QPainter p(&m_header);
        p.setRenderHint(QPainter::Antialiasing);
        p.setFont(sansFont(16, true));
        p.setPen(colours.chromeText);
        p.drawText(20, chrome.headerRows / 2 + 6, "Moxilane Handbook");
        p.setBrush(colours.accent);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            p.drawRoundedRect(QRectF(frameWidth - 60 - i * 44, chrome.headerRows / 2 - 12, 32, 24),
                              6, 6);
        }
        p.fillRect(0, chrome.headerRows - 1, frameWidth, 1, colours.rule);
    }
    if (chrome.footerRows > 0) {
        m_footer = QImage(frameWidth, chrome.footerRows, QImage::Format_RGB32);
        m_footer.fill(colours.chrome);
        QPainter p(&m_footer);
        p.setFont(sansFont(12));
        p.setPen(colours.muted);
        p.drawText(20, chrome.footerRows / 2 + 5, "Moxilane 0.1 · Terms · Privacy · Status");
        p.fillRect(0, 0, frameWidth, 1, colours.rule);
    }
    if (chrome.sidebarColumns > 0) {
        m_sidebar = QImage(chrome.sidebarColumns, viewportRows(), QImage::Format_RGB32);
        m_sidebar.fill(colours.chrome);
        QPainter p(&m_sidebar);
        p.setFont(sansFont(13));
        const QStringList items = {"Overview",    "Getting started", "Area capture",    "Windows",
                                   "Full screen", "Scrolling",       "Markup",          "Shortcuts",
                                   "Save folder", "Clipboard",       "Troubleshooting", "About"};
        for (int i = 0; i < items.size() && 24 + 34 * i < viewportRows() - 60; ++i) {
            if (i == 5) p.fillRect(8, 6 + 34 * i, chrome.sidebarColumns - 16, 28, colours.accent);
            p.setPen(i == 5 ? QColor(Qt::white) : colours.chromeText);
            p.drawText(18, 25 + 34 * i, items[i]);
        }
        p.setPen(colours.muted);
        p.drawText(18, viewportRows() - 16, "Settings");
        p.fillRect(chrome.sidebarColumns - 1, 0, 1, viewportRows(), colours.rule);
    }
}

QImage Window::frame(const QImage& page, int top) const {
    QImage frame(m_frameWidth, m_frameHeight, QImage::Format_RGB32);
    const auto copyRow = [](const QImage& from, int fromRow, QImage& to, int toRow, int x) {
        std::memcpy(to.scanLine(toRow) + x * 4, from.constScanLine(fromRow),
                    std::size_t(from.width()) * 4);
    };
    const int sidebar = m_chrome.sidebarColumns;
    for (int y = 0; y < m_chrome.headerRows; ++y)
        copyRow(m_header, y, frame, y, 0);
    for (int y = 0; y < viewportRows(); ++y) {
        const int row = m_chrome.headerRows + y;
        if (sidebar > 0) copyRow(m_sidebar, y, frame, row, 0);
        copyRow(page, top + y, frame, row, sidebar);
    }
    for (int y = 0; y < m_chrome.footerRows; ++y) {
        copyRow(m_footer, y, frame, m_frameHeight - m_chrome.footerRows + y, 0);
    }
    if (m_chrome.scrollbarColumns > 0) {
        QPainter p(&frame);
        const QRect track(m_frameWidth - m_chrome.scrollbarColumns, m_chrome.headerRows,
                          m_chrome.scrollbarColumns, viewportRows());
        p.fillRect(track, QColor(0xe8, 0xe8, 0xe8));
        const int length = std::max(24, viewportRows() * viewportRows() / page.height());
        const int thumbTop = (viewportRows() - length) * top / (page.height() - viewportRows());
        p.fillRect(track.adjusted(3, thumbTop, -3, thumbTop + length - viewportRows()),
                   QColor(0x9a, 0x9a, 0x9a));
    }
    return frame;
}

std::vector<int> scrollOffsets(const MotionOptions& options, int viewportRows, int pageHeight) {
    const int maxOffset = pageHeight - viewportRows;
    QRandomGenerator random(options.seed);
    std::vector<int> offsets = {0};
    const int jumpAt = options.jumpTooFar ? std::max(3, options.frames / 3) : -1;
    int jumpedTo = -1;
    int returnTo = 0;
    for (int i = 1; i < options.frames * 4; ++i) {
        if (i >= options.frames && offsets.back() >= jumpedTo) break;
        const int previous = offsets.back();
        const int notches = 1 + int(random.bounded(quint32(options.maxNotchesPerFrame)));
        const int roll = int(random.bounded(20));
        int next;
        if (i == jumpAt) {
            next = std::min(previous + viewportRows + 2 * options.notchRows, maxOffset);
            jumpedTo = next;
            returnTo = previous + options.notchRows;
        } else if (i == jumpAt + 1) {
            next = returnTo;
        } else if (i + 1 == jumpAt) {
            next = previous + notches * options.notchRows;  // a frame that will be accepted
        } else if (options.pauses && roll < 3) {
            next = previous;
        } else if (options.scrollBacks && roll == 3) {
            next = previous - options.notchRows;
        } else {
            next = previous + notches * options.notchRows;
        }
        offsets.push_back(std::clamp(next, 0, maxOffset));
    }
    return offsets;
}

}  // namespace moxilane::scrolltest
