#include "platform/x11/ShmSegment.h"

#include "platform/x11/Xcb.h"

#include <sys/ipc.h>
#include <sys/shm.h>

namespace moxilane::x11 {

std::unique_ptr<ShmSegment> ShmSegment::create(xcb_connection_t* connection, std::size_t size) {
    const int shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shmid < 0) return nullptr;
    void* address = shmat(shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shmid, IPC_RMID, nullptr);
        return nullptr;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(connection);
    Error error{xcb_request_check(connection,
                                  xcb_shm_attach_checked(connection, seg, shmid, /*read_only=*/0))};
    shmctl(shmid, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return nullptr;
    }
    return std::unique_ptr<ShmSegment>(
        new ShmSegment(connection, seg, static_cast<unsigned char*>(address), size));
}

ShmSegment::~ShmSegment() {
    xcb_shm_detach(m_connection, m_seg);
    xcb_flush(m_connection);
    shmdt(m_data);
}

}  // namespace moxilane::x11
