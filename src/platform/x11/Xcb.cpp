#include "platform/x11/Xcb.h"

#include <QGuiApplication>

namespace moxilane::x11 {

Connection::Connection(const char* display) {
    int screenNumber = 0;
    m_connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(m_connection)) return;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber) {
            m_screen = it.data;
            break;
        }
    }
}

Connection::~Connection() {
    xcb_disconnect(m_connection);
}

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

bool hasExtension(xcb_connection_t* connection, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(connection, extension);
    return data && data->present;
}

QString describe(const xcb_generic_error_t& error) {
    static const char* const names[] = {
        "Success",   "BadRequest", "BadValue",    "BadWindow",   "BadPixmap", "BadAtom",
        "BadCursor", "BadFont",    "BadMatch",    "BadDrawable", "BadAccess", "BadAlloc",
        "BadColor",  "BadGC",      "BadIDChoice", "BadName",     "BadLength", "BadImplementation"};
    const QString name = error.error_code < std::size(names)
                             ? QString::fromLatin1(names[error.error_code])
                             : QStringLiteral("X error %1").arg(error.error_code);
    return QStringLiteral("%1 (request %2)").arg(name).arg(error.major_code);
}

}  // namespace moxilane::x11
