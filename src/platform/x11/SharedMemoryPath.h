#pragma once

#include "platform/Capture.h"

#include <QImage>

#include <cstddef>
#include <expected>
#include <functional>

namespace moxilane::x11 {

// How screen pixels are read: through a shared-memory segment while the server takes one,
// else with a plain GetImage. A server without MIT-SHM (a remote display, some VNC
// servers) and a segment that cannot be made (the server cannot attach it, or the system
// is out of shared memory) both mean plain reads from then on.
class SharedMemoryPath {
public:
    using Read = std::function<std::expected<QImage, CaptureError>()>;
    struct Reads {
        std::function<bool(std::size_t bytes)> makeSegment;  // a segment of at least bytes
        Read shared;
        Read plain;
    };

    explicit SharedMemoryPath(bool serverHasSharedMemory) : m_useShared(serverHasSharedMemory) {}

    std::expected<QImage, CaptureError> read(std::size_t bytes, const Reads& reads);

private:
    bool m_useShared;
};

}  // namespace moxilane::x11
