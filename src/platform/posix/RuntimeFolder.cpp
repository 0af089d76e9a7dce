#include "platform/posix/RuntimeFolder.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace moxilane {

std::expected<QString, QString> userRuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) return runtime;
    return privateFolderIn(QStringLiteral("/tmp"), getuid());
}

std::expected<QString, QString> privateFolderIn(const QString& base, uid_t uid) {
    const QString path = QStringLiteral("%1/moxilane-%2").arg(base).arg(uid);
    const QByteArray native = path.toLocal8Bit();
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return std::unexpected(QStringLiteral("cannot make %1: %2")
                                   .arg(path, QString::fromLocal8Bit(strerror(errno))));
    }
    struct stat info {};
    if (lstat(native.constData(), &info) != 0) {
        return std::unexpected(
            QStringLiteral("cannot use %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != uid || (info.st_mode & 077) != 0) {
        return std::unexpected(
            QStringLiteral("%1 is not a private folder of user %2 (owner %3, mode %4)")
                .arg(path)
                .arg(uid)
                .arg(info.st_uid)
                .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0')));
    }
    return path;
}

QString displayKey(const QString& display) {
    QString key = display;
    if (key.startsWith(QLatin1String("unix:"))) key.remove(0, 4);
    // The screen number after the dot is the same server, so the same agent.
    const qsizetype colon = key.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = key.indexOf(QLatin1Char('.'), colon + 1);
    if (colon >= 0 && dot > colon) key.truncate(dot);
    key.replace(QLatin1Char('/'), QLatin1Char('_'));
    return key;
}

AgentAddress agentAddress(const QString& runtimeFolder, const QString& display) {
    const QString stem = runtimeFolder + QStringLiteral("/moxilane-") + displayKey(display);
    return {stem + QStringLiteral(".lock"), stem + QStringLiteral(".socket")};
}

bool runsOnWayland() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           (platform.isEmpty() || platform.startsWith(QLatin1String("wayland")));
}

QString sessionDisplay() {
    return runsOnWayland() ? qEnvironmentVariable("WAYLAND_DISPLAY")
                           : qEnvironmentVariable("DISPLAY");
}

}  // namespace moxilane
