#include "platform/wayland/SwayIpc.h"

#include "platform/wayland/SwayTree.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace moxilane::wayland {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeaderSize = sizeof(kMagic) + 2 * sizeof(std::uint32_t);
// A reply larger than this is not a window tree but a broken stream.
constexpr std::uint32_t kMaxReply = 64u << 20;
constexpr std::chrono::milliseconds kTimeout{1000};

CaptureError ipcError(const QString& what) {
    return CaptureError{CaptureError::Kind::ServerGone, QStringLiteral("sway IPC: ") + what};
}

QString errnoText() {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return QStringLiteral("timed out");
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

std::expected<SwayIpc, CaptureError> SwayIpc::connect(const QString& socketPath,
                                                      std::chrono::milliseconds timeout) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof(address.sun_path))
        return std::unexpected(ipcError(QStringLiteral("no usable socket path")));
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));

    SwayIpc ipc(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (ipc.m_fd < 0) return std::unexpected(ipcError(errnoText()));
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(timeout).count();
    const timeval limit{.tv_sec = micros / 1000000, .tv_usec = micros % 1000000};
    ::setsockopt(ipc.m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(ipc.m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(ipc.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::unexpected(ipcError(socketPath + QStringLiteral(": ") + errnoText()));
    return ipc;
}

SwayIpc::SwayIpc(SwayIpc&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

SwayIpc& SwayIpc::operator=(SwayIpc&& other) noexcept {
    std::swap(m_fd, other.m_fd);
    return *this;
}

SwayIpc::~SwayIpc() {
    if (m_fd >= 0) ::close(m_fd);
}

std::expected<QByteArray, CaptureError> SwayIpc::request(SwayMessage type,
                                                         const QByteArray& payload) {
    QByteArray message(kMagic, sizeof kMagic);
    const std::uint32_t header[] = {std::uint32_t(payload.size()), std::uint32_t(type)};
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    message.append(payload);
    if (!writeAll(message.constData(), std::size_t(message.size())))
        return std::unexpected(ipcError(QStringLiteral("cannot send: ") + errnoText()));

    char reply[kHeaderSize];
    if (!readAll(reply, sizeof reply))
        return std::unexpected(ipcError(QStringLiteral("no answer: ") + errnoText()));
    if (std::memcmp(reply, kMagic, sizeof kMagic) != 0)
        return std::unexpected(ipcError(QStringLiteral("not an i3-ipc reply")));
    std::uint32_t length = 0, replyType = 0;
    std::memcpy(&length, reply + sizeof kMagic, sizeof length);
    std::memcpy(&replyType, reply + sizeof kMagic + sizeof length, sizeof replyType);
    if (replyType != std::uint32_t(type) || length > kMaxReply)
        return std::unexpected(ipcError(QStringLiteral("unexpected reply")));
    QByteArray body(qsizetype(length), Qt::Uninitialized);
    if (!readAll(body.data(), length))
        return std::unexpected(ipcError(QStringLiteral("reply cut short: ") + errnoText()));
    return body;
}

bool SwayIpc::writeAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= std::size_t(sent);
    }
    return true;
}

bool SwayIpc::readAll(char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::recv(m_fd, data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) errno = ECONNRESET;
        if (got <= 0) return false;
        data += got;
        size -= std::size_t(got);
    }
    return true;
}

std::expected<std::vector<WindowInfo>, CaptureError> swayWindows() {
    const QString socketPath = qEnvironmentVariable("SWAYSOCK");
    if (socketPath.isEmpty())
        return std::unexpected(CaptureError{CaptureError::Kind::Refused,
                                            QStringLiteral("sway IPC: SWAYSOCK is not set")});
    auto ipc = SwayIpc::connect(socketPath, kTimeout);
    if (!ipc) return std::unexpected(ipc.error());
    auto tree = ipc->request(SwayMessage::getTree);
    if (!tree) return std::unexpected(tree.error());
    const QJsonDocument document = QJsonDocument::fromJson(*tree);
    if (!document.isObject())
        return std::unexpected(ipcError(QStringLiteral("the window tree is not JSON")));
    return swayTreeWindows(document.object(), ::getpid());
}

}  // namespace moxilane::wayland
