#include "markup/Annotation.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ranges>

namespace moxilane {

Annotation::Annotation(Kind kind, std::vector<QPointF> points, QColor color, double lineWidth,
                       QString text, double fontSize)
    : m_kind(kind),
      m_points(std::move(points)),
      m_color(color),
      m_lineWidth(lineWidth),
      m_text(std::move(text)),
      m_fontSize(fontSize) {}

void Annotation::appendPoint(QPointF imagePoint) {
    m_points.push_back(imagePoint);
}

void Annotation::replaceSecondPoint(QPointF imagePoint) {
    if (m_points.size() >= 2) m_points[1] = imagePoint;
}

int graphemeCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QRectF Annotation::boundingBox() const {
    if (m_points.empty()) return {};
    const auto [minX, maxX] = std::ranges::minmax(m_points | std::views::transform(&QPointF::x));
    const auto [minY, maxY] = std::ranges::minmax(m_points | std::views::transform(&QPointF::y));
    double width = maxX - minX;
    double height = maxY - minY;
    if (m_kind == Kind::text) {
        // Estimated, not measured: the box must not depend on the fonts of the machine.
        const int characters = std::max(1, graphemeCount(m_text));
        width = std::max(width, m_fontSize * characters * 0.6);
        height = std::max(height, m_fontSize * 1.4);
    }
    if (m_kind == Kind::step) {
        const double radius = stepDiameter(m_fontSize) / 2;
        return {minX - radius, minY - radius, 2 * radius, 2 * radius};
    }
    const double margin = boxMargin();
    return {minX - margin, minY - margin, width + 2 * margin, height + 2 * margin};
}

// A filled shape's box is the fill itself: no pen sticks out of it.
double Annotation::boxMargin() const {
    return m_kind == Kind::redact ? 0.0 : m_lineWidth;
}

bool Annotation::contains(QPointF p) const {
    const QRectF box = boundingBox();
    if (!(box.width() > 0) || !(box.height() > 0)) return false;
    return p.x() >= box.left() && p.x() < box.right() && p.y() >= box.top() && p.y() < box.bottom();
}

void Annotation::translate(QPointF deltaImage) {
    for (QPointF& p : m_points)
        p += deltaImage;
}

std::shared_ptr<Annotation> Annotation::copy() const {
    return std::make_shared<Annotation>(*this);
}

namespace {

// The painted pen width, at least one unit whatever the zoom.
double penWidth(double scale, double lineWidth) {
    return std::max(scale * lineWidth, 1.0);
}

double arrowWingLength(double scale, double width) {
    return std::max(14.0 * scale, 3.5 * width);
}

double highlighterWidth(double scale, double width) {
    return std::max(3 * width, 8 * scale);
}

QPainterPath polyline(const std::vector<QPointF>& points, const PointMap& map) {
    QPainterPath path(map(points.front()));
    for (std::size_t i = 1; i < points.size(); ++i)
        path.lineTo(map(points[i]));
    return path;
}

QPainterPath arrowPath(QPointF a, QPointF b, double scale, double width, bool withHead) {
    QPainterPath path(a);
    path.lineTo(b);
    if (!withHead) return path;
    // The painter is y-down: mirror the angles so the head looks as in a y-up drawing.
    const double theta = std::atan2(-(b.y() - a.y()), b.x() - a.x());
    const double wing = arrowWingLength(scale, width);
    constexpr double spread = std::numbers::pi / 7;
    for (const double phi :
         {theta + std::numbers::pi - spread, theta - std::numbers::pi + spread}) {
        path.moveTo(b);
        path.lineTo(b + QPointF(wing * std::cos(phi), -wing * std::sin(phi)));
    }
    return path;
}

QRectF frameOf(QPointF a, QPointF b) {
    return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
            std::abs(a.y() - b.y())};
}

}  // namespace

bool isStroke(Annotation::Kind kind) {
    return kind == Annotation::Kind::freehand || kind == Annotation::Kind::highlight;
}

bool isPlacedByClick(Annotation::Kind kind) {
    return kind == Annotation::Kind::step;
}

double stepDiameter(double fontSize) {
    return 1.6 * fontSize;
}

double textLineBox(double fontSize) {
    return 1.2 * fontSize;
}

QColor systemRed() {
    return QColor(255, 59, 48);
}

double Annotation::paintReach(double scale) const {
    const double width = penWidth(scale, m_lineWidth);
    double reach = width / 2;
    if (m_kind == Kind::arrow) reach += arrowWingLength(scale, width);
    if (m_kind == Kind::highlight) reach = highlighterWidth(scale, width) / 2;
    // A redaction is widened to whole units; a step's disc lies around its one point.
    if (m_kind == Kind::redact) reach = 1;
    if (m_kind == Kind::step) reach = scale * stepDiameter(m_fontSize) / 2;
    return reach + 2;
}

void Annotation::draw(QPainter& painter, const PointMap& map, double scale, int stepNumber) const {
    const double width = penWidth(scale, m_lineWidth);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPen pen(m_color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (m_kind) {
        case Kind::arrow:
        case Kind::line:
            if (m_points.size() < 2) break;
            painter.setPen(pen);
            painter.drawPath(
                arrowPath(map(m_points[0]), map(m_points[1]), scale, width, m_kind == Kind::arrow));
            break;
        case Kind::rectangle:
        case Kind::oval: {
            if (m_points.size() < 2) break;
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            const QRectF frame = frameOf(map(m_points[0]), map(m_points[1]));
            if (m_kind == Kind::rectangle)
                painter.drawRect(frame);
            else
                painter.drawEllipse(frame);
            break;
        }
        case Kind::freehand:
            if (m_points.size() < 2) break;
            painter.setPen(pen);
            painter.drawPath(polyline(m_points, map));
            break;
        case Kind::highlight: {
            if (m_points.size() < 2) break;
            // One path stroked once: where the stroke crosses itself it is no darker.
            QColor translucent = m_color;
            translucent.setAlphaF(0.35f);
            pen.setColor(translucent);
            pen.setWidthF(highlighterWidth(scale, width));
            painter.setPen(pen);
            painter.drawPath(polyline(m_points, map));
            break;
        }
        case Kind::text:
            drawText(painter, map, scale);
            break;
        case Kind::redact:
            if (m_points.size() < 2) break;
            // Opaque and widened to whole units, without antialiasing: no pixel at its edge
            // keeps a trace of what it covers.
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.fillRect(frameOf(map(m_points[0]), map(m_points[1])).toAlignedRect(),
                             Qt::black);
            break;
        case Kind::step:
            drawStep(painter, map, scale, stepNumber);
            break;
    }
    painter.restore();
}

void Annotation::drawText(QPainter& painter, const PointMap& map, double scale) const {
    const double fontPx = scale * m_fontSize;
    if (m_points.empty() || m_text.isEmpty() || !(fontPx > 0)) return;
    // QFont sizes are whole pixels; draw at the nearest one and scale to the exact size, so
    // the text keeps its size relative to the image at every zoom.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::DemiBold);
    const int wholePx = std::max(1, static_cast<int>(std::lround(fontPx)));
    font.setPixelSize(wholePx);
    const QFontMetricsF metrics(font);
    // The line box is 1.2 font sizes high and hangs from the point; the glyphs sit centred in it.
    const double lineBox = textLineBox(wholePx);
    const double baseline = (lineBox - metrics.ascent() - metrics.descent()) / 2 + metrics.ascent();
    painter.translate(map(m_points.front()));
    painter.scale(fontPx / wholePx, fontPx / wholePx);
    painter.setFont(font);
    painter.setPen(m_color);
    painter.drawText(QPointF(0, baseline), m_text);
}

namespace {

// White on the dark swatches, black on the light ones (white, yellow).
QColor numeralColor(QColor disc) {
    const double luma = 0.299 * disc.red() + 0.587 * disc.green() + 0.114 * disc.blue();
    return luma > 180 ? QColor(Qt::black) : QColor(Qt::white);
}

}  // namespace

void Annotation::drawStep(QPainter& painter, const PointMap& map, double scale, int number) const {
    const double fontPx = scale * m_fontSize;
    if (m_points.empty() || !(fontPx > 0)) return;
    const QPointF centre = map(m_points.front());
    const double radius = scale * stepDiameter(m_fontSize) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(centre, radius, radius);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::DemiBold);
    const int wholePx = std::max(1, static_cast<int>(std::lround(fontPx)));
    font.setPixelSize(wholePx);
    // As for text: drawn at whole pixels, scaled to the exact size.
    painter.translate(centre);
    painter.scale(fontPx / wholePx, fontPx / wholePx);
    painter.setFont(font);
    painter.setPen(numeralColor(m_color));
    const double box = wholePx * 1.6;
    painter.drawText(QRectF(-box / 2, -box / 2, box, box), Qt::AlignCenter,
                     QString::number(number));
}

void drawAnnotations(QPainter& painter, const AnnotationList& annotations, const PointMap& map,
                     double scale) {
    int steps = 0;
    for (const auto& annotation : annotations) {
        if (annotation->kind() == Annotation::Kind::step) ++steps;
        annotation->draw(painter, map, scale, steps);
    }
}

int nextStepNumber(const AnnotationList& annotations) {
    return 1 + static_cast<int>(std::ranges::count_if(
                   annotations, [](const auto& a) { return a->kind() == Annotation::Kind::step; }));
}

AnnotationList copyOf(const AnnotationList& annotations) {
    AnnotationList copies;
    copies.reserve(annotations.size());
    for (const auto& annotation : annotations)
        copies.push_back(annotation->copy());
    return copies;
}

void drawSelectionOutline(QPainter& painter, const Annotation& annotation, const PointMap& map,
                          QColor accent) {
    const QRectF box = annotation.boundingBox();
    const QPointF a = map(box.topLeft());
    const QPointF b = map(box.bottomRight());
    const QRectF outline = QRectF(a, b).normalized().adjusted(-2, -2, 2, 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    QPen pen(accent, 1.0);
    pen.setDashPattern({4.0, 3.0});
    pen.setDashOffset(0);
    painter.setPen(pen);
    painter.drawRect(outline);
    painter.restore();
}

}  // namespace moxilane
