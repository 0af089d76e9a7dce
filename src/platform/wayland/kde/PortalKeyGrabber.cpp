#include "platform/wayland/kde/PortalKeyGrabber.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <iterator>

Q_DECLARE_METATYPE(moxilane::wayland::PortalShortcut)

namespace moxilane::wayland {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// Never changes: the desktop keeps the user's triggers under the session's token.
const QString kSessionToken = QStringLiteral("moxilane");

void printLine(const QString& text) {
    const QByteArray line = (QStringLiteral("moxilane: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

QString nextToken() {
    static unsigned counter = 0;
    return QStringLiteral("moxilane_keys_%1").arg(++counter);
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}

// Plasma matches a shortcut by the symbol the keys give, and drops Shift where Shift changes
// the symbol: Ctrl+Shift on the key 1 arrives as Ctrl+!. A number-row trigger with Shift is
// therefore named by the shifted symbol of that key position, as the US layout prints it.
QString portalTrigger(std::uint32_t keyCode, std::uint32_t modifiers) {
    struct Key {
        std::uint32_t code;
        const char* plain;
        const char* shifted;
    };
    static const Key kKeys[] = {
        {hotkeys::kKey1, "1", "exclam"},     {hotkeys::kKey2, "2", "at"},
        {hotkeys::kKey3, "3", "numbersign"}, {hotkeys::kKey4, "4", "dollar"},
        {hotkeys::kKey5, "5", "percent"},    {hotkeys::kKey6, "6", "asciicircum"},
        {hotkeys::kKey7, "7", "ampersand"},  {hotkeys::kKey8, "8", "asterisk"},
        {hotkeys::kKey9, "9", "parenleft"},  {hotkeys::kKey0, "0", "parenright"}};
    const auto key = std::ranges::find(kKeys, keyCode, &Key::code);
    if (key == std::end(kKeys)) return {};
    QString trigger;
    if (modifiers & hotkeys::kControl) trigger += QStringLiteral("CTRL+");
    if (modifiers & hotkeys::kOption) trigger += QStringLiteral("ALT+");
    if (modifiers & hotkeys::kCommand) trigger += QStringLiteral("LOGO+");
    return trigger + QLatin1String((modifiers & hotkeys::kShift) ? key->shifted : key->plain);
}

PortalKeyGrabber::PortalKeyGrabber(ShortcutNamer names) : m_names(std::move(names)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection::sessionBus().connect(kPortal, kPortalPath, kShortcuts,
                                          QStringLiteral("Activated"), this,
                                          SLOT(activated(QDBusMessage)));
}

void PortalKeyGrabber::setPressHandler(std::function<void(HotKeyID)> handler) {
    m_handler = std::move(handler);
}

bool PortalKeyGrabber::grab(std::uint32_t keyCode, std::uint32_t modifiers, HotKeyID hotKey) {
    const std::optional<ShortcutName> named = m_names(keyCode);
    const QString trigger = portalTrigger(keyCode, modifiers);
    if (!named || trigger.isEmpty()) return false;
    m_shortcuts.push_back({named->id,
                           {{QStringLiteral("description"), named->description},
                            {QStringLiteral("preferred_trigger"), trigger}}});
    m_hotKeys[named->id] = hotKey;
    if (!std::exchange(m_bindQueued, true))
        QTimer::singleShot(0, this, [this] { createSession(); });
    return true;
}

bool PortalKeyGrabber::request(const QString& method, QVariantList arguments, const char* slot) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = nextToken();
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path =
        kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    // Listening before the call: the answer cannot come before we listen.
    bus.connect(kPortal, path, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, slot);
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    printLine(QStringLiteral("the desktop's shortcuts portal refused %1: %2; bind `moxilane "
                             "area` (or window, screen, scroll) in the keyboard settings instead")
                  .arg(method, reply.errorMessage()));
    return false;
}

void PortalKeyGrabber::createSession() {
    m_bindQueued = false;
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), kSessionToken},
                         {QStringLiteral("shortcuts"), QVariant::fromValue(m_shortcuts)}}},
            SLOT(sessionCreated(uint, QVariantMap)));
}

void PortalKeyGrabber::sessionCreated(uint code, const QVariantMap& results) {
    // An object path in the portal's documentation, a string in some versions of it.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                     : handle.toString();
    if (code != 0 || m_session.isEmpty()) {
        printLine(QStringLiteral("the desktop's shortcuts portal gave no session (%1); bind "
                                 "`moxilane area` (or window, screen, scroll) in the keyboard "
                                 "settings instead")
                      .arg(code));
        return;
    }
    // Plasma 5.27 binds them with the session and answers with them; asking again would show
    // the user a dialog at every start.
    if (!results.value(QStringLiteral("shortcuts")).isNull()) return;
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(m_shortcuts),
             QString(), QVariantMap()},
            SLOT(shortcutsBound(uint, QVariantMap)));
}

void PortalKeyGrabber::shortcutsBound(uint code, const QVariantMap&) {
    if (code != 0)
        printLine(QStringLiteral("the desktop did not bind the shortcuts (%1); bind `moxilane "
                                 "area` (or window, screen, scroll) in the keyboard settings")
                      .arg(code));
}

void PortalKeyGrabber::activated(const QDBusMessage& signal) {
    const QVariantList arguments = signal.arguments();
    if (arguments.size() < 2 || m_session.isEmpty()) return;
    const QString session = arguments[0].value<QDBusObjectPath>().path();
    if (session != m_session) return;
    const auto found = m_hotKeys.find(arguments[1].toString());
    if (found != m_hotKeys.end() && m_handler) m_handler(found->second);
}

}  // namespace moxilane::wayland
