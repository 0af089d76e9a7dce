#include "platform/posix/CommandRequest.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Plain sockets rather than QLocalSocket: the command line then loads no network library.
namespace moxilane {

namespace {

class Socket {
public:
    Socket() : m_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (m_fd >= 0) close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

QString errnoText(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// Waits up to timeout for the socket to be ready; a negative timeout waits for ever.
bool waitFor(int fd, short events, int timeout) {
    pollfd entry{fd, events, 0};
    int ready = 0;
    do {
        ready = poll(&entry, 1, timeout);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

std::expected<void, CommandClientError> connectTo(const Socket& socket, const QString& path,
                                                  std::chrono::milliseconds deadline) {
    if (socket.fd() < 0) return std::unexpected(CommandClientError{false, errnoText(errno)});
    const QByteArray file = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (file.size() >= qsizetype(sizeof address.sun_path))
        return std::unexpected(CommandClientError{false, QStringLiteral("path too long: ") + path});
    std::memcpy(address.sun_path, file.constData(), size_t(file.size()));
    // A listener whose queue is full would otherwise hold connect() up for ever.
    const timeval limit{time_t(deadline.count() / 1000),
                        suseconds_t(deadline.count() % 1000 * 1000)};
    setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        const bool noAgent = error == ENOENT || error == ECONNREFUSED;
        return std::unexpected(
            CommandClientError{noAgent, path + QStringLiteral(": ") + errnoText(error)});
    }
    return {};
}

}  // namespace

std::expected<QByteArray, CommandClientError> sendCommand(const QString& socketPath,
                                                          const QByteArray& request,
                                                          std::chrono::milliseconds deadline,
                                                          bool awaitResult) {
    Socket socket;
    if (auto connected = connectTo(socket, socketPath, deadline); !connected)
        return std::unexpected(connected.error());
    const QByteArray line = request + '\n';
    // The agent's socket closing early surfaces as EPIPE, not as a signal.
    if (send(socket.fd(), line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size()) {
        return std::unexpected(CommandClientError{false, errnoText(errno)});
    }
    QByteArray reply;
    const int timeout = awaitResult ? -1 : int(deadline.count());
    char buffer[4096];
    while ((awaitResult || !reply.contains('\n')) && waitFor(socket.fd(), POLLIN, timeout)) {
        const ssize_t got = recv(socket.fd(), buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        reply.append(buffer, got);
    }
    if (reply.isEmpty()) {
        return std::unexpected(
            CommandClientError{false, QStringLiteral("the agent did not answer")});
    }
    if (awaitResult) return reply.endsWith('\n') ? reply.chopped(1) : reply;
    return reply.trimmed();
}

}  // namespace moxilane
