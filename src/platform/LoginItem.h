#pragma once

#include <QString>

#include <expected>

namespace moxilane {

// The system's registration of this program to start when the user logs in. Only
// Enabled counts as on; anything else (no entry, someone else's, switched off) is
// NotRegistered.
enum class LoginItemStatus { Enabled, NotRegistered };

class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual LoginItemStatus status() const = 0;
    // The error is the system's description of what went wrong.
    [[nodiscard]] virtual std::expected<void, QString> registerItem() = 0;
    [[nodiscard]] virtual std::expected<void, QString> unregisterItem() = 0;
};

}  // namespace moxilane
