#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <memory>

namespace moxilane::x11 {

// A SysV shared-memory segment attached to both this process and the X server. The id is
// removed at once after the server attached it, so the kernel frees the memory even if
// we crash. Move-only; detaches from both sides when destroyed.
class ShmSegment {
public:
    // Nothing when the server cannot attach (a remote server, or no MIT-SHM).
    static std::unique_ptr<ShmSegment> create(xcb_connection_t* connection, std::size_t size);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    xcb_shm_seg_t id() const { return m_seg; }
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    ShmSegment(xcb_connection_t* connection, xcb_shm_seg_t seg, unsigned char* data,
               std::size_t size)
        : m_connection(connection), m_seg(seg), m_data(data), m_size(size) {}

    xcb_connection_t* m_connection;
    xcb_shm_seg_t m_seg;
    unsigned char* m_data;
    std::size_t m_size;
};

}  // namespace moxilane::x11
