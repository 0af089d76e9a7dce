#include "scroll/StitchCanvas.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>

namespace moxilane {

struct StitchCanvas::Mapping {
    void* address = MAP_FAILED;
    std::size_t bytes = 0;

    Mapping() = default;
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ~Mapping() {
        if (address != MAP_FAILED) munmap(address, bytes);
    }

    static std::shared_ptr<Mapping> create(std::size_t bytes) {
        auto mapping = std::make_shared<Mapping>();
        mapping->address =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping->address == MAP_FAILED) return nullptr;
        mapping->bytes = bytes;
        mapping->preferLargePages();
        return mapping;
    }

    // Grows in place or moves the pages; their content is never copied.
    bool grow(std::size_t newBytes) {
        void* moved = mremap(address, bytes, newBytes, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) return false;
        address = moved;
        bytes = newBytes;
        preferLargePages();
        return true;
    }

    // Each first write to a page costs a fault; 2 MiB pages make that 512 times rarer. A hint:
    // where the system has none to give, small pages serve.
    void preferLargePages() { madvise(address, bytes, MADV_HUGEPAGE); }
};

StitchCanvas::StitchCanvas(int width, QImage::Format format, qint64 maxRows)
    : m_width(width), m_format(format), m_maxRows(maxRows), m_bytesPerLine(qint64(width) * 4) {}

bool StitchCanvas::prepare(qint64 keptRows, qint64 rows) {
    rows = std::min(rows, m_maxRows);
    const bool shared = m_mapping && m_mapping.use_count() > 1;
    if (rows <= m_capacityRows && !shared) return true;
    // Grow by doubling: few remaps, and the pages beyond the rows written cost nothing.
    const qint64 capacity = rows <= m_capacityRows
                                ? m_capacityRows
                                : std::min(m_maxRows, std::max(rows, 2 * m_capacityRows));
    return resize(keptRows, capacity);
}

bool StitchCanvas::resize(qint64 keptRows, qint64 capacityRows) {
    const auto bytes = std::size_t(capacityRows * m_bytesPerLine);
    if (m_mapping && m_mapping.use_count() == 1) {
        if (!m_mapping->grow(bytes)) return false;
    } else {
        // First rows, or an image still shows the current mapping: leave that one to it.
        auto fresh = Mapping::create(bytes);
        if (!fresh) return false;
        if (keptRows > 0) {
            std::memcpy(fresh->address, m_data, std::size_t(keptRows * m_bytesPerLine));
        }
        m_mapping = std::move(fresh);
    }
    m_data = static_cast<uchar*>(m_mapping->address);
    m_capacityRows = capacityRows;
    return true;
}

QImage StitchCanvas::image(qint64 rows) const {
    if (!m_mapping || rows > m_capacityRows || rows > std::numeric_limits<int>::max()) return {};
    // The image holds the mapping until its last copy is gone, on whatever thread that is.
    auto* keeper = new std::shared_ptr<Mapping>(m_mapping);
    const auto release = [](void* info) { delete static_cast<std::shared_ptr<Mapping>*>(info); };
    QImage image(static_cast<const uchar*>(m_data), m_width, int(rows), m_bytesPerLine, m_format,
                 release, keeper);
    if (image.isNull()) delete keeper;
    return image;
}

}  // namespace moxilane
