#include "selection/OverlayGroup.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdio>

namespace moxilane {

OverlayGroup::OverlayGroup(WindowFocus& focus, std::function<void()> onEscape,
                           std::function<void()> onScreensChanged)
    : m_focus(focus),
      m_onEscape(std::move(onEscape)),
      m_onScreensChanged(std::move(onScreensChanged)) {
    m_grabRetry.setInterval(100);
    connect(&m_grabRetry, &QTimer::timeout, this, [this] { ensureKeyboard(); });
}

OverlayGroup::~OverlayGroup() {
    close();
}

void OverlayGroup::add(std::unique_ptr<OverlayPanel> panel, bool keyHere) {
    OverlayPanel* added = panel.get();
    added->onEscape = [this] {
        if (m_onEscape) m_onEscape();
    };
    added->onEnter = [this, added] { makeKey(added); };
    if (keyHere || !m_keyPanel) m_keyPanel = added;
    m_panels.push_back(std::move(panel));
}

void OverlayGroup::show() {
    m_previousWindow = m_focus.activeWindow();
    for (const auto& panel : m_panels)
        panel->show();
    for (const auto& panel : m_panels)
        panel->raise();
    auto changed = [this] {
        if (m_onScreensChanged) m_onScreensChanged();
    };
    m_screenWatch.push_back(connect(qGuiApp, &QGuiApplication::screenRemoved, this, changed));
    for (QScreen* screen : QGuiApplication::screens()) {
        m_screenWatch.push_back(connect(screen, &QScreen::geometryChanged, this, changed));
    }
    ensureKeyboard();
}

void OverlayGroup::makeKey(OverlayPanel* panel) {
    if (m_keyPanel == panel) return ensureKeyboard();
    m_keyPanel = panel;
    // The grab moves with the key panel, so Esc reaches the screen the pointer is on.
    m_hasKeyboard = false;
    ensureKeyboard();
}

void OverlayGroup::ensureKeyboard() {
    if (m_closed || m_hasKeyboard || !m_keyPanel) return;
    m_hasKeyboard = m_keyPanel->takeKeyboard();
    if (m_hasKeyboard) {
        m_grabRetry.stop();
        return;
    }
    if (!m_toldRefusal) {
        std::fputs(
            "moxilane: another program holds the keyboard; Esc works once it lets go "
            "(a click without dragging cancels)\n",
            stderr);
        m_toldRefusal = true;
    }
    if (!m_grabRetry.isActive()) m_grabRetry.start();
}

void OverlayGroup::close() {
    if (m_closed) return;
    m_closed = true;
    m_grabRetry.stop();
    for (const auto& connection : m_screenWatch)
        disconnect(connection);
    for (const auto& panel : m_panels) {
        panel->onEscape = nullptr;
        panel->onEnter = nullptr;
        panel->hide();  // unmapping also ends the keyboard grab
    }
    if (m_previousWindow) m_focus.activate(*m_previousWindow);
    m_previousWindow.reset();
}

}  // namespace moxilane
