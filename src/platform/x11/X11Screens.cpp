#include "platform/x11/X11Screens.h"

#include "platform/x11/Xcb.h"

#include <QGuiApplication>
#include <QScreen>

namespace moxilane::x11 {

std::uint32_t X11Screens::displayIdFor(const QString& name) const {
    if (const auto known = m_atoms.find(name); known != m_atoms.end()) return known->second;
    xcb_connection_t* c = qtConnection();
    if (!c) return 0;
    const QByteArray latin = name.toLatin1();
    Reply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        c, xcb_intern_atom(c, /*only_if_exists=*/1, latin.size(), latin.constData()), nullptr)};
    // Without a RandR monitor of that name the capture service has one display, number 0.
    const std::uint32_t id = reply ? reply->atom : 0;
    m_atoms.emplace(name, id);
    return id;
}

ScreenLayout X11Screens::layout() const {
    std::vector<ScreenLayout::Screen> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    QList<QScreen*> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(), [&](QScreen* s) { return s == primary; });
    for (const QScreen* screen : screens) {
        result.push_back(ScreenLayout::fromQtGeometry(
            displayIdFor(screen->name()), screen->name(), screen->geometry(),
            screen->availableGeometry(), screen->devicePixelRatio()));
    }
    return ScreenLayout(std::move(result));
}

}  // namespace moxilane::x11
