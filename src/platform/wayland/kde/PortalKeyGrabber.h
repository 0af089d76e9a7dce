#pragma once

#include "platform/KeyGrabber.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>

namespace moxilane::wayland {

// One shortcut as the GlobalShortcuts portal takes it: an id and its description and
// preferred trigger.
struct PortalShortcut {
    QString id;
    QVariantMap options;
};

// Global shortcuts through the desktop's GlobalShortcuts portal (Plasma): the desktop owns
// the keys and the user may rebind them in its settings. The shortcuts are bound in one
// session whose token never changes, since Plasma stores the user's triggers under it; Plasma
// 5.27 binds only the shortcuts passed when the session is created, so they go there too.
// Grabs made in one turn of the event loop are bound together in the next. Main thread.
class PortalKeyGrabber final : public QObject, public KeyGrabber {
    Q_OBJECT
public:
    explicit PortalKeyGrabber(ShortcutNamer names);

    void setPressHandler(std::function<void(HotKeyID)> handler) override;
    // Succeeds when the key has a name; the portal's refusal comes later, on standard error.
    [[nodiscard]] bool grab(std::uint32_t keyCode, std::uint32_t modifiers,
                            HotKeyID hotKey) override;

private slots:
    void sessionCreated(uint code, const QVariantMap& results);
    void shortcutsBound(uint code, const QVariantMap& results);
    // Activated(o session, s shortcut id, t timestamp, a{sv} options); taken whole, since
    // QtDBus refuses a slot of that exact signature.
    void activated(const QDBusMessage& signal);

private:
    void createSession();
    // Calls a portal method whose answer comes as a Response signal to slot.
    bool request(const QString& method, QVariantList arguments, const char* slot);

    ShortcutNamer m_names;
    std::function<void(HotKeyID)> m_handler;
    QList<PortalShortcut> m_shortcuts;
    std::map<QString, HotKeyID> m_hotKeys;  // by shortcut id
    bool m_bindQueued = false;
    QString m_session;
};

// The portal's trigger for a portable key code and modifiers: Ctrl+Shift+1 is "CTRL+exclam";
// empty for a key off the number row.
[[nodiscard]] QString portalTrigger(std::uint32_t keyCode, std::uint32_t modifiers);

}  // namespace moxilane::wayland
