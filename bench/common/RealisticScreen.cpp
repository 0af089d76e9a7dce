#include "common/RealisticScreen.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace moxilane::bench {

namespace {

// A smooth random field in [0, 1]: random values on a coarse grid, bilinearly interpolated.
class ValueNoise {
public:
    ValueNoise(QRandomGenerator& random, QSize sizePx, int cellPx)
        : m_cellPx(cellPx), m_columns(sizePx.width() / cellPx + 2) {
        m_values.resize(size_t(m_columns) * (sizePx.height() / cellPx + 2));
        for (float& v : m_values)
            v = float(random.generateDouble());
    }
    float at(int x, int y) const {
        const int cx = x / m_cellPx, cy = y / m_cellPx;
        const float fx = smooth(float(x % m_cellPx) / m_cellPx);
        const float fy = smooth(float(y % m_cellPx) / m_cellPx);
        const float* row = &m_values[size_t(cy) * m_columns + cx];
        const float top = row[0] + (row[1] - row[0]) * fx;
        const float bottom = row[m_columns] + (row[m_columns + 1] - row[m_columns]) * fx;
        return top + (bottom - top) * fy;
    }

private:
    // Eases across each cell, so no ridges show at the grid lines.
    static float smooth(float t) { return t * t * (3 - 2 * t); }

    int m_cellPx;
    int m_columns;
    std::vector<float> m_values;
};

// Sensor grain: a few levels up or down, different for every pixel and channel.
int grain(quint32 x, quint32 y, quint32 seed, int channel) {
    quint32 h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du ^ channel;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    return int(h % 7) - 3;
}

// A landscape: sky with clouds over hills with foliage-like texture, plus grain; smooth where
// a photograph is smooth, busy where it is busy.
void paintPhoto(QImage& image, QRect area, QRandomGenerator& random) {
    const ValueNoise broad(random, area.size(), 97), medium(random, area.size(), 23),
        fine(random, area.size(), 5);
    const double phase1 = random.generateDouble() * 6.28, phase2 = random.generateDouble() * 6.28;
    const quint32 seed = random.generate();
    for (int y = 0; y < area.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(area.top() + y)) + area.left();
        const double v = double(y) / area.height();
        for (int x = 0; x < area.width(); ++x) {
            const double u = double(x) / area.width();
            const double horizon = 0.55 + 0.08 * std::sin(u * 7 + phase1) +
                                   0.04 * std::sin(u * 19 + phase2) + 0.05 * broad.at(x, y);
            double r, g, b;
            if (v < horizon) {
                const double cloud =
                    std::clamp((medium.at(x, y) * 0.6 + broad.at(x, y) * 0.7 - 0.75) * 3, 0.0, 1.0);
                r = 70 + 110 * v, g = 120 + 90 * v, b = 210 + 30 * v;
                r += (245 - r) * cloud, g += (245 - g) * cloud, b += (248 - b) * cloud;
            } else {
                const double leaf =
                    0.5 * fine.at(x, y) + 0.3 * medium.at(x, y) + 0.2 * broad.at(x, y);
                const double depth = (v - horizon) / (1 - horizon + 1e-6);
                r = 40 + 90 * leaf + 40 * depth, g = 70 + 110 * leaf - 20 * depth,
                b = 30 + 40 * leaf;
            }
            row[x] = qRgb(std::clamp(int(r) + grain(x, y, seed, 0), 0, 255),
                          std::clamp(int(g) + grain(x, y, seed, 1), 0, 255),
                          std::clamp(int(b) + grain(x, y, seed, 2), 0, 255));
        }
    }
}

const QStringList kWords =
    QStringLiteral(
        "the capture of a screen is written as a file named by its time into the folder that "
        "user chose once and or put on clipboard as settings say floating thumbnail then shows "
        "in corner for six seconds clicking it opens editor with arrows rectangles ovals lines "
        "pen highlighter text undo from which annotated image can be copied shared saved")
        .split(QLatin1Char(' '));

QString sentence(QRandomGenerator& random, int words) {
    QStringList out;
    for (int i = 0; i < words; ++i)
        out << kWords[random.bounded(int(kWords.size()))];
    out[0][0] = out[0][0].toUpper();
    return out.join(QLatin1Char(' ')) + QLatin1Char('.');
}

QFont pixelFont(const char* family, double sizePx, bool bold = false) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(std::max(6, int(sizePx)));
    font.setBold(bold);
    return font;
}

// A window frame: shadow, title bar with its buttons and title; returns the client area.
QRect paintWindow(QPainter& p, QRect frame, const QString& title, double unit) {
    for (int i = 1; i <= 12; ++i)
        p.fillRect(frame.adjusted(-i, -i + 4, i, i + 4), QColor(0, 0, 0, 10));
    const int titleHeight = int(34 * unit);
    p.fillRect(frame, QColor(246, 245, 244));
    QLinearGradient bar(frame.topLeft(), frame.topLeft() + QPoint(0, titleHeight));
    bar.setColorAt(0, QColor(235, 235, 235));
    bar.setColorAt(1, QColor(218, 218, 218));
    p.fillRect(QRect(frame.left(), frame.top(), frame.width(), titleHeight), bar);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor buttons[] = {QColor(237, 106, 94), QColor(245, 191, 79), QColor(98, 197, 84)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(buttons[i]);
        p.setPen(buttons[i].darker(115));
        p.drawEllipse(QPointF(frame.left() + (18 + 22 * i) * unit, frame.top() + titleHeight / 2.0),
                      6 * unit, 6 * unit);
    }
    p.setPen(QColor(60, 60, 60));
    p.setFont(pixelFont("DejaVu Sans", 13 * unit, true));
    p.drawText(QRect(frame.left(), frame.top(), frame.width(), titleHeight), Qt::AlignCenter,
               title);
    p.setBrush(Qt::NoBrush);
    return frame.adjusted(0, titleHeight, 0, 0);
}

void paintToolBar(QPainter& p, QRect area, const QStringList& labels, double unit) {
    p.fillRect(area, QColor(239, 239, 239));
    p.setPen(QColor(200, 200, 200));
    p.drawLine(area.bottomLeft(), area.bottomRight());
    p.setFont(pixelFont("DejaVu Sans", 12 * unit));
    int x = area.left() + int(8 * unit);
    for (const QString& label : labels) {
        const int width = p.fontMetrics().horizontalAdvance(label) + int(20 * unit);
        const QRect button(x, area.top() + int(5 * unit), width, area.height() - int(10 * unit));
        p.setPen(QColor(190, 190, 190));
        p.setBrush(QColor(252, 252, 252));
        p.drawRoundedRect(button, 4 * unit, 4 * unit);
        p.setPen(QColor(40, 40, 40));
        p.drawText(button, Qt::AlignCenter, label);
        x += width + int(6 * unit);
    }
}

void paintCode(QPainter& p, QRect area, QRandomGenerator& random, double unit) {
    p.fillRect(area, QColor(30, 30, 30));
    p.setClipRect(area);
    const QFont mono = pixelFont("DejaVu Sans Mono", 13 * unit);
    p.setFont(mono);
    const int lineHeight = p.fontMetrics().height() + int(2 * unit);
    const int gutter = p.fontMetrics().horizontalAdvance(QStringLiteral("00000"));
    p.fillRect(QRect(area.left(), area.top(), gutter + int(6 * unit), area.height()),
               QColor(37, 37, 38));
    const QString keywords[] = {QStringLiteral("const"),  QStringLiteral("auto"),
                                QStringLiteral("return"), QStringLiteral("if"),
                                QStringLiteral("for"),    QStringLiteral("QImage")};
    const QString names[] = {QStringLiteral("frame"),         QStringLiteral("offsetPx"),
                             QStringLiteral("m_rows"),        QStringLiteral("stitchedHeight"),
                             QStringLiteral("image.width()"), QStringLiteral("bestMatch"),
                             QStringLiteral("scale")};
    int indent = 1;
    for (int line = 1, y = area.top() + lineHeight; y < area.bottom(); ++line, y += lineHeight) {
        p.setPen(QColor(133, 133, 133));
        p.drawText(area.left(), y, QString::number(line).rightJustified(4));
        int x = area.left() + gutter + int(16 * unit) +
                indent * 4 * p.fontMetrics().horizontalAdvance(QLatin1Char(' '));
        const int tokens = random.bounded(0, 9);
        for (int t = 0; t < tokens && x < area.right(); ++t) {
            const int kind = random.bounded(10);
            QString token = kind < 3 ? keywords[random.bounded(6)] : names[random.bounded(7)];
            QColor colour = kind < 3 ? QColor(86, 156, 214) : QColor(156, 220, 254);
            if (kind == 9)
                token = QStringLiteral("\"%1\"").arg(kWords[random.bounded(int(kWords.size()))]),
                colour = QColor(206, 145, 120);
            if (kind == 8)
                token = QString::number(random.bounded(4096)), colour = QColor(181, 206, 168);
            if (t == 0 && random.bounded(6) == 0)
                token = QStringLiteral("// ") + sentence(random, 6), colour = QColor(106, 153, 85);
            p.setPen(colour);
            p.drawText(x, y, token + (t + 1 < tokens ? QStringLiteral(" =") : QStringLiteral(";")));
            x += p.fontMetrics().horizontalAdvance(token + QStringLiteral(" = "));
        }
        indent = std::clamp(indent + random.bounded(-1, 2), 1, 5);
    }
    p.setClipping(false);
}

void paintFileTree(QPainter& p, QRect area, QRandomGenerator& random, double unit) {
    p.fillRect(area, QColor(37, 37, 38));
    p.setFont(pixelFont("DejaVu Sans", 12 * unit));
    const int lineHeight = int(22 * unit);
    for (int y = area.top() + lineHeight; y < area.bottom(); y += lineHeight) {
        const int depth = random.bounded(4);
        const bool folder = random.bounded(3) == 0;
        p.setPen(folder ? QColor(220, 200, 120) : QColor(204, 204, 204));
        QString name = kWords[random.bounded(int(kWords.size()))];
        name[0] = name[0].toUpper();
        p.drawText(area.left() + int((10 + 14 * depth) * unit), y,
                   folder ? QStringLiteral("\u25b8 ") + name : name + QStringLiteral(".cpp"));
    }
}

void paintEditor(QPainter& p, QRect frame, QRandomGenerator& random, double unit) {
    const QRect client =
        paintWindow(p, frame, QStringLiteral("ScrollStitcher.cpp \u2014 moxilane"), unit);
    const int toolHeight = int(38 * unit);
    paintToolBar(p, QRect(client.left(), client.top(), client.width(), toolHeight),
                 {QStringLiteral("File"), QStringLiteral("Edit"), QStringLiteral("Build"),
                  QStringLiteral("Run"), QStringLiteral("Debug")},
                 unit);
    const int statusHeight = int(24 * unit);
    const QRect body = client.adjusted(0, toolHeight, 0, -statusHeight);
    const int treeWidth = body.width() / 4;
    paintFileTree(p, QRect(body.left(), body.top(), treeWidth, body.height()), random, unit);
    paintCode(p, body.adjusted(treeWidth, 0, 0, 0), random, unit);
    const QRect status(client.left(), client.bottom() - statusHeight + 1, client.width(),
                       statusHeight);
    p.fillRect(status, QColor(0, 122, 204));
    p.setPen(Qt::white);
    p.setFont(pixelFont("DejaVu Sans", 11 * unit));
    p.drawText(status.adjusted(int(10 * unit), 0, 0, 0), Qt::AlignVCenter,
               QStringLiteral("main  \u2713 0 errors  Ln 128, Col 17  UTF-8  C++"));
}

void paintWebPage(QImage& image, QPainter& p, QRect frame, QRandomGenerator& random, double unit) {
    const QRect client =
        paintWindow(p, frame, QStringLiteral("Mountain trails \u2014 Browser"), unit);
    const int barHeight = int(40 * unit);
    paintToolBar(p, QRect(client.left(), client.top(), client.width(), barHeight),
                 {QStringLiteral("\u2190"), QStringLiteral("\u2192"), QStringLiteral("\u21bb"),
                  QStringLiteral("https://example.org/trails/alpine-lakes-and-ridges")},
                 unit);
    const QRect page =
        client.adjusted(int(24 * unit), barHeight + int(16 * unit), -int(24 * unit), 0);
    p.fillRect(client.adjusted(0, barHeight, 0, 0), Qt::white);
    p.setPen(QColor(20, 20, 20));
    p.setFont(pixelFont("DejaVu Serif", 26 * unit, true));
    p.drawText(page.left(), page.top() + int(28 * unit),
               QStringLiteral("Three days along the ridge"));
    const QRect photo(page.left(), page.top() + int(48 * unit), page.width() * 11 / 20,
                      page.height() * 3 / 4);
    p.end();
    paintPhoto(image, photo.intersected(image.rect()), random);
    p.begin(&image);
    p.setFont(pixelFont("DejaVu Serif", 14 * unit));
    p.setPen(QColor(40, 40, 40));
    const QRect column(photo.right() + int(20 * unit), photo.top(),
                       page.right() - photo.right() - int(20 * unit), page.bottom() - photo.top());
    QString text;
    for (int i = 0; i < 8; ++i)
        text += sentence(random, 8 + random.bounded(12)) + QLatin1Char(' ');
    p.drawText(column, Qt::TextWordWrap, text + QStringLiteral("\n\n") + text);
}

void paintSpreadsheet(QPainter& p, QRect frame, QRandomGenerator& random, double unit) {
    const QRect client = paintWindow(p, frame, QStringLiteral("Budget 2024.ods"), unit);
    p.fillRect(client, Qt::white);
    p.setFont(pixelFont("DejaVu Sans", 12 * unit));
    p.setBrush(Qt::NoBrush);
    const int rowHeight = int(22 * unit), columnWidth = int(92 * unit);
    for (int row = 0, y = client.top(); y < client.bottom(); ++row, y += rowHeight) {
        if (row == 0)
            p.fillRect(QRect(client.left(), y, client.width(), rowHeight), QColor(230, 230, 230));
        else if (row % 2 == 0)
            p.fillRect(QRect(client.left(), y, client.width(), rowHeight), QColor(248, 250, 252));
        for (int column = 0, x = client.left(); x < client.right(); ++column, x += columnWidth) {
            p.setPen(QColor(212, 212, 212));
            p.drawRect(QRect(x, y, columnWidth, rowHeight));
            p.setPen(row == 0 || column == 0 ? QColor(60, 60, 60) : QColor(20, 20, 20));
            const QString text = row == 0 ? QString(QChar(u'A' + column % 26))
                                 : column == 0
                                     ? QString::number(row)
                                     : QString::number(random.bounded(100000) / 100.0, 'f', 2);
            p.drawText(QRect(x + int(4 * unit), y, columnWidth - int(8 * unit), rowHeight),
                       Qt::AlignVCenter | (column == 0 ? Qt::AlignLeft : Qt::AlignRight), text);
        }
    }
}

void paintTopBarAndDock(QPainter& p, QSize size, QRandomGenerator& random, double unit) {
    const int barHeight = int(30 * unit);
    p.fillRect(QRect(0, 0, size.width(), barHeight), QColor(28, 28, 28));
    p.setPen(QColor(238, 238, 238));
    p.setFont(pixelFont("DejaVu Sans", 13 * unit, true));
    p.drawText(QRect(int(16 * unit), 0, size.width(), barHeight), Qt::AlignVCenter,
               QStringLiteral("Activities     Files  Edit  View  Go  Help"));
    p.drawText(QRect(0, 0, size.width(), barHeight), Qt::AlignCenter,
               QStringLiteral("Tue 5 Mar  14:07"));
    p.drawText(QRect(0, 0, size.width() - int(16 * unit), barHeight),
               Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("EN   \u266a   100 %"));
    const int dockHeight = int(64 * unit), icon = int(48 * unit), count = 12;
    const QRect dock((size.width() - count * (icon + int(12 * unit))) / 2,
                     size.height() - dockHeight - int(8 * unit), count * (icon + int(12 * unit)),
                     dockHeight);
    p.setBrush(QColor(255, 255, 255, 60));
    p.setPen(QColor(255, 255, 255, 90));
    p.drawRoundedRect(dock, 14 * unit, 14 * unit);
    for (int i = 0; i < count; ++i) {
        const QRectF box(dock.left() + int(6 * unit) + i * (icon + int(12 * unit)),
                         dock.top() + (dockHeight - icon) / 2.0, icon, icon);
        QLinearGradient fill(box.topLeft(), box.bottomLeft());
        const QColor base = QColor::fromHsv(random.bounded(360), 160, 230);
        fill.setColorAt(0, base.lighter(130));
        fill.setColorAt(1, base.darker(130));
        p.setBrush(fill);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(box, 10 * unit, 10 * unit);
    }
}

}  // namespace

QImage realisticScreen(QSize sizeDevice, quint32 seed) {
    QImage image(sizeDevice, QImage::Format_RGB32);
    if (image.isNull()) return image;
    QRandomGenerator random(seed);
    const double unit = std::max(0.5, sizeDevice.height() / 1440.0);
    const int w = sizeDevice.width(), h = sizeDevice.height();
    paintPhoto(image, image.rect(), random);

    QPainter p(&image);
    paintEditor(p, QRect(w * 2 / 100, h * 5 / 100, w * 52 / 100, h * 86 / 100), random, unit);
    paintSpreadsheet(p, QRect(w * 50 / 100, h * 58 / 100, w * 46 / 100, h * 30 / 100), random,
                     unit);
    paintWebPage(image, p, QRect(w * 40 / 100, h * 8 / 100, w * 57 / 100, h * 52 / 100), random,
                 unit);
    paintTopBarAndDock(p, sizeDevice, random, unit);
    return image;
}

}  // namespace moxilane::bench
