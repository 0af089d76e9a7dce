#include "platform/wayland/gnome/ScreenshotPermission.h"

#include "platform/Diagnostics.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMap>

namespace moxilane::wayland {

namespace {

const QString kStore = QStringLiteral("org.freedesktop.impl.portal.PermissionStore");
const QString kStorePath = QStringLiteral("/org/freedesktop/impl/portal/PermissionStore");
const QString kTable = QStringLiteral("screenshot");
const QString kNotFound = QStringLiteral("org.freedesktop.portal.Error.NotFound");
// Programs outside a sandbox have no application id of their own.
const QString kHostApp;

using AppPermissions = QMap<QString, QStringList>;

QDBusMessage storeCall(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kStore, kStorePath, kStore, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

}  // namespace

ScreenshotAnswer screenshotAnswer(const std::optional<QStringList>& stored) {
    if (!stored || stored->isEmpty()) return ScreenshotAnswer::unasked;
    if (stored->first() == u"yes") return ScreenshotAnswer::granted;
    if (stored->first() == u"no") return ScreenshotAnswer::denied;
    return ScreenshotAnswer::unasked;  // "ask" and whatever else: GNOME asks
}

std::expected<std::optional<QStringList>, QString> PortalPermissionStore::lookup() {
    qDBusRegisterMetaType<AppPermissions>();
    const QDBusMessage reply = storeCall(QStringLiteral("Lookup"), {kTable, kTable});
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == kNotFound) return std::optional<QStringList>();
        return std::unexpected(reply.errorMessage());
    }
    const auto apps = qdbus_cast<AppPermissions>(reply.arguments().value(0));
    if (!apps.contains(kHostApp)) return std::optional<QStringList>();
    return apps.value(kHostApp);
}

std::expected<void, QString> PortalPermissionStore::forget() {
    const QDBusMessage reply =
        storeCall(QStringLiteral("DeletePermission"), {kTable, kTable, kHostApp});
    if (reply.type() == QDBusMessage::ErrorMessage) return std::unexpected(reply.errorMessage());
    return {};
}

ScreenshotPermission::ScreenshotPermission(std::unique_ptr<ScreenshotPermissionStore> store,
                                           Alerts& alerts)
    : m_store(std::move(store)), m_alerts(alerts) {}

bool ScreenshotPermission::preflight() {
    const auto stored = m_store->lookup();
    // An unreadable store decides nothing: the portal itself answers the capture.
    if (!stored) {
        printDiagnostic(QStringLiteral("cannot read the screenshot permission: ") + stored.error());
        return true;
    }
    return screenshotAnswer(*stored) != ScreenshotAnswer::denied;
}

void ScreenshotPermission::request() {
    const auto forgotten = m_store->forget();
    const QString denied = QStringLiteral("GNOME has denied Moxilane's screenshots.");
    if (forgotten) {
        m_alerts.showAlert(alertMessage(),
                           denied + QStringLiteral(" Capture again: GNOME will ask once more "
                                                   "whether Moxilane may take screenshots; "
                                                   "choose Allow."));
        return;
    }
    m_alerts.showAlert(alertMessage(), denied +
                                           QStringLiteral(" Moxilane could not ask GNOME "
                                                          "again: ") +
                                           forgotten.error());
}

}  // namespace moxilane::wayland
