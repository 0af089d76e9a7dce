#include "platform/x11/SharedMemoryPath.h"

namespace moxilane::x11 {

std::expected<QImage, CaptureError> SharedMemoryPath::read(std::size_t bytes, const Reads& reads) {
    if (m_useShared && !reads.makeSegment(bytes)) m_useShared = false;
    return m_useShared ? reads.shared() : reads.plain();
}

}  // namespace moxilane::x11
