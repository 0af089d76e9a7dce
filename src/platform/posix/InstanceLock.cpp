#include "platform/posix/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace moxilane {

namespace {
QString systemError() {
    return QString::fromLocal8Bit(strerror(errno));
}
}  // namespace

std::expected<std::optional<InstanceLock>, QString> InstanceLock::claim(const QString& path) {
    // Close-on-exec: programs the agent opens files with must not hold the claim.
    const int fd =
        open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return std::unexpected(QStringLiteral("cannot open %1: %2").arg(path, systemError()));
    }
    InstanceLock lock(fd);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return std::optional<InstanceLock>{};
        return std::unexpected(QStringLiteral("cannot lock %1: %2").arg(path, systemError()));
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    // The process id is for people and tests; the claim holds without it.
    if (ftruncate(fd, 0) == 0) {
        const ssize_t written = write(fd, pid.data(), pid.size());
        static_cast<void>(written);
    }
    return std::optional<InstanceLock>(std::move(lock));
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) close(m_fd);
}

}  // namespace moxilane
