#include "platform/wayland/gnome/CustomKeybindings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

// GLib's headers name a struct member `signals`, which Qt defines as a keyword.
#undef signals
#include <gio/gio.h>

#include <memory>

namespace moxilane::wayland {

namespace {

constexpr char kSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kBindingSchema[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr char kListKey[] = "custom-keybindings";
const QString kPathBase =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using SettingsPtr = std::unique_ptr<GSettings, GObjectDeleter>;

// Our own path for a shortcut's command: "moxilane area" lives at …/moxilane-area/.
QString pathFor(const DesktopShortcut& shortcut) {
    QString word = shortcut.command.section(QLatin1Char(' '), -1);
    word.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]")), QStringLiteral("-"));
    return kPathBase + QStringLiteral("moxilane-") + word + QLatin1Char('/');
}

// The command as the daemon will run it: through PATH where PATH finds this very program,
// else by its full path (a build that is not installed).
QString runnable(const QString& command) {
    const QString program = command.section(QLatin1Char(' '), 0, 0);
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString found = QStandardPaths::findExecutable(program);
    if (self.isEmpty() || QFileInfo(found).canonicalFilePath() == self) return command;
    return self + command.mid(program.size());
}

bool schemaInstalled(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema) return false;
    g_settings_schema_unref(schema);
    return true;
}

QStringList readList(GSettings* settings) {
    QStringList list;
    gchar** paths = g_settings_get_strv(settings, kListKey);
    for (gchar** p = paths; *p; ++p)
        list << QString::fromUtf8(*p);
    g_strfreev(paths);
    return list;
}

bool writeString(GSettings* settings, const char* key, const QString& value) {
    return g_settings_set_string(settings, key, value.toUtf8().constData());
}

bool writeBinding(const CustomKeybinding& binding) {
    const QByteArray path = binding.path.toUtf8();
    SettingsPtr settings(g_settings_new_with_path(kBindingSchema, path.constData()));
    return writeString(settings.get(), "name", binding.name) &&
           writeString(settings.get(), "command", runnable(binding.command)) &&
           writeString(settings.get(), "binding", binding.binding);
}

bool writeList(GSettings* settings, const QStringList& list) {
    std::vector<QByteArray> bytes;
    std::vector<const gchar*> paths;
    for (const QString& path : list)
        bytes.push_back(path.toUtf8());
    for (const QByteArray& path : bytes)
        paths.push_back(path.constData());
    paths.push_back(nullptr);
    return g_settings_set_strv(settings, kListKey, paths.data());
}

}  // namespace

QString gnomeAccelerator(const QString& shortcut) {
    QStringList parts = shortcut.split(QLatin1Char('+'));
    QString accelerator;
    const QString key = parts.takeLast();
    for (const QString& modifier : parts) {
        if (modifier == u"Ctrl")
            accelerator += QStringLiteral("<Control>");
        else
            accelerator += QLatin1Char('<') + modifier + QLatin1Char('>');
    }
    return accelerator + key;
}

std::optional<int> gnomeShellVersion() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    const QString version =
        reply.arguments().value(0).value<QDBusVariant>().variant().toString();  // "43.9"
    bool ok = false;
    const int major = version.section(QLatin1Char('.'), 0, 0).toInt(&ok);
    return ok ? std::optional(major) : std::nullopt;
}

KeybindingPlan planKeybindings(const QStringList& userPaths,
                               const std::vector<DesktopShortcut>& shortcuts) {
    KeybindingPlan plan{userPaths, {}};
    for (const DesktopShortcut& shortcut : shortcuts) {
        const QString path = pathFor(shortcut);
        if (plan.paths.contains(path)) continue;
        plan.paths << path;
        plan.toWrite.push_back(
            {path, shortcut.name, shortcut.command, gnomeAccelerator(shortcut.shortcut)});
    }
    return plan;
}

std::expected<int, QString> CustomKeybindings::add(const std::vector<DesktopShortcut>& shortcuts) {
    if (!schemaInstalled(kSchema) || !schemaInstalled(kBindingSchema))
        return std::unexpected(QStringLiteral("GNOME's media-keys settings are not installed"));
    SettingsPtr settings(g_settings_new(kSchema));
    const KeybindingPlan plan = planKeybindings(readList(settings.get()), shortcuts);
    // The bindings first: the list never names one that is not there.
    for (const CustomKeybinding& binding : plan.toWrite)
        if (!writeBinding(binding))
            return std::unexpected(QStringLiteral("GNOME refused the shortcut ") + binding.name);
    if (!plan.toWrite.empty() && !writeList(settings.get(), plan.paths))
        return std::unexpected(QStringLiteral("GNOME refused the list of custom shortcuts"));
    g_settings_sync();
    return int(plan.toWrite.size());
}

}  // namespace moxilane::wayland
