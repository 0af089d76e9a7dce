#include "platform/wayland/kde/PortalKeyGrabber.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

#include <cstdio>

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

QString portalTrigger(std::uint32_t keyCode, std::uint32_t modifiers) {
    static const std::pair<std::uint32_t, char> kDigits[] = {
        {hotkeys::kKey1, '1'}, {hotkeys::kKey2, '2'}, {hotkeys::kKey3, '3'}, {hotkeys::kKey4, '4'},
        {hotkeys::kKey5, '5'}, {hotkeys::kKey6, '6'}, {hotkeys::kKey7, '7'}, {hotkeys::kKey8, '8'},
        {hotkeys::kKey9, '9'}, {hotkeys::kKey0, '0'}};
    QString key;
    for (const auto& [code, digit] : kDigits)
        if (code == keyCode) key = QChar::fromLatin1(digit);
    if (key.isEmpty()) return {};
    QString trigger;
    if (modifiers & hotkeys::kControl) trigger += QStringLiteral("CTRL+");
    if (modifiers & hotkeys::kOption) trigger += QStringLiteral("ALT+");
    if (modifiers & hotkeys::kShift) trigger += QStringLiteral("SHIFT+");
    if (modifiers & hotkeys::kCommand) trigger += QStringLiteral("LOGO+");
    return trigger + key;
}

PortalKeyGrabber::PortalKeyGrabber(Namer namer) : m_namer(std::move(namer)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection::sessionBus().connect(
        kPortal, kPortalPath, kShortcuts, QStringLiteral("Activated"), this,
        SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

void PortalKeyGrabber::setPressHandler(std::function<void(HotKeyID)> handler) {
    m_handler = std::move(handler);
}

bool PortalKeyGrabber::grab(std::uint32_t keyCode, std::uint32_t modifiers, HotKeyID hotKey) {
    const std::optional<Named> named = m_namer(keyCode);
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
    m_session = results.value(QStringLiteral("session_handle")).toString();
    if (code != 0 || m_session.isEmpty()) {
        printLine(QStringLiteral("the desktop's shortcuts portal gave no session (%1); bind "
                                 "`moxilane area` (or window, screen, scroll) in the keyboard "
                                 "settings instead")
                      .arg(code));
        return;
    }
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

void PortalKeyGrabber::activated(const QDBusObjectPath& session, const QString& shortcutId,
                                 qulonglong, const QVariantMap&) {
    if (session.path() != m_session) return;
    const auto found = m_hotKeys.find(shortcutId);
    if (found != m_hotKeys.end() && m_handler) m_handler(found->second);
}

}  // namespace moxilane::wayland
