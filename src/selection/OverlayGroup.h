#pragma once

#include "platform/WindowFocus.h"
#include "selection/OverlayPanel.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

namespace moxilane {

// The overlay panels of one selection at a time, shown together: one of them holds the
// keyboard, the previously active window gets the focus back when they close, and a
// screen that changes or goes away ends the selection (its snapshot no longer shows what
// is there). Lives as long as its controller; the panels belong to the controller.
class OverlayGroup final : public QObject {
    Q_OBJECT
public:
    // onEscape: Esc on any panel; onScreensChanged: a screen was removed or moved.
    OverlayGroup(WindowFocus& focus, std::function<void()> onEscape,
                 std::function<void()> onScreensChanged);
    ~OverlayGroup() override;

    // Shows the panels and takes the keyboard for keyPanel (the one under the pointer),
    // retrying every 100 ms and whenever the pointer enters a panel while another program
    // holds it.
    void open(const std::vector<OverlayPanel*>& panels, OverlayPanel* keyPanel);
    // Hides the panels, lets the keyboard go and hands the focus back.
    void close();

private:
    void makeKey(OverlayPanel* panel);
    void ensureKeyboard();

    WindowFocus& m_focus;
    std::function<void()> m_onEscape;
    std::function<void()> m_onScreensChanged;
    std::vector<OverlayPanel*> m_panels;
    OverlayPanel* m_keyPanel = nullptr;
    bool m_open = false;
    bool m_hasKeyboard = false;
    bool m_toldRefusal = false;
    std::optional<std::uint32_t> m_previousWindow;
    QTimer m_grabRetry;
    std::vector<QMetaObject::Connection> m_screenWatch;
};

}  // namespace moxilane
