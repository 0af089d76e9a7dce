#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace moxilane {

// Maps an image-pixel point to a point of the painter's coordinate space.
using PointMap = std::function<QPointF(QPointF)>;

// One mark on a capture. Geometry, widths and font size are in image pixels (origin at the
// top-left pixel corner, y down, unrounded), so a mark keeps its size relative to the image
// whatever the zoom it was drawn at. Held by shared_ptr: the canvas selects and deletes by
// identity, while the undo history keeps copies.
class Annotation {
public:
    enum class Kind { arrow, rectangle, oval, line, freehand, highlight, text, redact, step };

    // points: arrow and line start and end (the head at the end); rectangle and oval two
    // opposite corners; freehand and highlight the points as drawn; text the top-left corner
    // of its line box; redact two opposite corners; step the disc's centre. text is empty
    // except for text; fontSize is 0 except for text and step (the numeral's size).
    Annotation(Kind kind, std::vector<QPointF> points, QColor color, double lineWidth,
               QString text = {}, double fontSize = 0.0);

    Kind kind() const { return m_kind; }
    const std::vector<QPointF>& points() const { return m_points; }
    QColor color() const { return m_color; }
    double lineWidth() const { return m_lineWidth; }
    const QString& text() const { return m_text; }
    double fontSize() const { return m_fontSize; }

    // While it is being drawn: a stroke grows, a two-point shape moves its end.
    void appendPoint(QPointF imagePoint);
    void replaceSecondPoint(QPointF imagePoint);

    // The points' extent (text: at least its estimated size from the character count; step:
    // its disc), grown by lineWidth on every side except for the filled redact and step; the
    // zero rectangle without points.
    QRectF boundingBox() const;
    // Inside the box, minimum edges in, maximum edges out; an empty box holds nothing.
    bool contains(QPointF imagePoint) const;
    void translate(QPointF deltaImage);

    // Paints into a y-down painter; scale is painter units per image pixel. stepNumber is the
    // numeral a step shows (see drawAnnotations); other kinds ignore it.
    void draw(QPainter& painter, const PointMap& map, double scale, int stepNumber = 0) const;
    // How far past its mapped points draw() can paint, in painter units, with a margin for
    // antialiasing: what must be repainted around a change.
    double paintReach(double scale) const;

    std::shared_ptr<Annotation> copy() const;

private:
    void drawText(QPainter& painter, const PointMap& map, double scale) const;
    void drawStep(QPainter& painter, const PointMap& map, double scale, int number) const;
    double boxMargin() const;

    Kind m_kind;
    std::vector<QPointF> m_points;
    QColor m_color;
    double m_lineWidth;
    QString m_text;
    double m_fontSize;
};

// Freehand and highlight grow point by point while drawn; the other shapes have a start and
// an end.
bool isStroke(Annotation::Kind kind);

// Shapes that count as drawn however small: a click places a step.
bool isPlacedByClick(Annotation::Kind kind);

// The disc diameter of a step whose numeral is fontSize high.
double stepDiameter(double fontSize);

// The height of a text annotation's line box for a font size, in the same units.
double textLineBox(double fontSize);

// The red that new annotations start with.
QColor systemRed();

using AnnotationList = std::vector<std::shared_ptr<Annotation>>;

// Copies of every element, in order: a stored state shares no object with the live list.
AnnotationList copyOf(const AnnotationList& annotations);

// Draws the list in order, each step numbered by the steps before it in the list, so undo,
// redo and deleting never leave a gap or a stale number.
void drawAnnotations(QPainter& painter, const AnnotationList& annotations, const PointMap& map,
                     double scale);
// The number the next step would get: one more than the steps in the list.
int nextStepNumber(const AnnotationList& annotations);

// User-perceived characters (extended grapheme clusters).
int graphemeCount(const QString& text);

// The dashed outline around a selected annotation, 2 units outside its mapped box.
void drawSelectionOutline(QPainter& painter, const Annotation& annotation, const PointMap& map,
                          QColor accent);

}  // namespace moxilane
