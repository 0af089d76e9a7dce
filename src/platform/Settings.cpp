#include "platform/Settings.h"

#include "platform/Diagnostics.h"
#include "platform/IniFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <expected>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxilane {

namespace {

constexpr auto kLockTimeout = std::chrono::seconds(2);
constexpr qint64 kMaxFileSize = 1 << 20;

QString systemError(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// Closes the descriptor it owns.
struct Descriptor {
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
    int fd;
};

// The file's bytes; nothing when it does not exist. Opened without blocking, so that a
// FIFO or a device put there cannot hang the program, and read only when it is a file.
std::expected<std::optional<QByteArray>, QString> readRegularFile(const QString& path) {
    const Descriptor file(
        open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.fd < 0) {
        if (errno == ENOENT) return std::optional<QByteArray>();
        return std::unexpected(systemError(errno));
    }
    struct stat info {};
    if (fstat(file.fd, &info) != 0) return std::unexpected(systemError(errno));
    if (!S_ISREG(info.st_mode)) return std::unexpected(QStringLiteral("not a regular file"));
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::unexpected(systemError(errno));
        if (n == 0 || bytes.size() > kMaxFileSize) break;
        bytes.append(buffer, n);
    }
    return std::optional<QByteArray>(bytes);
}

// Writers lock the settings folder, given up after a while: a lock that never frees must
// not hang the program. Not a lock file beside the settings: Qt's loops forever on a
// folder put in its place, and waits 30 s on one it does not recognise.
std::expected<Descriptor, QString> lockFolderOf(const QString& path) {
    Descriptor lock(open(QFile::encodeName(QFileInfo(path).path()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.fd < 0) return std::unexpected(QStringLiteral("its folder: ") + systemError(errno));
    const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    while (flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return std::unexpected(QStringLiteral("its folder: ") + systemError(errno));
        if (std::chrono::steady_clock::now() > deadline)
            return std::unexpected(QStringLiteral("another process keeps it locked"));
        QThread::msleep(20);
    }
    return lock;
}

// A temporary beside path, synced, then renamed over it: a reader sees the old file or
// the new one, never half of one.
std::expected<void, QString> replaceFile(const QString& path, const QByteArray& bytes) {
    QByteArray temporary = QFile::encodeName(path + QStringLiteral(".XXXXXX"));
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return std::unexpected(systemError(errno));
    const Descriptor file(fd);
    struct stat old {};
    const mode_t mode =
        stat(QFile::encodeName(path).constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done != bytes.size() || fchmod(fd, mode) != 0 || fsync(fd) != 0 ||
        rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        unlink(temporary.constData());
        return std::unexpected(systemError(error));
    }
    return {};
}

}  // namespace

Settings::Settings(QString filePath) : m_filePath(std::move(filePath)) {}

QString Settings::userFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Moxilane/Moxilane.conf");
}

std::optional<IniDocument> Settings::readDocument() const {
    const auto bytes = readRegularFile(m_filePath);
    if (bytes) return IniDocument::parse(bytes->value_or(QByteArray()));
    if (!m_reportedReadFailure) {
        m_reportedReadFailure = true;
        printDiagnostic(QStringLiteral("cannot read the settings file %1 (%2); using the defaults")
                            .arg(m_filePath, bytes.error()));
    }
    return std::nullopt;
}

std::optional<QVariant> Settings::read(const QString& key) const {
    const auto document = readDocument();
    return document ? document->value(key) : std::nullopt;
}

// The INI file stores every value as text; a Boolean reads back as "true" or "false" in
// any case, or "1" or "0". Anything else is a value of the wrong type.
std::optional<bool> Settings::readBool(const QString& key) const {
    const auto value = read(key);
    if (!value) return std::nullopt;
    if (value->typeId() == QMetaType::Bool) return value->toBool();
    if (value->typeId() != QMetaType::QString) return std::nullopt;
    const QString text = value->toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
        text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

bool Settings::copyToClipboard() const {
    return readBool(QStringLiteral("copyToClipboard")).value_or(false);
}
bool Settings::alsoCopyToClipboard() const {
    return readBool(QStringLiteral("alsoCopyToClipboard")).value_or(true);
}
bool Settings::openAfterCapture() const {
    return readBool(QStringLiteral("openAfterCapture")).value_or(false);
}
bool Settings::windowShadow() const {
    return readBool(QStringLiteral("windowShadow")).value_or(true);
}
bool Settings::didAskLaunchAtLogin() const {
    return readBool(QStringLiteral("didAskLaunchAtLogin")).value_or(false);
}
bool Settings::didOfferDesktopShortcuts() const {
    return readBool(QStringLiteral("didOfferDesktopShortcuts")).value_or(false);
}
bool Settings::didRequestScreenRecording() const {
    return readBool(QStringLiteral("didRequestScreenRecording")).value_or(false);
}
std::optional<QVariant> Settings::saveFolderBookmark() const {
    return read(QStringLiteral("saveFolderBookmark"));
}

QString Settings::textLanguages() const {
    const auto value = read(QStringLiteral("textLanguages"));
    return value ? value->toString().trimmed() : QString();
}

QString Settings::screenCastRestoreToken() const {
    const auto value = read(QStringLiteral("screenCastRestoreToken"));
    return value ? value->toString() : QString();
}

void Settings::write(const QString& key, const QVariant& value) {
    const auto written = writeLocked(key, value);
    if (written || m_reportedWriteFailure) return;
    m_reportedWriteFailure = true;
    printDiagnostic(QStringLiteral("cannot write the settings file %1 (%2); settings changed now "
                                   "may be lost")
                        .arg(m_filePath, written.error()));
}

std::expected<void, QString> Settings::writeLocked(const QString& key, const QVariant& value) {
    if (!QDir().mkpath(QFileInfo(m_filePath).path()))
        return std::unexpected(QStringLiteral("its folder cannot be made"));
    const auto lock = lockFolderOf(m_filePath);
    if (!lock) return std::unexpected(lock.error());
    const auto bytes = readRegularFile(m_filePath);
    if (!bytes) return std::unexpected(bytes.error());
    IniDocument document = IniDocument::parse(bytes->value_or(QByteArray()));
    document.setValue(key, value);
    return replaceFile(m_filePath, document.bytes());
}

}  // namespace moxilane
