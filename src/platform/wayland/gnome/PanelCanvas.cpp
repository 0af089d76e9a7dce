#include "platform/wayland/gnome/PanelCanvas.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRegion>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace moxilane::wayland {

namespace {

// The shown children of each canvas by its window id, in desktop device pixels, for the
// capture worker.
std::mutex shownMutex;
std::map<std::uint32_t, std::vector<QRect>> shownPixels;

void recordShown(std::uint32_t id, std::vector<QRect> rects) {
    std::lock_guard lock(shownMutex);
    if (rects.empty())
        shownPixels.erase(id);
    else
        shownPixels[id] = std::move(rects);
}

QRect devicePixels(const QRect& points, double scale) {
    return QRect(int(std::lround(points.x() * scale)), int(std::lround(points.y() * scale)),
                 int(std::lround(points.width() * scale)),
                 int(std::lround(points.height() * scale)));
}

// A region outside the window: no input anywhere (an empty one would mean everywhere).
const QRegion kNoInput(-1, -1, 1, 1);

}  // namespace

std::vector<QRect> panelCanvasPixelsIn(const QRect& area,
                                       const std::vector<std::uint32_t>& windowIds) {
    std::vector<QRect> result;
    std::lock_guard lock(shownMutex);
    for (const std::uint32_t id : windowIds) {
        const auto it = shownPixels.find(id);
        if (it == shownPixels.end()) continue;
        for (const QRect& rect : it->second)
            if (rect.intersects(area)) result.push_back(rect.intersected(area));
    }
    return result;
}

PanelCanvas::PanelCanvas() : m_window(std::make_unique<QWidget>()) {
    m_window->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setAttribute(Qt::WA_TranslucentBackground);
    m_window->setAttribute(Qt::WA_ShowWithoutActivating);
    m_window->setWindowTitle(QStringLiteral("Scrolling Capture"));
    m_window->installEventFilter(this);
}

PanelCanvas::~PanelCanvas() {
    recordShown(std::uint32_t(m_window->effectiveWinId()), {});
    // The children belong to their owners, not to the canvas.
    for (const Child& child : m_children)
        if (child.widget) child.widget->setParent(nullptr);
}

void PanelCanvas::adopt(QWidget& widget, WindowRole role) {
    widget.setParent(m_window.get());
    widget.hide();
    widget.installEventFilter(this);
    m_children.push_back({&widget, role, widget.geometry(), QRect()});
}

bool PanelCanvas::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.get()) {
        // Its size says where the desktop put it; the input region reaches the compositor only
        // once the window has a surface.
        if (event->type() == QEvent::Resize) relayout();
        if (event->type() == QEvent::Show) applyInputRegion();
        return false;
    }
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            if (m_placing) break;
            // A place we did not give came from the program: global points. A hidden child's
            // move arrives as an event only once it shows, so its geometry is read here.
            for (Child& child : m_children) {
                if (child.widget == watched && child.widget->geometry() != child.placedRect)
                    child.globalRect = child.widget->geometry();
            }
            relayout();
            break;
        default:
            break;
    }
    return false;
}

// Puts the canvas on the screen of the first shown panel (else marker) and each child at its
// place on that screen; hides the canvas when nothing is shown.
void PanelCanvas::relayout() {
    // Showing, hiding and placing send events that would lay it out again.
    if (m_placing) return;
    m_placing = true;
    std::vector<Child*> shown;
    for (Child& child : m_children)
        if (child.widget && !child.widget->isHidden()) shown.push_back(&child);
    const auto id = std::uint32_t(m_window->winId());
    std::vector<QRect> pixels;
    QRegion input;
    if (shown.empty()) {
        m_window->hide();
    } else {
        std::ranges::stable_partition(shown,
                                      [](const Child* c) { return c->role == WindowRole::panel; });
        QScreen* screen = QGuiApplication::screenAt(shown.front()->globalRect.center());
        if (!screen) screen = QGuiApplication::primaryScreen();
        const QRect screenArea = screen->geometry();
        if (!m_window->isVisible() || m_window->screen() != screen) {
            // A full-screen window would get a black backdrop from the desktop: the canvas is
            // a maximized one, which the desktop puts below its top bar.
            m_window->hide();
            m_window->setGeometry(screenArea);
            m_window->windowHandle()->setScreen(screen);
            m_window->showMaximized();
        }
        const QPoint origin =
            screenArea.topLeft() + QPoint(0, std::max(0, screenArea.height() - m_window->height()));
        for (Child* child : shown) {
            child->widget->move(child->globalRect.topLeft() - origin);
            child->placedRect = child->widget->geometry();
            pixels.push_back(devicePixels(child->globalRect, screen->devicePixelRatio()));
            if (child->role == WindowRole::panel) input += child->placedRect;
        }
    }
    m_placing = false;
    recordShown(id, std::move(pixels));
    m_inputRegion = input.isEmpty() ? kNoInput : input;
    applyInputRegion();
}

void PanelCanvas::applyInputRegion() {
    if (QWindow* window = m_window->windowHandle()) window->setMask(m_inputRegion);
}

}  // namespace moxilane::wayland
