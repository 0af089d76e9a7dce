#include "capture/PngWriter.h"

#include <QFileInfo>
#include <QSaveFile>

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <system_error>

namespace moxilane {

namespace {

constexpr double kMetresPerInch = 0.0254;

// Opaque images become RGB (a screen has no alpha to store); everything else straight RGBA.
QImage encodableImage(const QImage& image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA8888
                                                         : QImage::Format_RGB888);
}

void appendToByteArray(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

// libpng reports errors by longjmp, so nothing with a destructor may live in this frame
// between setjmp and the end; the caller owns the image, the output and the png structs.
bool encodeWithLibpng(png_structp png, png_infop info, const QImage& pixels,
                      png_uint_32 pixelsPerMetre, QByteArray* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, appendToByteArray, nullptr);
    // Level 1 with the Sub filter: most of the size of the default settings at a third of
    // the time; screenshots are large and encoding is the slowest step of a capture.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    const int colourType = pixels.hasAlphaChannel() ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width()),
                 static_cast<png_uint_32>(pixels.height()), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_pHYs(png, info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (int y = 0; y < pixels.height(); ++y)
        png_write_row(png, pixels.constScanLine(y));
    png_write_end(png, info);
    return true;
}

struct PngWriteStructs {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngWriteStructs() = default;
    PngWriteStructs(const PngWriteStructs&) = delete;
    PngWriteStructs& operator=(const PngWriteStructs&) = delete;
    ~PngWriteStructs() { png_destroy_write_struct(&png, &info); }
};

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

    const QImage pixels = encodableImage(image);
    if (pixels.isNull())
        return std::unexpected(QStringLiteral("Not enough memory to convert the image"));
    PngWriteStructs structs;
    if (!structs.info)
        return std::unexpected(QStringLiteral("Not enough memory to start the encoder"));
    QByteArray out;
    if (!encodeWithLibpng(structs.png, structs.info, pixels,
                          static_cast<png_uint_32>(pixelsPerMetre), &out))
        return std::unexpected(QStringLiteral("The PNG encoder failed"));
    return out;
}

std::expected<void, FileWriteError> writeFileAtomically(const QByteArray& bytes,
                                                        const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    // QSaveFile's own wording for this case is not the system's; say what the system says.
    if (QFileInfo(path).isDir())
        return std::unexpected(FileWriteError{fileName, systemReason(EISDIR)});
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
