#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace moxilane::texttest {

// Known text as a screen shows it, for the reader to read back. Needs a QGuiApplication.
struct TextStyle {
    QString family = QStringLiteral("DejaVu Sans");
    double points = 11;  // at 96 dpi, as a desktop at scale 1 draws it
    bool dark = false;   // light text on a dark background
    int columns = 1;
    int widthPx = 1000;
};

inline const QStringList& sampleLines() {
    static const QStringList lines{
        QStringLiteral("The quick brown fox jumps over the lazy dog; 0123456789."),
        QStringLiteral("Invoice 2026-0417 is due on 14 March, total EUR 1,250.75."),
        QStringLiteral("Open the settings, choose Capture Text and press Return."),
        QStringLiteral("Error: cannot open /home/anna/notes.txt (permission denied)"),
        QStringLiteral("Meeting moved to Thursday at 10:30 in room B-204, bring slides."),
        QStringLiteral("Keyboard shortcuts make repeated tasks much faster to do."),
    };
    return lines;
}

// The lines drawn one under another; with two columns the lines are shared between
// them, the first half on the left. The page is as tall as its lines need.
inline QImage renderText(const QStringList& lines, const TextStyle& style) {
    QFont font(style.family);
    font.setPixelSize(qRound(style.points * 96.0 / 72.0));
    font.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.lineSpacing() + metrics.height() / 3;
    const int perColumn = int((lines.size() + style.columns - 1) / style.columns);
    const int margin = metrics.height();
    QImage page(style.widthPx, perColumn * lineHeight + 2 * margin, QImage::Format_RGB32);
    page.fill(style.dark ? QColor(30, 30, 34) : QColor(252, 252, 250));
    QPainter painter(&page);
    painter.setFont(font);
    painter.setPen(style.dark ? QColor(220, 220, 220) : QColor(20, 20, 20));
    const int columnWidth = style.widthPx / style.columns;
    for (int i = 0; i < lines.size(); ++i) {
        const int column = i / perColumn, row = i % perColumn;
        painter.drawText(column * columnWidth + margin,
                         margin + row * lineHeight + metrics.ascent(), lines[i]);
    }
    return page;
}

// Runs of whitespace as one space, none at the ends.
inline QString normalised(const QString& text) {
    return text.simplified();
}

// The share of the truth's characters read right: 1 − edit distance / length.
inline double characterAccuracy(const QString& read, const QString& truth) {
    const QString a = normalised(read), b = normalised(truth);
    std::vector<int> previous(std::size_t(b.size()) + 1), current(previous.size());
    for (int j = 0; j <= b.size(); ++j)
        previous[std::size_t(j)] = j;
    for (int i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int substitute = previous[std::size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[std::size_t(j)] = std::min(
                {previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, substitute});
        }
        std::swap(previous, current);
    }
    return b.isEmpty() ? 1.0 : 1.0 - double(previous.back()) / double(b.size());
}

}  // namespace moxilane::texttest
