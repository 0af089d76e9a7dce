#include "platform/posix/PrivateFiles.h"

#include "platform/posix/RuntimeFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxilane {

namespace {

constexpr int kAttempts = 100;

QString systemError(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// Closes the descriptor it owns.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The folder, made 0700 when missing and opened without following a link; refused unless
// it is a folder of ours that no one else can enter.
std::expected<int, QString> openPrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::unexpected(QStringLiteral("cannot make %1: %2").arg(path, systemError(errno)));
    const int fd = open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::unexpected(QStringLiteral("cannot use %1: %2").arg(path, systemError(errno)));
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
        close(fd);
        return std::unexpected(
            QStringLiteral("%1 is not a private folder of this user (owner %2, mode %3)")
                .arg(path)
                .arg(info.st_uid)
                .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0')));
    }
    return fd;
}

QString randomPart() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString part;
    for (int i = 0; i < 6; ++i)
        part += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(62)]);
    return part;
}

bool writeAll(int fd, const QByteArray& contents) {
    qsizetype done = 0;
    while (done < contents.size()) {
        const ssize_t n =
            write(fd, contents.constData() + done, std::size_t(contents.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return fsync(fd) == 0;
}

struct WriteFailure {
    int error;
    QString text;
};

// Creates and fills a new file in the folder; nothing is left behind when it fails.
std::expected<QString, WriteFailure> createIn(const QString& folder, const QString& stem,
                                              const QString& suffix, const QByteArray& contents) {
    const auto dir = openPrivateFolder(folder);
    if (!dir) return std::unexpected(WriteFailure{0, dir.error()});
    const Descriptor folderFd(*dir);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString name = stem + randomPart() + suffix;
        const QByteArray native = QFile::encodeName(name);
        const int fd = openat(folderFd.get(), native.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        const QString path = folder + QLatin1Char('/') + name;
        if (fd < 0)
            return std::unexpected(WriteFailure{
                errno, QStringLiteral("cannot create %1: %2").arg(path, systemError(errno))});
        const bool written = writeAll(fd, contents);
        const int error = errno;
        if (close(fd) == 0 && written) return path;
        const int failure = written ? errno : error;
        unlinkat(folderFd.get(), native.constData(), 0);
        return std::unexpected(WriteFailure{
            failure, QStringLiteral("cannot write %1: %2").arg(path, systemError(failure))});
    }
    return std::unexpected(WriteFailure{EEXIST, QStringLiteral("no free name in %1").arg(folder)});
}

void removeOldIn(const QString& folder, std::time_t before) {
    const auto dir = openPrivateFolder(folder);
    if (!dir) return;
    DIR* listing = fdopendir(*dir);
    if (!listing) {
        close(*dir);
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        struct stat info {};
        if (fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // Only the files this class makes: the runtime folder may be the command socket's.
        const QString name = QFile::decodeName(entry->d_name);
        if (S_ISREG(info.st_mode) && info.st_mtime < before &&
            name.startsWith(QLatin1String("Screenshot-")))
            unlinkat(dirfd(listing), entry->d_name, 0);
    }
    closedir(listing);
}

}  // namespace

PrivateFiles::PrivateFiles(QString runtimeFolder, QString cacheFolder)
    : m_runtimeFolder(std::move(runtimeFolder)), m_cacheFolder(std::move(cacheFolder)) {}

PrivateFiles PrivateFiles::forUser() {
    const QString xdgRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString runtime = xdgRuntime + QStringLiteral("/moxilane");
    if (xdgRuntime.isEmpty()) {
        const auto ours = privateFolderIn(QStringLiteral("/tmp"), getuid());
        runtime = ours ? *ours : QString();  // an empty path is refused: the cache is used
    }
    const QString cacheHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return PrivateFiles(runtime, cacheHome + QStringLiteral("/moxilane/share"));
}

std::expected<QString, QString> PrivateFiles::create(const QString& stem, const QString& suffix,
                                                     const QByteArray& contents) const {
    const auto inRuntime = createIn(m_runtimeFolder, stem, suffix, contents);
    if (inRuntime) return *inRuntime;
    // A full tmpfs, or a runtime folder we cannot trust: the cache folder on disk.
    std::error_code ignored;
    std::filesystem::create_directories(
        QFile::encodeName(QFileInfo(m_cacheFolder).path()).toStdString(), ignored);
    const auto inCache = createIn(m_cacheFolder, stem, suffix, contents);
    if (inCache) return *inCache;
    const bool runtimeFull = inRuntime.error().error == ENOSPC || inRuntime.error().error == EDQUOT;
    return std::unexpected(runtimeFull ? inCache.error().text
                                       : inRuntime.error().text + QStringLiteral("; ") +
                                             inCache.error().text);
}

void PrivateFiles::removeOlderThan(std::chrono::seconds maxAge) const {
    const std::time_t before = std::time(nullptr) - maxAge.count();
    removeOldIn(m_runtimeFolder, before);
    removeOldIn(m_cacheFolder, before);
}

}  // namespace moxilane
