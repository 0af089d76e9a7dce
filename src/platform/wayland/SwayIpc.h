#pragma once

#include "platform/CaptureService.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <expected>
#include <vector>

namespace moxilane::wayland {

// The message types of sway's IPC that we send.
enum class SwayMessage : std::uint32_t {
    runCommand = 0,
    getOutputs = 3,
    getTree = 4,
};

// A blocking client of sway's IPC socket (the i3 framing: magic, payload length, type, all
// in native byte order). Plain POSIX, so the capture worker can use it; one request at a
// time. Every read and write gives up after the timeout, so a hung compositor cannot hold
// the worker for ever.
class SwayIpc {
public:
    [[nodiscard]] static std::expected<SwayIpc, CaptureError> connect(
        const QString& socketPath, std::chrono::milliseconds timeout);
    SwayIpc(SwayIpc&& other) noexcept;
    SwayIpc& operator=(SwayIpc&& other) noexcept;
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;
    ~SwayIpc();

    // Sends one message and returns the payload of the reply to it (JSON text).
    [[nodiscard]] std::expected<QByteArray, CaptureError> request(SwayMessage type,
                                                                  const QByteArray& payload = {});

private:
    explicit SwayIpc(int fd) : m_fd(fd) {}
    [[nodiscard]] bool writeAll(const char* data, std::size_t size);
    [[nodiscard]] bool readAll(char* data, std::size_t size);

    int m_fd = -1;
};

// The views sway shows, front to back, from a fresh connection to $SWAYSOCK; the views of
// this process are left out. Fails when SWAYSOCK is unset or sway does not answer.
[[nodiscard]] std::expected<std::vector<WindowInfo>, CaptureError> swayWindows();

}  // namespace moxilane::wayland
