#include "platform/wayland/PortalRequest.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

#include <unistd.h>

#include <atomic>
#include <optional>

namespace moxilane::wayland {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

CaptureError portalError(const QString& what) {
    return CaptureError{CaptureError::Kind::Refused, QStringLiteral("screenshot portal: ") + what};
}

}  // namespace

QString portalToken() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("moxilane%1_%2").arg(::getpid()).arg(++counter);
}

// Receives the request's one Response signal in the calling thread's own event loop.
class PortalResponse final : public QObject {
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

std::expected<PortalAnswer, QString> callPortal(const QString& interface, const QString& method,
                                                QVariantList arguments,
                                                std::chrono::milliseconds callTimeout,
                                                std::chrono::milliseconds answerTimeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::unexpected(QStringLiteral("no session bus"));
    // The portal answers on a path made of our bus name and the token; listening there
    // before the call means the answer cannot arrive before we listen.
    const QString token = portalToken();
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QString path = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    PortalResponse response;
    const auto listen = [&](const QString& at, bool on) {
        const char* slot = SLOT(response(uint, QVariantMap));
        return on ? bus.connect(kPortal, at, kRequest, QStringLiteral("Response"), &response, slot)
                  : bus.disconnect(kPortal, at, kRequest, QStringLiteral("Response"), &response,
                                   slot);
    };
    listen(path, true);

    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(callTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        listen(path, false);
        return std::unexpected(reply.errorMessage());
    }
    // Portals before version 0.9 chose the path themselves.
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
    return PortalAnswer{response.code, response.results};
}

std::expected<QString, CaptureError> requestPortalScreenshot(std::chrono::milliseconds timeout,
                                                             bool interactive) {
    const auto answer = callPortal(
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
        {QString(), QVariantMap{{QStringLiteral("interactive"), interactive}}}, timeout, timeout);
    if (!answer) return std::unexpected(portalError(answer.error()));
    if (!answer->code) return std::unexpected(portalError(QStringLiteral("no answer in time")));
    if (*answer->code == 1)
        return std::unexpected(CaptureError{CaptureError::Kind::Cancelled,
                                            QStringLiteral("screenshot portal: cancelled")});
    const QString uri = answer->results.value(QStringLiteral("uri")).toString();
    if (*answer->code != 0 || uri.isEmpty())
        return std::unexpected(portalError(QStringLiteral("refused (%1)").arg(*answer->code)));
    return uri;
}

}  // namespace moxilane::wayland

#include "PortalRequest.moc"
