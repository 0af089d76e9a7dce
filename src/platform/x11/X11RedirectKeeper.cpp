#include "platform/x11/X11RedirectKeeper.h"

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/composite.h>

#include <chrono>

namespace moxilane::x11 {

namespace {

// Long enough for a window of ours to have painted once; short enough that it is still on top
// when its pixmap is filled from the screen.
constexpr std::chrono::milliseconds kOursAfter{1000};

TopLevelRedirects::Ids idsOf(xcb_connection_t* ours) {
    TopLevelRedirects::Ids ids;
    ids.mask = xcb_get_setup(ours)->resource_id_mask;
    // Our windows are made on Qt's connection.
    if (xcb_connection_t* qt = qtConnection()) ids.ourBase = xcb_get_setup(qt)->resource_id_base;
    return ids;
}

}  // namespace

X11RedirectKeeper::X11RedirectKeeper() {
    xcb_connection_t* c = m_connection.get();
    if (m_connection.hasError() || !m_connection.screen() || !hasExtension(c, &xcb_composite_id))
        return;
    Reply<xcb_composite_query_version_reply_t> version{
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr)};
    if (!version || (version->major_version == 0 && version->minor_version < 2)) return;
    const xcb_window_t root = m_connection.root();
    m_redirects.emplace(root, idsOf(c));

    // Told of every change first, so that no window goes by between the listing and the events.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    Reply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)};
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            apply(m_redirects->existing(children[i]), children[i]);
    }
    xcb_flush(c);
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    // Events read along with the replies above are queued already.
    readEvents();
}

X11RedirectKeeper::~X11RedirectKeeper() = default;

void X11RedirectKeeper::readEvents() {
    xcb_connection_t* c = m_connection.get();
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        handle(*event);
        std::free(event);
    }
    xcb_flush(c);
    if (m_connection.hasError()) m_notifier->setEnabled(false);
}

void X11RedirectKeeper::handle(const xcb_generic_event_t& event) {
    TopLevelRedirects& redirects = *m_redirects;
    // Errors (a window gone before its redirect) need nothing.
    switch (event.response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_create_notify_event_t&>(event);
            apply(redirects.created(e.window, e.parent, e.override_redirect), e.window);
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
            redirects.reparented(e.window, e.parent);
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            apply(redirects.mapped(e.window, e.event), e.window);
            break;
        }
        case XCB_UNMAP_NOTIFY:
            redirects.unmapped(reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window);
            break;
        case XCB_DESTROY_NOTIFY:
            redirects.destroyed(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
            break;
        default:
            break;
    }
}

void X11RedirectKeeper::apply(TopLevelRedirects::Step step, xcb_window_t window) {
    switch (step) {
        case TopLevelRedirects::Step::none:
            break;
        case TopLevelRedirects::Step::now:
            redirect(window);
            break;
        case TopLevelRedirects::Step::later:
            QTimer::singleShot(kOursAfter, this, [this, window] {
                if (!m_redirects->due(window)) return;
                redirect(window);
                xcb_flush(m_connection.get());
            });
            break;
    }
}

void X11RedirectKeeper::redirect(xcb_window_t window) {
    xcb_composite_redirect_window(m_connection.get(), window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
}

}  // namespace moxilane::x11
