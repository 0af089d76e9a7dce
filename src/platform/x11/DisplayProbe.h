#pragma once

#include <QString>

#include <optional>

namespace moxilane::x11 {

// Why the X display of that name cannot be opened, or nothing when it can. Asked before
// Qt starts, whose own failure to connect aborts the process.
std::optional<QString> displayOpenError(const QString& display);

}  // namespace moxilane::x11
