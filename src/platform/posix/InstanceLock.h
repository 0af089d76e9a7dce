#pragma once

#include <QString>

#include <expected>
#include <optional>

namespace moxilane {

// One agent per display and user. The claim is an flock on a file, so it is atomic (two
// agents started at the same moment cannot both win) and it ends with the process,
// however the process ends. The holder's process id is written into the file.
class InstanceLock {
public:
    // Nothing inside when another process holds it; an error when the file cannot be used.
    [[nodiscard]] static std::expected<std::optional<InstanceLock>, QString> claim(
        const QString& path);

    InstanceLock(InstanceLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    InstanceLock& operator=(InstanceLock&&) = delete;
    InstanceLock(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

}  // namespace moxilane
