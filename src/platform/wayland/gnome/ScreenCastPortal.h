#pragma once

#include "platform/Capture.h"

#include <QRect>
#include <QString>

#include <chrono>
#include <expected>
#include <memory>

namespace moxilane::wayland {

// The monitor a screen-cast session shares: its PipeWire node and where it lies on the
// desktop, in points.
struct CastSource {
    unsigned nodeId = 0;
    QRect geometryLogical;
};

// A session of the XDG ScreenCast portal sharing one monitor without the pointer. The desktop
// asks the user once; the restore token it gives back lets a later session skip the question.
// Closed with the object. Worker thread: each call waits for the portal's answer in an event
// loop of its own.
class ScreenCastPortal {
public:
    ~ScreenCastPortal();
    ScreenCastPortal(const ScreenCastPortal&) = delete;
    ScreenCastPortal& operator=(const ScreenCastPortal&) = delete;

    // Asks for the screen, showing the desktop's question unless restoreToken still holds;
    // waits at most answerTimeout for the user. Fails with Kind::Declined when the user or the
    // desktop says no.
    [[nodiscard]] static std::expected<std::unique_ptr<ScreenCastPortal>, CaptureError> start(
        const QString& restoreToken, std::chrono::milliseconds answerTimeout);

    const CastSource& source() const { return m_source; }
    // The token for the next session (empty when the desktop gave none).
    const QString& restoreToken() const { return m_restoreToken; }
    // A descriptor of the PipeWire connection that reaches the shared node; the caller owns it.
    [[nodiscard]] std::expected<int, CaptureError> openPipeWireRemote();

private:
    explicit ScreenCastPortal(QString sessionHandle) : m_session(std::move(sessionHandle)) {}

    QString m_session;
    CastSource m_source;
    QString m_restoreToken;
};

}  // namespace moxilane::wayland
