#include "scroll/ScrollHudPanel.h"

#include "platform/DigitsFont.h"
#include "platform/WindowRoles.h"
#include "platform/qt/QtScreens.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace moxilane {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 117;

QFont systemFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// Frames are laid out y up from the panel's bottom edge; Qt counts from the top.
QRect fromBottom(int x, int y, int w, int h) {
    return QRect(x, kHeight - y - h, w, h);
}

QPushButton* makeButton(QWidget* parent, const QString& title, const QString& style) {
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(style);
    return button;
}

}  // namespace

ScrollHudPanel::ScrollHudPanel(const ScreenList& screens, WindowRoles& roles)
    : m_screens(screens), m_areaFrame(roles) {
    roles.prepare(*this, WindowRole::panel);
    setWindowTitle(QStringLiteral("Scrolling Capture"));
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);

    m_title = new QLabel(QStringLiteral("Scrolling Capture"), this);
    m_title->setGeometry(fromBottom(14, 87, 272, 18));
    m_title->setFont(systemFont(13, QFont::DemiBold));
    m_title->setStyleSheet(QStringLiteral("color: white"));

    m_status = new QLabel(this);
    m_status->setGeometry(fromBottom(14, 67, 272, 16));
    m_status->setFont(tabularDigitsFont(12));  // the height's digits keep their places
    m_status->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 217)"));

    m_hint = new QLabel(this);
    m_hint->setGeometry(fromBottom(14, 48, 272, 15));
    m_hint->setFont(systemFont(11));
    m_hint->setStyleSheet(QStringLiteral("color: rgb(255, 149, 0)"));

    const QString base = QStringLiteral("border: none; border-radius: 6px; font-size: 13px; ");
    m_cancel = makeButton(this, QStringLiteral("Cancel"),
                          base + QStringLiteral("background: rgba(255, 255, 255, 41); "
                                                "color: rgba(255, 255, 255, 230);"));
    m_cancel->setGeometry(fromBottom(102, 12, 88, 28));
    m_done = makeButton(this, QStringLiteral("Done"),
                        base + QStringLiteral("background: palette(highlight); color: white; "
                                              "font-weight: 600;"));
    m_done->setGeometry(fromBottom(198, 12, 88, 28));
    // The handlers close the panel, which drops them: each runs from a copy.
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (const auto cancel = m_actions.cancel) cancel();
    });
    connect(m_done, &QPushButton::clicked, this, [this] {
        if (const auto done = m_actions.done) done();
    });

    watchScreens();

    // Rounded corners without a compositing manager: a shaped window.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 10, 10);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void ScrollHudPanel::watchScreens() {
    QtScreens::watchLayoutChanges(this, [this] {
        if (const auto react = m_actions.screensChanged) react();
    });
}

QRectF ScrollHudPanel::visibleFrame(const ScreenInfo& screen) const {
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* home = layout.screenAt(layout.fromYUp(screen.frame).center());
    return home ? layout.toYUp(home->workArea) : screen.frame;
}

void ScrollHudPanel::show(QPointF origin, const QString& status, Actions actions) {
    m_actions = std::move(actions);
    setElided(m_status, status);
    setElided(m_hint, {});
    moveTo(origin);
    QWidget::show();
    raise();
}

void ScrollHudPanel::moveTo(QPointF origin) {
    // origin is the bottom left corner, y up.
    const QRectF frame = m_screens.layout().fromYUp(QRectF(origin, QSizeF(kWidth, kHeight)));
    move(qRound(frame.left()), qRound(frame.top()));
}

void ScrollHudPanel::setStatus(const QString& text) {
    setElided(m_status, text);
}
void ScrollHudPanel::setHint(const QString& text) {
    setElided(m_hint, text);
}

void ScrollHudPanel::markArea(const QRectF& area) {
    m_areaFrame.show(m_screens.layout().fromYUp(area));
}

void ScrollHudPanel::close() {
    m_actions = {};
    m_areaFrame.hide();
    hide();
}

std::vector<std::uint32_t> ScrollHudPanel::windowIds() const {
    std::vector<std::uint32_t> ids = m_areaFrame.windowIds();
    // The window holding the panel: itself, or a canvas it is drawn on.
    ids.push_back(static_cast<std::uint32_t>(window()->winId()));
    return ids;
}

void ScrollHudPanel::setElided(QLabel* label, const QString& text) {
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
}

void ScrollHudPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Black at 0.78 over a mid-grey desktop; the window itself is opaque.
    painter.fillRect(rect(), QColor(28, 28, 30));
}

void ScrollHudPanel::keyPressEvent(QKeyEvent* event) {
    // The handlers may close the panel; copy them first.
    const Actions actions = m_actions;
    if (event->key() == Qt::Key_Escape && actions.cancel) return actions.cancel();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && actions.done)
        return actions.done();
    QWidget::keyPressEvent(event);
}

void ScrollHudPanel::mousePressEvent(QMouseEvent* event) {
    // A panel the window manager leaves alone gets the keyboard only when it asks.
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

}  // namespace moxilane
