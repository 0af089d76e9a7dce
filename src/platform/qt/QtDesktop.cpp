#include "platform/qt/QtDesktop.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace moxilane {

namespace {

// The desktop entries that the desktop's caches list for the type, the user's first.
QStringList applicationIds(const QString& mimeType) {
    const QString key = mimeType + u'=';
    QStringList ids;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QFile cache(QDir(folder).filePath(QStringLiteral("mimeinfo.cache")));
        if (!cache.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        while (!cache.atEnd()) {
            const QString line = QString::fromUtf8(cache.readLine()).trimmed();
            if (!line.startsWith(key)) continue;
            for (const QString& id : line.mid(key.size()).split(u';', Qt::SkipEmptyParts)) {
                if (!ids.contains(id)) ids << id;
            }
        }
    }
    return ids;
}

struct Entry {
    QString name;
    QString exec;
};

// The entry's name and command line, unless it is hidden or incomplete.
std::optional<Entry> readEntry(const QString& id) {
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    if (path.isEmpty()) return std::nullopt;
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    Entry read{entry.value(QStringLiteral("Name")).toString(),
               entry.value(QStringLiteral("Exec")).toString()};
    if (read.name.isEmpty() || read.exec.isEmpty() ||
        entry.value(QStringLiteral("NoDisplay")).toBool())
        return std::nullopt;
    return read;
}

// Field codes: the file for %f %F %u %U, nothing for the others; the file at the end when
// the line has no place for it.
QStringList commandFor(const QString& exec, const QString& filePath) {
    QStringList command;
    bool placed = false;
    for (const QString& word : QProcess::splitCommand(exec)) {
        if (word == QLatin1String("%f") || word == QLatin1String("%F")) {
            command << filePath;
            placed = true;
        } else if (word == QLatin1String("%u") || word == QLatin1String("%U")) {
            command << QUrl::fromLocalFile(filePath).toString();
            placed = true;
        } else if (!(word.size() == 2 && word.startsWith(u'%'))) {
            command << word;
        }
    }
    if (!placed && !command.isEmpty()) command << filePath;
    return command;
}

std::expected<void, QString> openUrl(const QString& path) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return {};
    return std::unexpected(QStringLiteral("No application of this desktop opens “%1”.")
                               .arg(QFileInfo(path).fileName()));
}

}  // namespace

std::expected<void, QString> QtDesktop::openFile(const QString& path) {
    return openUrl(path);
}

std::expected<void, QString> QtDesktop::revealFolder(const QString& path) {
    const QString uri = QUrl::fromLocalFile(path).toString();
    QDBusInterface fileManager(QStringLiteral("org.freedesktop.FileManager1"),
                               QStringLiteral("/org/freedesktop/FileManager1"),
                               QStringLiteral("org.freedesktop.FileManager1"),
                               QDBusConnection::sessionBus());
    if (fileManager.isValid()) {
        const QDBusMessage reply =
            fileManager.call(QStringLiteral("ShowItems"), QStringList{uri}, QString());
        if (reply.type() == QDBusMessage::ReplyMessage) return {};
    }
    // Without a file manager on the bus, open the folder itself; a file's folder for a file.
    const QFileInfo info(path);
    return openUrl(info.isDir() ? path : info.absolutePath());
}

std::vector<DesktopApplication> QtDesktop::applicationsFor(const QString& mimeType) {
    std::vector<DesktopApplication> applications;
    for (const QString& id : applicationIds(mimeType)) {
        if (const auto entry = readEntry(id)) applications.push_back({id, entry->name});
    }
    return applications;
}

std::expected<void, QString> QtDesktop::launch(const DesktopApplication& application,
                                               const QString& path) {
    const auto entry = readEntry(application.id);
    const QStringList command = entry ? commandFor(entry->exec, path) : QStringList();
    if (command.isEmpty()) {
        return std::unexpected(QStringLiteral("%1 is no longer installed.").arg(application.name));
    }
    QProcess process;
    process.setProgram(command.front());
    process.setArguments(command.mid(1));
    if (!process.startDetached()) {
        return std::unexpected(
            QStringLiteral("%1 could not start: %2").arg(application.name, process.errorString()));
    }
    return {};
}

std::expected<void, QString> QtDesktop::copyFile(const QString& path) {
    if (!QFileInfo::exists(path))
        return std::unexpected(QStringLiteral("“%1” no longer exists.").arg(path));
    auto data = std::make_unique<QMimeData>();
    const QUrl url = QUrl::fromLocalFile(path);
    data->setUrls({url});
    // File managers paste this as a copy of the file.
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray("copy\n") + url.toEncoded());
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
    return {};
}

}  // namespace moxilane
