#include "platform/LargePageImage.h"

#include <sys/mman.h>

#include <cstdint>
#include <memory>

namespace moxilane {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// A mapping that starts on a 2 MiB boundary: the kernel backs only aligned 2 MiB ranges
// with huge pages, and an unaligned start would leave the first and last pieces in small
// pages. Maps a little more and gives back the ends.
void* mapAligned(std::size_t bytes) {
    const std::size_t padded = bytes + kHugePage;
    void* raw = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + padded;
    const std::uintptr_t used = aligned + bytes;
    if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
    return reinterpret_cast<void*>(aligned);
}

}  // namespace

QImage largePageImage(QSize size, QImage::Format format) {
    struct Mapping {
        void* address;
        std::size_t bytes;
    };
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * size.height();
    if (size.isEmpty()) return QImage(size, format);
    void* address = mapAligned(bytes);
    if (!address) return QImage(size, format);
    madvise(address, bytes, MADV_HUGEPAGE);
    auto mapping = std::make_unique<Mapping>(Mapping{address, bytes});
    const auto unmap = [](void* info) {
        const std::unique_ptr<Mapping> owned(static_cast<Mapping*>(info));
        munmap(owned->address, owned->bytes);
    };
    return QImage(static_cast<uchar*>(address), size.width(), size.height(), bytesPerLine, format,
                  unmap, mapping.release());
}

}  // namespace moxilane
