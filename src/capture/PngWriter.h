#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <expected>

namespace moxilane {

// A file that could not be written. fileName is the name alone, without its folder; reason is
// the system's (e.g. "Permission denied"); description() is the sentence shown to the user.
struct FileWriteError {
    QString fileName;
    QString reason;
    QString description() const;
};

// Encodes the pixels unchanged as PNG, with a pHYs chunk of 72 × scale pixels per inch.
// Opaque formats (RGB32, RGB888, Grayscale8) are stored without alpha; formats with
// alpha are stored as straight (unpremultiplied) RGBA. Safe to call on any thread.
// The error is a short reason without a final full stop, e.g. "The image is empty".
[[nodiscard]] std::expected<QByteArray, QString> pngData(const QImage& image, double scale);

// Writes already encoded bytes to path atomically: an unnamed file in the same folder linked
// under path, or where that cannot be, a temporary file renamed over path. On failure nothing
// is left at path or beside it.
[[nodiscard]] std::expected<void, FileWriteError> writeFileAtomically(const QByteArray& bytes,
                                                                      const QString& path);

// pngData, then writeFileAtomically. An existing file at path is replaced.
[[nodiscard]] std::expected<void, FileWriteError> writePNG(const QImage& image, const QString& path,
                                                           double scale);

}  // namespace moxilane
