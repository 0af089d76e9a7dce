#include "platform/LargePageImage.h"

#include <sys/mman.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

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

struct Mapping {
    void* address = nullptr;
    std::size_t bytes = 0;
};

struct KeptPages {
    std::mutex mutex;
    bool keeping = false;
    Mapping kept;
};

KeptPages& keptPages() {
    static KeptPages pages;
    return pages;
}

// The kept pages when they fit and are not more than twice what is asked for.
Mapping takeKept(std::size_t bytes) {
    KeptPages& pages = keptPages();
    const std::lock_guard lock(pages.mutex);
    if (!pages.kept.address || pages.kept.bytes < bytes || pages.kept.bytes / 2 > bytes) return {};
    return std::exchange(pages.kept, Mapping{});
}

void letGo(const Mapping& mapping) {
    KeptPages& pages = keptPages();
    {
        const std::lock_guard lock(pages.mutex);
        if (pages.keeping && !pages.kept.address) {
            pages.kept = mapping;
            return;
        }
    }
    munmap(mapping.address, mapping.bytes);
}

}  // namespace

QImage largePageImage(QSize size, QImage::Format format) {
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * size.height();
    if (size.isEmpty()) return QImage(size, format);
    Mapping mapping = takeKept(bytes);
    if (!mapping.address) {
        mapping = {mapAligned(bytes), bytes};
        if (!mapping.address) return QImage(size, format);
        madvise(mapping.address, bytes, MADV_HUGEPAGE);
    }
    auto owned = std::make_unique<Mapping>(mapping);
    const auto release = [](void* info) {
        const std::unique_ptr<Mapping> released(static_cast<Mapping*>(info));
        letGo(*released);
    };
    return QImage(static_cast<uchar*>(mapping.address), size.width(), size.height(), bytesPerLine,
                  format, release, owned.release());
}

void keepLargePages(bool keep) {
    KeptPages& pages = keptPages();
    Mapping given;
    {
        const std::lock_guard lock(pages.mutex);
        pages.keeping = keep;
        if (!keep) given = std::exchange(pages.kept, Mapping{});
    }
    if (given.address) munmap(given.address, given.bytes);
}

}  // namespace moxilane
