#include "XSession.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <xcb/composite.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace moxilane::test {

using namespace std::chrono_literals;

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

namespace {

template <class T>
struct Freed {
    T* p;
    ~Freed() { std::free(p); }
};

}  // namespace

XSession::XSession(QSize rootSize, const std::vector<Monitor>& monitors, bool withWindowManager,
                   const QStringList& serverOptions) {
    for (const char* dir : {"run", "config", "data", "cache"})
        QDir(home()).mkpath(dir);
    QFile::setPermissions(m_home.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Xvfb picks a free display number itself and writes it out once it accepts clients,
    // so tests running side by side never race for a number.
    auto xvfb = std::make_unique<QProcess>();
    xvfb->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    xvfb->start(QStringLiteral("Xvfb"),
                QStringList{"-displayfd", "1", "-screen", "0",
                            QStringLiteral("%1x%2x24").arg(rootSize.width()).arg(rootSize.height()),
                            "-nolisten", "tcp", "-noreset"} +
                    serverOptions);
    QByteArray number;
    while (!number.endsWith('\n') && xvfb->waitForReadyRead(10000)) {
        number += xvfb->readAllStandardOutput();
    }
    m_processes.push_back(std::move(xvfb));
    if (number.trimmed().isEmpty()) return;
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    waitUntil([&] {
        m_connection = xcb_connect(m_display.toLatin1().constData(), nullptr);
        if (!xcb_connection_has_error(m_connection)) return true;
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    });
    if (!m_connection) return;
    if (withWindowManager) {
        start(QStringLiteral("openbox"), {"--sm-disable"}, environment());
        waitUntil([&] {
            auto out = run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
            return out && out->contains("window id");
        });
    }
    for (const Monitor& m : monitors)
        setMonitor(m);
}

bool XSession::setMonitor(const Monitor& m) {
    const QRect& a = m.areaDevice;
    // Physical sizes keep the DPI at 96, so Qt's scale stays 1 unless asked.
    const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                 .arg(a.width())
                                 .arg(a.width() * 254 / 960)
                                 .arg(a.height())
                                 .arg(a.height() * 254 / 960)
                                 .arg(a.x())
                                 .arg(a.y());
    return run("xrandr", {"--setmonitor", m.name, geometry, m.primary ? "screen" : "none"})
        .has_value();
}

XSession::~XSession() {
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000)) {
            (*it)->kill();
            (*it)->waitForFinished(3000);
        }
    }
    if (m_connection) xcb_disconnect(m_connection);
}

QProcessEnvironment XSession::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    env.insert("XDG_RUNTIME_DIR", m_home.filePath("run"));
    env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    env.insert("XDG_DATA_HOME", m_home.filePath("data"));
    env.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    env.remove("QT_QPA_PLATFORM");
    env.remove("QT_SCALE_FACTOR");
    env.remove("WAYLAND_DISPLAY");
    return env;
}

xcb_window_t XSession::root() const {
    return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

std::optional<QByteArray> XSession::run(const QString& program, const QStringList& args,
                                        std::chrono::milliseconds deadline) {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, args);
    if (!process.waitForFinished(int(deadline.count())) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

QString XSession::findWindow(const QString& namePattern) {
    const auto out = run("xdotool", {"search", "--onlyvisible", "--name", namePattern});
    return out ? QString::fromLatin1(out->trimmed().split('\n').front()) : QString();
}

QProcess& XSession::start(const QString& program, const QStringList& args,
                          const QProcessEnvironment& environment, const QString& errorFile) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    if (errorFile.isEmpty()) {
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
        process->setStandardErrorFile(errorFile);
    }
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, args);
    process->waitForStarted();
    m_processes.push_back(std::move(process));
    return *m_processes.back();
}

xcb_pixmap_t XSession::uploadPixmap(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    xcb_connection_t* c = m_connection;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, 24, pixmap, root(), image.width(), image.height());
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // Stay under the server's request size: a band of rows at a time.
    const std::size_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerRequest = std::max<int>(1, int(maxBytes / image.bytesPerLine()));
    for (int y = 0; y < image.height(); y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, image.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, image.width(), rows, 0, y, 0, 24,
                      rows * image.bytesPerLine(), image.constScanLine(y));
    }
    xcb_free_gc(c, gc);
    return pixmap;
}

bool XSession::paintRoot(const QImage& picture) {
    xcb_connection_t* c = m_connection;
    const xcb_pixmap_t pixmap = uploadPixmap(picture);
    const std::uint32_t values[] = {pixmap};
    xcb_change_window_attributes(c, root(), XCB_CW_BACK_PIXMAP, values);
    xcb_clear_area(c, 0, root(), 0, 0, 0, 0);
    xcb_free_pixmap(c, pixmap);
    Freed<xcb_get_input_focus_reply_t> sync{
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)};
    return sync.p != nullptr;
}

// "ctrl+shift+3": the keycodes to press in order, and the modifier mask they make.
std::optional<XSession::Chord> XSession::resolveChord(const QString& chord) {
    Chord result;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    for (const QString& part : chord.split('+')) {
        if (part.startsWith('#')) {  // a key by its position
            result.keys.push_back(xcb_keycode_t(part.mid(1).toUInt()));
            continue;
        }
        const xcb_keysym_t keysym = part == "ctrl"     ? XK_Control_L
                                    : part == "shift"  ? XK_Shift_L
                                    : part == "Escape" ? XK_Escape
                                                       : xcb_keysym_t(part.at(0).toLatin1());
        result.modifiers |= part == "ctrl"    ? XCB_MOD_MASK_CONTROL
                            : part == "shift" ? XCB_MOD_MASK_SHIFT
                                              : 0;
        Freed<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(symbols, keysym)};
        if (codes.p && codes.p[0] != XCB_NO_SYMBOL) result.keys.push_back(codes.p[0]);
    }
    xcb_key_symbols_free(symbols);
    if (result.keys.size() != std::size_t(chord.count('+') + 1)) return std::nullopt;
    return result;
}

bool XSession::pressKeys(const QString& chord) {
    const auto resolved = resolveChord(chord);
    if (!resolved) return false;
    for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        auto keys = resolved->keys;  // released in the reverse order
        if (type == XCB_KEY_RELEASE) std::reverse(keys.begin(), keys.end());
        for (xcb_keycode_t key : keys)
            xcb_test_fake_input(m_connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    return xcb_flush(m_connection) > 0;
}

XSession::GrabResult XSession::grabChord(const QString& chord) {
    const auto resolved = resolveChord(chord);
    if (!resolved) return GrabResult::Failed;
    Freed<xcb_generic_error_t> error{xcb_request_check(
        m_connection,
        xcb_grab_key_checked(m_connection, 1, root(), resolved->modifiers, resolved->keys.back(),
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC))};
    if (!error.p) return GrabResult::Grabbed;
    return error.p->error_code == 10 ? GrabResult::HeldElsewhere : GrabResult::Failed;  // BadAccess
}

bool XSession::isChordGrabbedElsewhere(const QString& chord) {
    const GrabResult result = grabChord(chord);
    if (result == GrabResult::Grabbed) {
        const auto resolved = resolveChord(chord);
        xcb_ungrab_key(m_connection, resolved->keys.back(), root(), resolved->modifiers);
        xcb_flush(m_connection);
    }
    return result == GrabResult::HeldElsewhere;
}

xcb_atom_t XSession::atom(const QByteArray& name) {
    Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, name.size(), name.constData()), nullptr)};
    return reply.p ? reply.p->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool XSession::hasSelectionOwner(const QByteArray& selection) {
    Freed<xcb_get_selection_owner_reply_t> owner{xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom(selection)), nullptr)};
    return owner.p && owner.p->owner != XCB_WINDOW_NONE;
}

bool XSession::claimSelection(const QByteArray& selection) {
    const xcb_window_t owner = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, owner, root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(m_connection, owner, atom(selection), XCB_CURRENT_TIME);
    return hasSelectionOwner(selection);
}

void XSession::movePointer(QPoint at) {
    xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(), at.x(),
                        at.y(), 0);
    xcb_flush(m_connection);
}

void XSession::fakeButton(std::uint8_t type, QPoint at) {
    movePointer(at);
    xcb_test_fake_input(m_connection, type, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(m_connection);
}

bool XSession::grabKeyboard() {
    Freed<xcb_grab_keyboard_reply_t> reply{
        xcb_grab_keyboard_reply(m_connection,
                                xcb_grab_keyboard(m_connection, 0, root(), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr)};
    return reply.p && reply.p->status == XCB_GRAB_STATUS_SUCCESS;
}

void XSession::ungrabKeyboard() {
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

bool XSession::isKeyboardGrabbedElsewhere() {
    if (!grabKeyboard()) return true;
    ungrabKeyboard();
    return false;
}

xcb_window_t XSession::showWindow(const QImage& picture, QPoint at, const QByteArray& title) {
    xcb_connection_t* c = m_connection;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const xcb_pixmap_t pixmap = uploadPixmap(image);
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {pixmap};
    xcb_create_window(c, 24, window, root(), at.x(), at.y(), image.width(), image.height(), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP,
                      values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        title.size(), title.constData());
    static constexpr char wmClass[] = "pattern\0Pattern";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    // Ask for the place given, or openbox picks one.
    std::uint32_t hints[18] = {};
    hints[0] = 1 | 2;  // USPosition | USSize
    hints[1] = std::uint32_t(at.x());
    hints[2] = std::uint32_t(at.y());
    hints[3] = std::uint32_t(image.width());
    hints[4] = std::uint32_t(image.height());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_free_pixmap(c, pixmap);
    const auto framed = [&] {
        Freed<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
        Freed<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr)};
        return tree.p && tree.p->parent != root() && attributes.p &&
               attributes.p->map_state == XCB_MAP_STATE_VIEWABLE;
    };
    // A window mapped while openbox is still starting can slip past it unframed: map it
    // again once openbox listens.
    for (int attempt = 0; attempt < 3; ++attempt) {
        xcb_unmap_window(c, window);
        xcb_map_window(c, window);
        xcb_flush(c);
        if (waitUntil(framed, std::chrono::milliseconds(3000))) return window;
    }
    return 0;
}

std::array<int, 4> XSession::frameExtents(xcb_window_t client) {
    xcb_connection_t* c = m_connection;
    const xcb_atom_t extentsAtom = atom("_NET_FRAME_EXTENTS");
    std::array<int, 4> extents{};
    waitUntil([&] {
        Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            c, xcb_get_property(c, 0, client, extentsAtom, XCB_ATOM_CARDINAL, 0, 4), nullptr)};
        if (!reply.p || xcb_get_property_value_length(reply.p) != 16) return false;
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.p));
        for (int i = 0; i < 4; ++i)
            extents[i] = int(values[i]);
        return true;
    });
    return extents;
}

namespace {

std::vector<xcb_window_t> childrenOf(xcb_connection_t* c, xcb_window_t parent) {
    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr)};
    if (!tree.p) return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.p);
    return std::vector<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.p));
}

int overlaysAmong(xcb_connection_t* c, const std::vector<xcb_window_t>& windows) {
    return int(std::ranges::count_if(windows, [c](xcb_window_t window) {
        Freed<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr)};
        Freed<xcb_get_geometry_reply_t> geometry{
            xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)};
        return attributes.p && geometry.p && attributes.p->override_redirect &&
               attributes.p->map_state == XCB_MAP_STATE_VIEWABLE && geometry.p->width >= 200 &&
               geometry.p->height >= 200;
    }));
}

}  // namespace

int XSession::shownOverlaysOnRoot() {
    return overlaysAmong(m_connection, childrenOf(m_connection, root()));
}

bool XSession::hasOwnPixmap(xcb_window_t window) {
    xcb_connection_t* c = m_connection;
    for (;;) {
        Freed<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
        if (!tree.p) return false;
        if (tree.p->parent == tree.p->root) break;
        window = tree.p->parent;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    Freed<xcb_generic_error_t> error{
        xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window, pixmap))};
    if (error.p) return false;
    xcb_free_pixmap(c, pixmap);
    xcb_flush(c);
    return true;
}

int XSession::shownOverlays() {
    xcb_connection_t* c = m_connection;
    int count = shownOverlaysOnRoot();
    // The layer that holds the screen still is missing from the root's children; asking for
    // it makes it only if nobody holds it, and letting go then takes it away again.
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(c, &xcb_composite_id);
    if (!composite || !composite->present) return count;
    Freed<xcb_composite_get_overlay_window_reply_t> layer{xcb_composite_get_overlay_window_reply(
        c, xcb_composite_get_overlay_window(c, root()), nullptr)};
    if (layer.p) {
        count += overlaysAmong(c, childrenOf(c, layer.p->overlay_win));
        xcb_composite_release_overlay_window(c, root());
        xcb_flush(c);
    }
    return count;
}

// A few pixels of the screen around a point, as the server shows them.
QByteArray XSession::pixelsAround(QPoint at) {
    xcb_connection_t* c = m_connection;
    const int x = std::max(0, at.x() - 2);
    const int y = std::max(0, at.y() - 2);
    Freed<xcb_get_image_reply_t> image{
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root(), std::int16_t(x),
                                          std::int16_t(y), 2, 2, ~0u),
                            nullptr)};
    if (!image.p) return {};
    return QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(image.p)),
                      xcb_get_image_data_length(image.p));
}

bool XSession::openOverlays(const QString& chord, QPoint at, int overlays, bool withKeyboard) {
    movePointer(at);
    const QByteArray before = pixelsAround(at);
    if (!pressKeys(chord) || !waitUntil([&] { return shownOverlays() == overlays; })) return false;
    // A press in the moment between the map and the first paint can be lost: wait until the
    // dimmed picture shows at the pointer (a black spot stays black: then the deadline).
    waitUntil([&] { return pixelsAround(at) != before; }, std::chrono::seconds(2));
    return !withKeyboard || waitUntil([&] { return isKeyboardGrabbedElsewhere(); });
}

}  // namespace moxilane::test
