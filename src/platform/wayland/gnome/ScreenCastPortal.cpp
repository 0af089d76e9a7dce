#include "platform/wayland/gnome/ScreenCastPortal.h"

#include "platform/wayland/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

#include <optional>

namespace moxilane::wayland {

namespace {

using namespace std::chrono_literals;

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
constexpr auto kCallTimeout = 10s;

CaptureError castError(CaptureError::Kind kind, const QString& what) {
    return CaptureError{kind, QStringLiteral("screen cast: ") + what};
}

// Portal structures arrive as D-Bus arguments; a position or size is a pair of ints.
QPoint intPair(const QVariant& value) {
    int first = 0, second = 0;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        argument.beginStructure();
        argument >> first >> second;
        argument.endStructure();
    }
    return {first, second};
}

std::optional<CastSource> firstStream(const QVariant& streams) {
    if (!streams.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = streams.value<QDBusArgument>();
    std::optional<CastSource> found;
    argument.beginArray();
    while (!argument.atEnd()) {
        unsigned node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        if (found) continue;
        const QPoint size = intPair(properties.value(QStringLiteral("size")));
        found = CastSource{node, QRect(intPair(properties.value(QStringLiteral("position"))),
                                       QSize(size.x(), size.y()))};
    }
    argument.endArray();
    return found;
}

std::expected<QVariantMap, CaptureError> request(const QString& method, QVariantList arguments,
                                                 std::chrono::milliseconds answerTimeout) {
    const auto answer =
        callPortal(kScreenCast, method, std::move(arguments), kCallTimeout, answerTimeout);
    if (!answer) return std::unexpected(castError(CaptureError::Kind::Refused, answer.error()));
    if (!answer->code)
        return std::unexpected(
            castError(CaptureError::Kind::Declined,
                      QStringLiteral("no answer within %1 s").arg(answerTimeout.count() / 1000)));
    if (*answer->code == 1)
        return std::unexpected(castError(CaptureError::Kind::Declined, "the user declined"));
    if (*answer->code != 0)
        return std::unexpected(castError(CaptureError::Kind::Declined,
                                         QStringLiteral("refused (%1)").arg(*answer->code)));
    return answer->results;
}

}  // namespace

std::expected<std::unique_ptr<ScreenCastPortal>, CaptureError> ScreenCastPortal::start(
    const QString& restoreToken, std::chrono::milliseconds answerTimeout) {
    auto created = request(QStringLiteral("CreateSession"),
                           {QVariantMap{{QStringLiteral("session_handle_token"), portalToken()}}},
                           kCallTimeout);
    if (!created) return std::unexpected(created.error());
    std::unique_ptr<ScreenCastPortal> portal(
        new ScreenCastPortal(created->value(QStringLiteral("session_handle")).toString()));
    const QDBusObjectPath session(portal->m_session);
    QVariantMap options{{QStringLiteral("types"), 1u},  // a monitor
                        {QStringLiteral("multiple"), false},
                        {QStringLiteral("cursor_mode"), 1u},    // hidden
                        {QStringLiteral("persist_mode"), 2u}};  // until the user revokes it
    if (!restoreToken.isEmpty()) options.insert(QStringLiteral("restore_token"), restoreToken);
    auto selected = request(QStringLiteral("SelectSources"),
                            {QVariant::fromValue(session), options}, kCallTimeout);
    if (!selected) return std::unexpected(selected.error());
    auto started = request(QStringLiteral("Start"),
                           {QVariant::fromValue(session), QString(), QVariantMap()}, answerTimeout);
    if (!started) return std::unexpected(started.error());
    const auto source = firstStream(started->value(QStringLiteral("streams")));
    if (!source)
        return std::unexpected(castError(CaptureError::Kind::Declined, "no screen was shared"));
    portal->m_source = *source;
    portal->m_restoreToken = started->value(QStringLiteral("restore_token")).toString();
    return portal;
}

std::expected<int, CaptureError> ScreenCastPortal::openPipeWireRemote() {
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kScreenCast,
                                                       QStringLiteral("OpenPipeWireRemote"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap();
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, int(kCallTimeout.count() * 1000));
    const auto descriptor = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (reply.type() != QDBusMessage::ReplyMessage || !descriptor.isValid())
        return std::unexpected(
            castError(CaptureError::Kind::Refused,
                      QStringLiteral("no PipeWire connection: %1").arg(reply.errorMessage())));
    const int fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return std::unexpected(castError(CaptureError::Kind::Refused, "no descriptor left"));
    return fd;
}

ScreenCastPortal::~ScreenCastPortal() {
    if (m_session.isEmpty()) return;
    QDBusMessage close = QDBusMessage::createMethodCall(
        kPortal, m_session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::Block, int(kCallTimeout.count() * 1000));
}

}  // namespace moxilane::wayland
