#include "markup/ShareMenu.h"

#include "platform/Services.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace moxilane {

namespace {

struct Application {
    QString name;
    QStringList command;  // program and arguments, the file already in place
};

// The .desktop files that the desktop's caches list for PNG images, the user's first.
QStringList pngApplicationIds() {
    QStringList ids;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QFile cache(QDir(folder).filePath(QStringLiteral("mimeinfo.cache")));
        if (!cache.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        while (!cache.atEnd()) {
            const QString line = QString::fromUtf8(cache.readLine()).trimmed();
            if (!line.startsWith(QLatin1String("image/png="))) continue;
            for (const QString& id : line.mid(10).split(u';', Qt::SkipEmptyParts)) {
                if (!ids.contains(id)) ids << id;
            }
        }
    }
    return ids;
}

std::optional<Application> readApplication(const QString& id, const QString& filePath) {
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    if (path.isEmpty()) return std::nullopt;
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString name = entry.value(QStringLiteral("Name")).toString();
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    if (name.isEmpty() || exec.isEmpty() || entry.value(QStringLiteral("NoDisplay")).toBool())
        return std::nullopt;
    // Field codes: the file for %f %F %u %U, nothing for the others.
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
    if (command.isEmpty()) return std::nullopt;
    if (!placed) command << filePath;
    return Application{name, command};
}

void copyFileToClipboard(const QString& filePath) {
    auto data = std::make_unique<QMimeData>();
    const QUrl url = QUrl::fromLocalFile(filePath);
    data->setUrls({url});
    // File managers paste this as a copy of the file.
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray("copy\n") + url.toEncoded());
    QApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

}  // namespace

QMenu* makeShareMenu(const QString& filePath, Desktop& desktop, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Open"), menu,
                    [&desktop, filePath] { desktop.openFile(filePath); });
    QMenu* openWith = menu->addMenu(QStringLiteral("Open With"));
    for (const QString& id : pngApplicationIds()) {
        if (const auto app = readApplication(id, filePath)) {
            openWith->addAction(app->name, menu, [command = app->command] {
                QProcess::startDetached(command.front(), command.mid(1));
            });
        }
    }
    openWith->setEnabled(!openWith->isEmpty());
    menu->addAction(QStringLiteral("Show in File Manager"), menu,
                    [&desktop, filePath] { desktop.revealFolder(filePath); });
    menu->addAction(QStringLiteral("Copy File"), menu,
                    [filePath] { copyFileToClipboard(filePath); });
    return menu;
}

}  // namespace moxilane
