#include "markup/MarkupCanvasView.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace moxilane {

MarkupCanvasView::MarkupCanvasView(QImage capture, QWidget* parent)
    : QWidget(parent), m_canvas(std::move(capture), *this) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas.setOnRedraw([this](QRectF dirty) {
        if (dirty.isNull())
            update();
        else
            update(dirty.toAlignedRect());
    });
    const QSize imageSize = m_canvas.mapping().displayRect().size().toSize();
    resize(imageSize.isEmpty() ? QSize(1, 1) : imageSize);
    m_canvas.setViewSize(size());
}

MarkupCanvasView::~MarkupCanvasView() {
    // The field's end of editing must not reach a canvas that is going away.
    if (m_textField) m_textField->disconnect(this);
}

void MarkupCanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_canvas.paint(painter, palette().color(QPalette::Window), palette().color(QPalette::Highlight),
                   devicePixelRatioF());
}

void MarkupCanvasView::resizeEvent(QResizeEvent*) {
    m_canvas.setViewSize(size());
}

// The canvas shows no focus: repainting a 4K view when the window gains or loses the focus
// would only send the same pixels again.
void MarkupCanvasView::focusInEvent(QFocusEvent*) {}

void MarkupCanvasView::focusOutEvent(QFocusEvent*) {}

void MarkupCanvasView::mousePressEvent(QMouseEvent* event) {
    m_canvas.mousePress(*event);
}

void MarkupCanvasView::mouseMoveEvent(QMouseEvent* event) {
    m_canvas.mouseMove(*event);
}

void MarkupCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    m_canvas.mouseRelease(*event);
}

void MarkupCanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    m_canvas.mouseDoubleClick(*event);
}

void MarkupCanvasView::keyPressEvent(QKeyEvent* event) {
    if (!m_canvas.keyPress(*event)) QWidget::keyPressEvent(event);
}

void MarkupCanvasView::openTextField(QRectF frameView, double fontPx, QColor color) {
    auto* field = new QLineEdit(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::DemiBold);
    font.setPixelSize(std::max(1, qRound(fontPx)));
    field->setFont(font);
    QPalette colors = field->palette();
    colors.setColor(QPalette::Text, color);
    QColor background = colors.color(QPalette::Base);
    background.setAlphaF(0.9f);
    colors.setColor(QPalette::Base, background);
    field->setPalette(colors);
    field->setFrame(true);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->setPlaceholderText(QStringLiteral("Type…"));
    field->setGeometry(frameView.toRect());
    connect(field, &QLineEdit::editingFinished, this, [this] { m_canvas.commitText(); });
    field->show();
    field->setFocus(Qt::MouseFocusReason);
    m_textField = field;
}

QString MarkupCanvasView::typedText() const {
    return m_textField ? m_textField->text() : QString();
}

void MarkupCanvasView::closeTextField() {
    if (!m_textField) return;
    QLineEdit* field = m_textField;
    m_textField = nullptr;
    field->disconnect(this);
    // Keys go back to the canvas; deleted later, as this may run inside the field's own signal.
    if (field->hasFocus()) setFocus(Qt::OtherFocusReason);
    field->hide();
    field->deleteLater();
}

}  // namespace moxilane
