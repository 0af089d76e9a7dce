#include "platform/wayland/FocusClipboard.h"

#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>

#include <wayland-client.h>

#include <unistd.h>

namespace moxilane::wayland {

namespace {

const char* const kPng = "image/png";

// The serial of the user's latest input to one of our windows, as Qt sends with its copies.
uint32_t lastInputSerial() {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!native) return 0;
    return uint32_t(quintptr(native->nativeResourceForIntegration(QByteArrayLiteral("serial"))));
}

}  // namespace

FocusClipboard::FocusClipboard(std::unique_ptr<Clipboard> inner,
                               std::shared_ptr<MainThreadQueue> queue)
    : m_inner(std::move(inner)), m_queue(std::move(queue)) {
    EventQueue& events = m_queue->events();
    m_seat = static_cast<wl_seat*>(events.bind(wl_seat_interface, 1));
    m_manager =
        static_cast<wl_data_device_manager*>(events.bind(wl_data_device_manager_interface, 1));
    if (!m_seat || !m_manager) return;
    static const wl_seat_listener seatListener{.capabilities = &FocusClipboard::onCapabilities,
                                               .name = nullptr};
    wl_seat_add_listener(m_seat, &seatListener, this);
    m_device = wl_data_device_manager_get_data_device(m_manager, m_seat);
    static const wl_data_device_listener deviceListener{
        .data_offer = [](void*, wl_data_device*, wl_data_offer*) {},
        .enter = [](void*, wl_data_device*, uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t,
                    wl_data_offer*) {},
        .leave = [](void*, wl_data_device*) {},
        .motion = [](void*, wl_data_device*, uint32_t, wl_fixed_t, wl_fixed_t) {},
        .drop = [](void*, wl_data_device*) {},
        .selection = &FocusClipboard::onSelection,
    };
    wl_data_device_add_listener(m_device, &deviceListener, this);
    events.roundtrip();
}

FocusClipboard::~FocusClipboard() {
    dropSource();
    if (m_selection) wl_data_offer_destroy(m_selection);
    if (m_device) wl_data_device_release(m_device);
    if (m_manager) wl_data_device_manager_destroy(m_manager);
    if (m_seat) wl_seat_destroy(m_seat);
}

bool FocusClipboard::copiesNow() const {
    return holding() || (m_keyboard && QGuiApplication::focusWindow() != nullptr);
}

void FocusClipboard::holdForImage() {
    if (!m_device || !m_keyboard || !QGuiApplication::focusWindow()) return;
    dropSource();
    m_source = wl_data_device_manager_create_data_source(m_manager);
    static const wl_data_source_listener listener{
        .target = [](void*, wl_data_source*, const char*) {},
        .send = &FocusClipboard::onSend,
        .cancelled = &FocusClipboard::onCancelled,
        .dnd_drop_performed = nullptr,  // a selection is never dragged
        .dnd_finished = nullptr,
        .action = nullptr,
    };
    wl_data_source_add_listener(m_source, &listener, this);
    wl_data_source_offer(m_source, kPng);
    m_selectionSeen = false;
    wl_data_device_set_selection(m_device, m_source, lastInputSerial());
    // Mutter answers at once: a refusal cancels the source, an acceptance announces the new
    // selection to the focused program, which we still are.
    m_queue->events().roundtrip();
    if (m_source && !m_selectionSeen) dropSource();
}

void FocusClipboard::dropSource() {
    if (m_source) wl_data_source_destroy(m_source);
    m_source = nullptr;
    m_filled = false;
    m_png.clear();
}

void FocusClipboard::setPngImage(const QByteArray& png) {
    if (holding()) {
        m_png = png;
        m_filled = true;  // the next copy is a copy of its own
        return;
    }
    m_inner->setPngImage(png);
}

void FocusClipboard::setText(const QString& text) {
    m_inner->setText(text);
}

bool FocusClipboard::holdsImage() const {
    return m_source ? true : m_inner->holdsImage();
}

void FocusClipboard::clear() {
    dropSource();
    m_inner->clear();
}

void FocusClipboard::onCapabilities(void* data, wl_seat*, uint32_t capabilities) {
    static_cast<FocusClipboard*>(data)->m_keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
}

void FocusClipboard::onSelection(void* data, wl_data_device*, wl_data_offer* offer) {
    auto* self = static_cast<FocusClipboard*>(data);
    if (self->m_selection) wl_data_offer_destroy(self->m_selection);
    self->m_selection = offer;
    self->m_selectionSeen = offer != nullptr;
}

void FocusClipboard::onSend(void* data, wl_data_source*, const char* mimeType, int fd) {
    auto* self = static_cast<FocusClipboard*>(data);
    // A paste before the image is ready gets nothing, as from an empty clipboard.
    if (qstrcmp(mimeType, kPng) != 0 || self->m_png.isEmpty()) {
        ::close(fd);
        return;
    }
    writeAll(self->m_png, fd);
}

void FocusClipboard::onCancelled(void* data, wl_data_source* source) {
    auto* self = static_cast<FocusClipboard*>(data);
    if (self->m_source == source) {
        self->dropSource();
        return;
    }
    wl_data_source_destroy(source);
}

}  // namespace moxilane::wayland
