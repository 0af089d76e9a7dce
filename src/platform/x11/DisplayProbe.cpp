#include "platform/x11/DisplayProbe.h"

#include <xcb/xcb.h>

namespace moxilane::x11 {

std::optional<QString> displayOpenError(const QString& display) {
    if (display.isEmpty()) return QStringLiteral("no X11 display (DISPLAY is not set)");
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error == 0) return std::nullopt;
    if (error == XCB_CONN_CLOSED_PARSE_ERR)
        return QStringLiteral("“%1” is not an X11 display name").arg(display);
    return QStringLiteral("cannot open X11 display %1").arg(display);
}

}  // namespace moxilane::x11
