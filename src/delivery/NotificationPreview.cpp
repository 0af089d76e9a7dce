#include "delivery/NotificationPreview.h"

#include "platform/AppId.h"
#include "platform/Diagnostics.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>

namespace moxilane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kThumbnailPx = 256;

// The "image-data" hint: width, height, row stride, alpha, bits per sample, channels, bytes.
struct NotificationImage {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationImage& picture) {
    const QImage& image = picture.image;
    argument.beginStructure();
    argument << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char*>(image.constBits()),
                           qsizetype(image.sizeInBytes()));
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationImage&) {
    return argument;  // never read back
}

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    message.setArguments(arguments);
    return message;
}

}  // namespace

}  // namespace moxilane

Q_DECLARE_METATYPE(moxilane::NotificationImage)

namespace moxilane {

NotificationPreview::NotificationPreview() {
    qDBusRegisterMetaType<NotificationImage>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(closed(uint, uint)));
}

NotificationPreview::~NotificationPreview() {
    dismiss(false);
}

QString NotificationPreview::body(const PreviewActions& outcome) {
    if (outcome.copyRefused) {
        return (outcome.saved ? QStringLiteral("Saved, but not copied")
                              : QStringLiteral("Not copied")) +
               QStringLiteral(
                   ": GNOME takes a copy only from a window you are using. Click to edit it, "
                   "where Copy works.");
    }
    if (outcome.saved && outcome.copied)
        return QStringLiteral("Saved and copied to the clipboard. Click to edit it.");
    if (outcome.copied) return QStringLiteral("Copied to the clipboard. Click to edit it.");
    if (outcome.saved) return QStringLiteral("Saved. Click to edit it.");
    return QStringLiteral("Click to edit it.");
}

void NotificationPreview::show(const QImage& image, double, PreviewActions actions) {
    m_actions = std::move(actions);
    const QImage thumbnail =
        image.scaled(kThumbnailPx, kThumbnailPx, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGBA8888);
    QVariantMap hints{
        {QStringLiteral("image-data"), QVariant::fromValue(NotificationImage{thumbnail})},
        {QStringLiteral("desktop-entry"), QString::fromLatin1(kAppId)}};
    QStringList actionList;
    if (m_actions.edit) actionList << QStringLiteral("default") << QStringLiteral("Edit");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        call(QStringLiteral("Notify"),
             {QStringLiteral("Moxilane"), m_id, QString(), QStringLiteral("Screenshot taken"),
              body(m_actions), actionList, hints, -1}),
        QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        printDiagnostic(QStringLiteral("no notification for the capture: ") + reply.errorMessage());
        return;
    }
    m_id = reply.arguments().value(0).toUInt();
}

void NotificationPreview::dismiss(bool) {
    if (m_id == 0) return;
    QDBusConnection::sessionBus().asyncCall(call(QStringLiteral("CloseNotification"), {m_id}));
    m_id = 0;
    m_actions = {};
}

void NotificationPreview::actionInvoked(uint id, const QString& action) {
    if (id != m_id || m_id == 0 || action != u"default" || !m_actions.edit) return;
    const auto edit = m_actions.edit;
    dismiss(false);
    edit();
}

void NotificationPreview::closed(uint id, uint) {
    if (id == m_id) m_id = 0;
}

}  // namespace moxilane
