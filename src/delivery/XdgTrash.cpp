#include "delivery/XdgTrash.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <unistd.h>

namespace moxilane {

namespace {

QString canonical(const QString& path) {
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

bool isStrictlyInside(const QString& path, const QString& folder) {
    return path.startsWith(folder + QLatin1Char('/')) && path.size() > folder.size() + 1;
}

}  // namespace

XdgTrash::XdgTrash(QString homeTrash) : m_homeTrash(std::move(homeTrash)) {}

QString XdgTrash::defaultHomeTrash() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Trash");
}

QStringList XdgTrash::trashesFor(const QString& canonicalPath) const {
    QStringList trashes{canonical(m_homeTrash)};
    const QStorageInfo volume(canonicalPath);
    if (volume.isValid()) {
        const QString top = volume.rootPath() == QLatin1String("/") ? QString() : volume.rootPath();
        const QString uid = QString::number(::getuid());
        trashes << canonical(top + QStringLiteral("/.Trash/") + uid)
                << canonical(top + QStringLiteral("/.Trash-") + uid);
    }
    return trashes;
}

bool XdgTrash::contains(const QString& path) const {
    const QString target = canonical(path);
    const QStringList trashes = trashesFor(target);
    return std::any_of(trashes.begin(), trashes.end(), [&](const QString& trash) {
        return isStrictlyInside(target, trash + QStringLiteral("/files"));
    });
}

}  // namespace moxilane
