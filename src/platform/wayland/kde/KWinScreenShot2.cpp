#include "platform/wayland/kde/KWinScreenShot2.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace moxilane::wayland {

namespace {

const QString kService = QStringLiteral("org.kde.KWin");
const QString kPath = QStringLiteral("/org/kde/KWin/ScreenShot2");
const QString kInterface = QStringLiteral("org.kde.KWin.ScreenShot2");
constexpr int kCallTimeoutMs = 5000;
// KWin writes the pixels after its answer; a silent pipe this long means it never will.
constexpr int kPipeTimeoutMs = 5000;

KWinShotError failed(const QString& why) {
    return KWinShotError{KWinShotError::Kind::Failed, why};
}

// Owns one end of a pipe.
class PipeEnd {
public:
    explicit PipeEnd(int fd = -1) : m_fd(fd) {}
    PipeEnd(PipeEnd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    PipeEnd& operator=(PipeEnd&&) = delete;
    ~PipeEnd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int fd() const { return m_fd; }
    void close() {
        if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
    }

private:
    int m_fd;
};

// Everything written until the writer closes its end.
std::expected<QByteArray, KWinShotError> readAll(int fd, qsizetype expected) {
    QByteArray bytes;
    bytes.reserve(expected);
    char chunk[1 << 16];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, kPipeTimeoutMs);
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) return std::unexpected(failed(QStringLiteral("KWin sent no pixels")));
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            return std::unexpected(failed(
                QStringLiteral("cannot read KWin's pixels: %1").arg(qt_error_string(errno))));
        if (n == 0) return bytes;
        bytes.append(chunk, n);
    }
}

}  // namespace

CaptureError KWinShotError::toCaptureError() const {
    const auto kindOut =
        kind == Kind::Unavailable ? CaptureError::Kind::Unsupported : CaptureError::Kind::Refused;
    return CaptureError{kindOut, QStringLiteral("KWin: ") + message};
}

KWinShotError::Kind kwinErrorKind(const QString& dbusErrorName) {
    if (dbusErrorName == u"org.kde.KWin.ScreenShot2.Error.NoAuthorized")
        return KWinShotError::Kind::NotAuthorized;
    // No KWin, or KWin without the screenshot effect (it loads only when compositing with
    // OpenGL).
    if (dbusErrorName == u"org.freedesktop.DBus.Error.ServiceUnknown" ||
        dbusErrorName == u"org.freedesktop.DBus.Error.UnknownObject" ||
        dbusErrorName == u"org.freedesktop.DBus.Error.UnknownInterface" ||
        dbusErrorName == u"org.freedesktop.DBus.Error.UnknownMethod")
        return KWinShotError::Kind::Unavailable;
    return KWinShotError::Kind::Failed;
}

std::expected<QImage, KWinShotError> imageFromRawPixels(const QVariantMap& results,
                                                        const QByteArray& bytes) {
    if (results.value(QStringLiteral("type")).toString() != u"raw")
        return std::unexpected(failed(QStringLiteral("pixels of an unknown type")));
    const uint width = results.value(QStringLiteral("width")).toUInt();
    const uint height = results.value(QStringLiteral("height")).toUInt();
    const uint stride = results.value(QStringLiteral("stride")).toUInt();
    const uint format = results.value(QStringLiteral("format")).toUInt();
    if (format == QImage::Format_Invalid || format >= QImage::NImageFormats)
        return std::unexpected(failed(QStringLiteral("an unknown pixel format %1").arg(format)));
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format(format));
    if (width == 0 || height == 0 || image.isNull())
        return std::unexpected(failed(QStringLiteral("an empty picture")));
    const auto rowBytes = qsizetype(image.bytesPerLine());
    const auto usedBytes = qsizetype(width) * image.depth() / 8;
    if (stride < usedBytes || bytes.size() < qsizetype(stride) * (height - 1) + usedBytes)
        return std::unexpected(failed(QStringLiteral("%1 bytes for a %2 x %3 picture")
                                          .arg(bytes.size())
                                          .arg(width)
                                          .arg(height)));
    for (uint row = 0; row < height; ++row)
        std::memcpy(image.scanLine(int(row)), bytes.constData() + qsizetype(row) * stride,
                    size_t(std::min(rowBytes, usedBytes)));
    return image;
}

std::expected<QImage, KWinShotError> KWinScreenShot2::captureScreen(const QString& outputName) {
    return capture(QStringLiteral("CaptureScreen"), {outputName});
}

std::expected<QImage, KWinShotError> KWinScreenShot2::captureArea(const QRect& areaLogical) {
    return capture(
        QStringLiteral("CaptureArea"),
        {areaLogical.x(), areaLogical.y(), uint(areaLogical.width()), uint(areaLogical.height())});
}

std::expected<QImage, KWinShotError> KWinScreenShot2::captureWindow(const QString& internalId) {
    return capture(QStringLiteral("CaptureWindow"), {internalId});
}

std::expected<QImage, KWinShotError> KWinScreenShot2::capture(const QString& method,
                                                              QVariantList arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::unexpected(
            KWinShotError{KWinShotError::Kind::Unavailable, QStringLiteral("no session bus")});
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::unexpected(failed(QStringLiteral("no pipe: %1").arg(qt_error_string(errno))));
    PipeEnd readEnd(fds[0]);
    PipeEnd writeEnd(fds[1]);
    QDBusMessage reply;
    {
        // The message holds its own copy of the write end; both must be gone before reading,
        // or the pipe never ends.
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        arguments << QVariantMap{{QStringLiteral("include-cursor"), false},
                                 {QStringLiteral("include-decoration"), true},
                                 {QStringLiteral("include-shadow"), false},
                                 {QStringLiteral("native-resolution"), true}}
                  << QVariant::fromValue(QDBusUnixFileDescriptor(writeEnd.fd()));
        call.setArguments(std::exchange(arguments, {}));
        writeEnd.close();
        reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    }
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::unexpected(
            KWinShotError{kwinErrorKind(reply.errorName()), reply.errorMessage()});
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const qsizetype expected = qsizetype(results.value(QStringLiteral("stride")).toUInt()) *
                               results.value(QStringLiteral("height")).toUInt();
    auto bytes = readAll(readEnd.fd(), expected);
    if (!bytes) return std::unexpected(bytes.error());
    return imageFromRawPixels(results, *bytes);
}

}  // namespace moxilane::wayland
