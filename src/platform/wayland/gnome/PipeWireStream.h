#pragma once

#include "platform/Capture.h"

#include <QImage>

#include <chrono>
#include <condition_variable>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

namespace moxilane::wayland {

// The video of one PipeWire node, received on a thread of its own. The compositor sends a
// frame only when the screen changes: the newest one is kept, as opaque RGB32, for whoever
// asks. Any thread may ask; the stream stops with the object.
class PipeWireStream {
public:
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // Connects through the descriptor (taken over, closed in every case) to the node.
    [[nodiscard]] static std::expected<std::unique_ptr<PipeWireStream>, CaptureError> open(
        int fd, unsigned nodeId);

    // The newest frame; waits up to timeout for the first. Fails when none came in time or
    // the stream broke.
    [[nodiscard]] std::expected<QImage, CaptureError> latestFrame(
        std::chrono::milliseconds timeout);

private:
    struct Listener;
    PipeWireStream();
    void received(QImage frame);
    void failed(const QString& why);

    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    pw_stream* m_stream = nullptr;
    std::unique_ptr<Listener> m_listener;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    QImage m_latest;
    std::optional<QString> m_error;
};

}  // namespace moxilane::wayland
