#include "platform/wayland/gnome/ScreenCastPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <optional>

namespace moxilane::wayland {

namespace {

using namespace std::chrono_literals;

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
constexpr auto kCallTimeout = 10s;

CaptureError castError(CaptureError::Kind kind, const QString& what) {
    return CaptureError{kind, QStringLiteral("screen cast: ") + what};
}

QString nextToken() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("moxilanecast%1_%2").arg(::getpid()).arg(++counter);
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

}  // namespace

// Receives one request's Response signal in the calling thread's own event loop.
class CastResponse final : public QObject {
    Q_OBJECT
public:
    QEventLoop loop;
    std::optional<uint> code;
    QVariantMap results;

public slots:
    void response(uint responseCode, const QVariantMap& responseResults) {
        code = responseCode;
        results = responseResults;
        loop.quit();
    }
};

namespace {

// One portal method that answers through a Request object: its results, or why not.
std::expected<QVariantMap, CaptureError> request(const QString& method, QVariantList arguments,
                                                 std::chrono::milliseconds answerTimeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::unexpected(castError(CaptureError::Kind::Refused, "no session bus"));
    const QString token = nextToken();
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QString path = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    CastResponse response;
    const char* slot = SLOT(response(uint, QVariantMap));
    const auto listen = [&](const QString& at, bool on) {
        on ? bus.connect(kPortal, at, kRequest, QStringLiteral("Response"), &response, slot)
           : bus.disconnect(kPortal, at, kRequest, QStringLiteral("Response"), &response, slot);
    };
    // Listening before the call: the answer cannot come before we listen.
    listen(path, true);
    auto options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kScreenCast, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(kCallTimeout.count() * 1000));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        listen(path, false);
        return std::unexpected(castError(CaptureError::Kind::Refused, reply.errorMessage()));
    }
    const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != path) {
        listen(path, false);
        path = handle;
        listen(path, true);
    }
    if (!response.code) {
        QTimer::singleShot(answerTimeout, &response.loop, &QEventLoop::quit);
        response.loop.exec();
    }
    listen(path, false);
    if (!response.code)
        return std::unexpected(
            castError(CaptureError::Kind::Declined,
                      QStringLiteral("no answer within %1 s").arg(answerTimeout.count() / 1000)));
    if (*response.code == 1)
        return std::unexpected(castError(CaptureError::Kind::Declined, "the user declined"));
    if (*response.code != 0)
        return std::unexpected(castError(CaptureError::Kind::Declined,
                                         QStringLiteral("refused (%1)").arg(*response.code)));
    return response.results;
}

}  // namespace

std::expected<std::unique_ptr<ScreenCastPortal>, CaptureError> ScreenCastPortal::start(
    const QString& restoreToken, std::chrono::milliseconds answerTimeout) {
    auto created =
        request(QStringLiteral("CreateSession"),
                {QVariantMap{{QStringLiteral("session_handle_token"), nextToken()}}}, kCallTimeout);
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

#include "ScreenCastPortal.moc"
