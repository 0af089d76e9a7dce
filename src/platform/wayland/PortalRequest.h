#pragma once

#include "platform/Capture.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <expected>
#include <optional>

namespace moxilane::wayland {

// A portal method's answer through its Request object: the response code (0 done, 1 cancelled
// by the user, 2 otherwise ended), or none when no answer came in time; and its results.
struct PortalAnswer {
    std::optional<uint> code;
    QVariantMap results;
};

// Calls a method of the XDG desktop portal that answers through a Request object, and waits
// for that answer, processing only this request's events meanwhile. The last argument is the
// options, to which the request's handle token is added. The call's own error when the portal
// refuses it. Callable from any thread.
[[nodiscard]] std::expected<PortalAnswer, QString> callPortal(
    const QString& interface, const QString& method, QVariantList arguments,
    std::chrono::milliseconds callTimeout, std::chrono::milliseconds answerTimeout);

// A token no other request of this process has used: the portal names paths after it.
[[nodiscard]] QString portalToken();

// Asks the XDG desktop portal for a screenshot and waits for its answer: the URI of the file
// it wrote. Interactive, the desktop lets the user choose what to take first. Callable from
// any thread.
[[nodiscard]] std::expected<QString, CaptureError> requestPortalScreenshot(
    std::chrono::milliseconds timeout, bool interactive = false);

}  // namespace moxilane::wayland
