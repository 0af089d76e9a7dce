#include "selection/OverlayGroup.h"

#include "platform/Diagnostics.h"
#include "platform/qt/QtScreens.h"

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

void OverlayGroup::open(const std::vector<OverlayPanel*>& panels, OverlayPanel* keyPanel) {
    m_panels = panels;
    m_keyPanel = keyPanel;
    m_open = true;
    m_hasKeyboard = false;
    m_toldRefusal = false;
    m_previousWindow = m_focus.activeWindow();
    for (OverlayPanel* panel : m_panels) {
        // Both stay set after the selection; m_open tells whether they still mean anything.
        panel->onEscape = [this] {
            if (m_open && m_onEscape) m_onEscape();
        };
        panel->onEnter = [this, panel] {
            if (m_open) makeKey(panel);
        };
        panel->show();
        panel->raise();
    }
    auto changed = [this] {
        if (m_open && m_onScreensChanged) m_onScreensChanged();
    };
    m_screenWatch = QtScreens::watchChanges(this, changed);
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
    if (!m_open || m_hasKeyboard || !m_keyPanel) return;
    m_hasKeyboard = m_keyPanel->takeKeyboard();
    if (m_hasKeyboard) {
        m_grabRetry.stop();
        return;
    }
    if (!m_toldRefusal) {
        printDiagnostic(
            QStringLiteral("another program holds the keyboard; Esc works once it lets go "
                           "(a click without dragging cancels)"));
        m_toldRefusal = true;
    }
    if (!m_grabRetry.isActive()) m_grabRetry.start();
}

void OverlayGroup::close() {
    if (!m_open) return;
    m_open = false;
    m_grabRetry.stop();
    for (const auto& connection : m_screenWatch)
        disconnect(connection);
    m_screenWatch.clear();
    for (OverlayPanel* panel : m_panels)
        panel->hide();  // unmapping also ends the keyboard grab
    m_panels.clear();
    m_keyPanel = nullptr;
    if (m_previousWindow) m_focus.activate(*m_previousWindow);
    m_previousWindow.reset();
}

}  // namespace moxilane
