#include "platform/posix/XdgAutostart.h"

#include "platform/AppId.h"
#include "platform/posix/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxilane {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

bool sameProgram(const QString& a, const QString& b) {
    if (a == b) return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// Writes a temporary beside path, then renames it over path, so a half-written entry
// never starts anything.
std::expected<void, int> writeAtomically(const QString& path, const QByteArray& contents) {
    QByteArray temporary = (path + QStringLiteral(".XXXXXX")).toLocal8Bit();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    const bool written = write(fd, contents.constData(), contents.size()) == contents.size() &&
                         fchmod(fd, 0644) == 0;
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        unlink(temporary.constData());
        return std::unexpected(error);
    }
    if (rename(temporary.constData(), path.toLocal8Bit().constData()) != 0) {
        const int error = errno;
        unlink(temporary.constData());
        return std::unexpected(error);
    }
    return {};
}

constexpr qint64 kMaxEntrySize = 64 * 1024;
const QString kManagedKey = QStringLiteral("X-Moxilane-Managed");

bool isSwitchedOff(const DesktopEntry& entry) {
    return entry.value(QStringLiteral("Hidden")) == QLatin1String("true") ||
           entry.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false");
}

bool isManaged(const DesktopEntry& entry) {
    return entry.value(kManagedKey) == QLatin1String("true");
}

std::optional<QByteArray> readEntry(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.read(kMaxEntrySize);
}

}  // namespace

struct XdgAutostart::Found {
    QString path;
    DesktopEntry entry;
};

XdgAutostart::XdgAutostart(QString autostartFolder, QString programPath, Questions& questions)
    : m_folder(std::move(autostartFolder)),
      m_programPath(std::move(programPath)),
      m_questions(questions) {}

QString XdgAutostart::userAutostartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostart::entryPath() const {
    return m_folder + QLatin1Char('/') + QLatin1String(kAppId) + QStringLiteral(".desktop");
}

bool XdgAutostart::startsThisProgram(const QString& exec) const {
    QString program = execProgram(exec);
    if (program.isEmpty()) return false;
    // A bare name is what the desktop's own entry and "startup applications" tools write.
    if (!program.contains(QLatin1Char('/'))) program = QStandardPaths::findExecutable(program);
    return !program.isEmpty() && sameProgram(program, m_programPath);
}

std::vector<XdgAutostart::Found> XdgAutostart::entriesStartingThisProgram() const {
    std::vector<Found> found;
    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString path = m_folder + QLatin1Char('/') + name;
        const auto bytes = readEntry(path);
        if (!bytes) continue;
        DesktopEntry entry = DesktopEntry::parse(*bytes);
        if (startsThisProgram(entry.value(QStringLiteral("Exec")).value_or(QString())))
            found.push_back({path, std::move(entry)});
    }
    return found;
}

// What the version before the managed key wrote, at moxilane.desktop: exactly these keys.
bool XdgAutostart::isEarlierVersionsEntry(const Found& found) const {
    if (QFileInfo(found.path).fileName() != QLatin1String("moxilane.desktop")) return false;
    const std::pair<const char*, const char*> written[] = {
        {"Type", "Application"},
        {"Name", "Moxilane"},
        {"Comment", "Screenshots from the system tray"},
        {"Icon", "moxilane"},
        {"Terminal", "false"},
        {"X-GNOME-Autostart-enabled", "true"}};
    QStringList expectedKeys{QStringLiteral("Exec")};
    for (const auto& [key, value] : written) {
        if (found.entry.value(QLatin1String(key)) != QLatin1String(value)) return false;
        expectedKeys << QLatin1String(key);
    }
    QStringList keys = found.entry.keys();
    keys.sort();
    expectedKeys.sort();
    return found.entry.groupCount() == 1 && keys == expectedKeys;
}

// An earlier version's entry moves to today's name, marked as ours.
std::expected<void, QString> XdgAutostart::adoptEarlierVersionsEntry() {
    for (const Found& found : entriesStartingThisProgram()) {
        if (!isEarlierVersionsEntry(found) || QFileInfo::exists(entryPath())) continue;
        const QByteArray bytes = found.entry.bytes() + kManagedKey.toUtf8() + "=true\n";
        if (auto written = writeAtomically(entryPath(), bytes); !written) {
            return std::unexpected(
                QStringLiteral("The autostart entry “%1” couldn’t be written: %2.")
                    .arg(entryPath(), systemError(written.error())));
        }
        unlink(QFile::encodeName(found.path).constData());
    }
    return {};
}

LoginItemStatus XdgAutostart::status() const {
    const auto found = entriesStartingThisProgram();
    const bool on = std::any_of(found.begin(), found.end(),
                                [](const Found& f) { return !isSwitchedOff(f.entry); });
    return on ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered;
}

std::expected<void, QString> XdgAutostart::registerItem() {
    if (auto adopted = adoptEarlierVersionsEntry(); !adopted) return adopted;
    const auto found = entriesStartingThisProgram();
    // One entry starts the program, never two: the user's own is switched back on.
    if (std::any_of(found.begin(), found.end(),
                    [](const Found& f) { return !isSwitchedOff(f.entry); }))
        return {};
    for (const Found& f : found) {
        if (isManaged(f.entry)) continue;
        DesktopEntry entry = f.entry;
        if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
            entry.replaceValue(QStringLiteral("Hidden"), QStringLiteral("false"));
        if (entry.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false"))
            entry.replaceValue(QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
        if (auto written = writeAtomically(f.path, entry.bytes()); !written) {
            return std::unexpected(
                QStringLiteral("The autostart entry “%1” couldn’t be written: %2.")
                    .arg(f.path, systemError(written.error())));
        }
        return {};
    }
    return writeOurEntry();
}

std::expected<void, QString> XdgAutostart::writeOurEntry() {
    const auto exec = execValue(m_programPath);
    if (!exec) return std::unexpected(exec.error());
    std::error_code error;
    std::filesystem::create_directories(m_folder.toStdString(), error);
    if (error) {
        return std::unexpected(QStringLiteral("The autostart folder “%1” couldn’t be made: %2.")
                                   .arg(m_folder, QString::fromLocal8Bit(error.message())));
    }
    // Someone else's entry under our name is theirs to keep.
    if (const auto existing = readEntry(entryPath());
        existing && !isManaged(DesktopEntry::parse(*existing))) {
        return std::unexpected(
            QStringLiteral(
                "The autostart entry “%1” was not made by Moxilane; it is left as it is.")
                .arg(entryPath()));
    }
    const QByteArray entry = QStringLiteral(
                                 "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Moxilane\n"
                                 "Comment=Screenshots from the system tray\n"
                                 "Exec=%1\n"
                                 "Icon=moxilane\n"
                                 "Terminal=false\n"
                                 "X-GNOME-Autostart-enabled=true\n"
                                 "%2=true\n")
                                 .arg(*exec, kManagedKey)
                                 .toUtf8();
    if (auto written = writeAtomically(entryPath(), entry); !written) {
        return std::unexpected(QStringLiteral("The autostart entry “%1” couldn’t be written: %2.")
                                   .arg(entryPath(), systemError(written.error())));
    }
    return {};
}

std::expected<void, QString> XdgAutostart::unregisterItem() {
    if (auto adopted = adoptEarlierVersionsEntry(); !adopted) return adopted;
    for (const Found& f : entriesStartingThisProgram()) {
        if (isSwitchedOff(f.entry)) continue;
        if (!isManaged(f.entry)) {
            const QString name =
                f.entry.value(QStringLiteral("Name")).value_or(QFileInfo(f.path).fileName());
            const bool remove = m_questions.ask(
                QStringLiteral("Remove the login entry “%1”?").arg(name),
                QStringLiteral("Moxilane did not make this entry in %1. Removing it stops "
                               "Moxilane from starting when you log in.")
                    .arg(m_folder),
                QStringLiteral("Remove"), QStringLiteral("Cancel"));
            if (!remove) continue;
        }
        if (unlink(QFile::encodeName(f.path).constData()) != 0 && errno != ENOENT) {
            return std::unexpected(
                QStringLiteral("The autostart entry “%1” couldn’t be removed: %2.")
                    .arg(f.path, systemError(errno)));
        }
    }
    return {};
}

}  // namespace moxilane
