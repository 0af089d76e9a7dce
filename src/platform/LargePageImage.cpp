#include "platform/LargePageImage.h"

#include <sys/mman.h>

#include <memory>

namespace moxilane {

QImage largePageImage(QSize size, QImage::Format format) {
    struct Mapping {
        void* address;
        std::size_t bytes;
    };
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * size.height();
    if (size.isEmpty()) return QImage(size, format);
    void* address =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return QImage(size, format);
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
