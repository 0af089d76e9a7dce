#include "capture/PngWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include "capture/ParallelDeflate.h"
#include "capture/PngFilter.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>
#include <optional>
#include <system_error>

namespace moxilane {

namespace {

constexpr double kMetresPerInch = 0.0254;
// A 4K screenshot compresses in about 20 ms on two threads; more would take cores from the rest
// of the desktop for little gain.
constexpr int kThreads = 2;
// PNG allows chunks up to 2^31 - 1 bytes; smaller ones cost 12 bytes each.
constexpr qsizetype kMaxChunkData = qsizetype(1) << 30;
constexpr char kSignature[] = {char(0x89), 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kColourTypeRgb = 2;
constexpr int kColourTypeRgba = 6;

// The two layouts the filter reads: screens (opaque) as RGB32, anything with alpha as straight
// ARGB32. Captures are already RGB32, so they are not copied.
QImage inFilterFormat(const QImage& image) {
    if (image.hasAlphaChannel())
        return image.format() == QImage::Format_ARGB32
                   ? image
                   : image.convertToFormat(QImage::Format_ARGB32);
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

void appendBigEndian(QByteArray& out, quint32 value) {
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, sizeof(bytes));
}

void appendChunk(QByteArray& out, const char (&type)[5], const char* data, qsizetype size) {
    appendBigEndian(out, quint32(size));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out.append(data, size);
    const auto* crcd = reinterpret_cast<const Bytef*>(out.constData() + typeAt);
    appendBigEndian(out, quint32(crc32_z(0, crcd, size_t(size) + 4)));
}

QByteArray header(const QImage& pixels, quint32 pixelsPerMetre) {
    QByteArray ihdr;
    appendBigEndian(ihdr, quint32(pixels.width()));
    appendBigEndian(ihdr, quint32(pixels.height()));
    // Bit depth 8; deflate, filter method 0, no interlacing.
    const char depthAndType[] = {
        8, char(pixels.hasAlphaChannel() ? kColourTypeRgba : kColourTypeRgb), 0, 0, 0};
    ihdr.append(depthAndType, sizeof(depthAndType));
    QByteArray phys;
    appendBigEndian(phys, pixelsPerMetre);
    appendBigEndian(phys, pixelsPerMetre);
    phys.append(char(1));  // unit: the metre

    QByteArray out(kSignature, sizeof(kSignature));
    appendChunk(out, "IHDR", ihdr.constData(), ihdr.size());
    appendChunk(out, "pHYs", phys.constData(), phys.size());
    return out;
}

QString systemReason(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

// QFileDevice reports a write that stops part-way as "Unknown error"; the system knows why.
// Returns 0 or the errno.
int writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        data += written;
        left -= written;
    }
    return 0;
}

// A file that has no name until it is complete: written into the folder unnamed, then linked
// under path in one step. Nothing when this cannot be done here (a file already at path, a
// file system or kernel without unnamed files, no /proc): the caller then writes another way.
std::optional<int> writeUnnamedThenLink(const QByteArray& bytes, const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR) return std::nullopt;
        return errno;
    }
    auto closing = qScopeGuard([fd] { ::close(fd); });
    if (const int error = writeAll(fd, bytes)) return error;
    const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(fd);
    const QByteArray target = QFile::encodeName(path);
    if (::linkat(AT_FDCWD, unnamed.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) !=
        0) {
        if (errno == EEXIST || errno == ENOENT) return std::nullopt;
        return errno;
    }
    // Closed, then to disk: the file is whole under its name either way, and whoever waits
    // for it (or for its close) need not wait for the sync, the slowest step of the write.
    // A failure here means the file may not hold what was written: it goes, and is reported.
    const auto failed = [&target](int error) {
        ::unlink(target.constData());
        return error;
    };
    closing.dismiss();
    if (::close(fd) != 0 && errno != EINTR) return failed(errno);
    const int again = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    if (again < 0) return failed(errno);
    const int synced = ::fdatasync(again) == 0 ? 0 : errno;
    ::close(again);
    if (synced != 0 && synced != EINVAL) return failed(synced);
    return 0;
}

}  // namespace

QString FileWriteError::description() const {
    return QStringLiteral("The file \u201c%1\u201d couldn\u2019t be saved: %2.")
        .arg(fileName, reason);
}

std::expected<QByteArray, QString> pngData(const QImage& image, double scale) {
    if (image.isNull()) return std::unexpected(QStringLiteral("The image is empty"));
    // PNG stores pixels per metre in 31 bits.
    const double pixelsPerMetre = std::round(72.0 * scale / kMetresPerInch);
    if (!(pixelsPerMetre >= 1 && pixelsPerMetre <= 0x7fffffff))
        return std::unexpected(QStringLiteral("The scale %1 gives no valid resolution").arg(scale));

    try {
        const QImage pixels = inFilterFormat(image);
        if (pixels.isNull())
            return std::unexpected(QStringLiteral("Not enough memory to convert the image"));
        auto idat = zlibCompressRows(
            pixels.height(), png::filteredRowSize(pixels),
            [&pixels](int y, uchar* out) { png::filterRow(pixels, y, out); }, kThreads);
        if (!idat) return std::unexpected(idat.error());

        QByteArray out = header(pixels, quint32(pixelsPerMetre));
        qsizetype total = out.size() + 12;
        for (const QByteArray& piece : *idat)
            total += piece.size() + 12;
        out.reserve(total);
        for (const QByteArray& piece : *idat)
            for (qsizetype at = 0; at < piece.size(); at += kMaxChunkData)
                appendChunk(out, "IDAT", piece.constData() + at,
                            std::min(kMaxChunkData, piece.size() - at));
        appendChunk(out, "IEND", nullptr, 0);
        return out;
    } catch (const std::bad_alloc&) {
        return std::unexpected(QStringLiteral("Not enough memory to encode the image"));
    }
}

std::expected<void, FileWriteError> writeFileAtomically(const QByteArray& bytes,
                                                        const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    // QSaveFile's own wording for this case is not the system's; say what the system says.
    if (QFileInfo(path).isDir())
        return std::unexpected(FileWriteError{fileName, systemReason(EISDIR)});
    if (const auto error = writeUnnamedThenLink(bytes, path)) {
        if (*error == 0) return {};
        return std::unexpected(FileWriteError{fileName, systemReason(*error)});
    }
    // The temporary lives beside the target and is removed if anything below fails.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(FileWriteError{fileName, file.errorString()});
    if (const int error = writeAll(file.handle(), bytes))
        return std::unexpected(FileWriteError{fileName, systemReason(error)});
    if (!file.commit()) return std::unexpected(FileWriteError{fileName, file.errorString()});
    return {};
}

std::expected<void, FileWriteError> writePNG(const QImage& image, const QString& path,
                                             double scale) {
    auto bytes = pngData(image, scale);
    if (!bytes) return std::unexpected(FileWriteError{QFileInfo(path).fileName(), bytes.error()});
    return writeFileAtomically(*bytes, path);
}

}  // namespace moxilane
