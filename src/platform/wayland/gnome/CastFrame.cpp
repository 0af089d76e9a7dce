#include "platform/wayland/gnome/CastFrame.h"

#include <cmath>

namespace moxilane::wayland {

namespace {

// Alpha is read as fourth byte and then set opaque: the compositor may leave it undefined.
QImage::Format qtFormat(CastPixelLayout layout) {
    // Qt's RGB32 is a native-endian word: B, G, R, X in memory on the little-endian machines
    // we build for.
    const bool bgr = layout == CastPixelLayout::bgrx || layout == CastPixelLayout::bgra;
    return bgr ? QImage::Format_RGB32 : QImage::Format_RGBX8888;
}

}  // namespace

QImage castFrameImage(const CastBuffer& buffer) {
    const QSize size = buffer.size;
    if (!buffer.data || size.isEmpty() || buffer.stride < size.width() * 4) return {};
    const std::size_t needed =
        std::size_t(buffer.stride) * std::size_t(size.height() - 1) + std::size_t(size.width()) * 4;
    if (buffer.bytes < needed) return {};
    const QImage wrapped(buffer.data, size.width(), size.height(), buffer.stride,
                         qtFormat(buffer.layout));
    const QRect part = buffer.crop.isEmpty() ? wrapped.rect() : buffer.crop & wrapped.rect();
    QImage image = wrapped.copy(part).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xff000000u;
    }
    return image;
}

QImage cutAreaFromFrame(const QImage& frame, QSize displaySize, const QRect& area) {
    if (frame.isNull() || displaySize.isEmpty()) return {};
    if (frame.size() == displaySize) return frame.copy(area);
    const double scaleX = double(frame.width()) / displaySize.width();
    const double scaleY = double(frame.height()) / displaySize.height();
    const QRect inFrame(int(std::lround(area.x() * scaleX)), int(std::lround(area.y() * scaleY)),
                        int(std::lround(area.width() * scaleX)),
                        int(std::lround(area.height() * scaleY)));
    return frame.copy(inFrame).scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace moxilane::wayland
