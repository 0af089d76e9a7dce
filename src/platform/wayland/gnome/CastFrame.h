#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>

namespace moxilane::wayland {

// The byte orders a screen-cast stream may deliver its pixels in, four bytes each.
enum class CastPixelLayout { bgrx, bgra, rgbx, rgba };

// One buffer of a screen-cast stream as it lies in memory: `bytes` bytes from `data`, rows
// `stride` bytes apart, and the part of the picture that is the screen (empty: all of it).
struct CastBuffer {
    const uchar* data = nullptr;
    std::size_t bytes = 0;
    QSize size;
    int stride = 0;
    CastPixelLayout layout = CastPixelLayout::bgrx;
    QRect crop;
};

// A copy of the buffer's screen part as opaque RGB32; a null image when the buffer is shorter
// than its size and stride say, so a torn buffer never passes for a picture.
[[nodiscard]] QImage castFrameImage(const CastBuffer& buffer);

// The area (device pixels of a display of displaySize, from its top left) in a frame of that
// display, which the compositor may have sent at another size.
[[nodiscard]] QImage cutAreaFromFrame(const QImage& frame, QSize displaySize, const QRect& area);

}  // namespace moxilane::wayland
