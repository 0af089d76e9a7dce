#include "delivery/SaveLocationStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace moxilane {

namespace {

struct ResolvedReference {
    QString path;
    bool isStale = false;  // stored in another form than the plain absolute path
};

std::optional<ResolvedReference> resolve(const QVariant& stored) {
    QString text;
    switch (stored.typeId()) {
        case QMetaType::QString:
            text = stored.toString();
            break;
        case QMetaType::QByteArray:
            text = QString::fromUtf8(stored.toByteArray());
            break;
        default:
            return std::nullopt;
    }
    text = text.trimmed();
    QString path = text;
    if (path.startsWith(QLatin1String("file:"))) {
        const QUrl url(path);
        if (!url.isLocalFile()) return std::nullopt;
        path = url.toLocalFile();
    } else if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    if (!QDir::isAbsolutePath(path)) return std::nullopt;
    path = QDir::cleanPath(path);
    const bool isPlain = stored.typeId() == QMetaType::QString && stored.toString() == path;
    return ResolvedReference{path, !isPlain};
}

}  // namespace

SaveLocationStore::SaveLocationStore(Settings& settings, FolderPicker& picker, XdgTrash trash)
    : m_settings(settings), m_picker(picker), m_trash(std::move(trash)) {}

std::optional<QString> SaveLocationStore::currentFolder() {
    const auto stored = m_settings.saveFolderBookmark();
    if (!stored) return std::nullopt;
    const auto reference = resolve(*stored);
    if (!reference) return std::nullopt;
    const QFileInfo info(reference->path);
    if (!info.exists() || !info.isDir()) return std::nullopt;
    if (m_trash.contains(reference->path)) return std::nullopt;
    if (reference->isStale) m_settings.setSaveFolderBookmark(reference->path);
    return reference->path;
}

bool SaveLocationStore::promptForFolder() {
    const QStringList desktops = QStandardPaths::standardLocations(QStandardPaths::DesktopLocation);
    const QString start = desktops.isEmpty() ? QString() : desktops.front();
    const auto picked = m_picker.pickFolder(pickerMessage(), start);
    if (!picked || picked->isEmpty()) return false;
    m_settings.setSaveFolderBookmark(QDir::cleanPath(QFileInfo(*picked).absoluteFilePath()));
    return true;
}

void revealSaveFolder(SaveLocationStore& store, Desktop& desktop, Alerts& alerts) {
    if (!store.currentFolder() && !store.promptForFolder()) return;
    if (const auto folder = store.currentFolder()) {
        desktop.revealFolder(*folder);
        return;
    }
    alerts.showAlert(QStringLiteral("Could Not Access the Save Folder"),
                     QStringLiteral("Use \"Save To…\" to choose the folder again."));
}

}  // namespace moxilane
