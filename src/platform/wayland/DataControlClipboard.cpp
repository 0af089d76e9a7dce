#include "platform/wayland/DataControlClipboard.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <unistd.h>

#include <cerrno>
#include <map>
#include <thread>

namespace moxilane::wayland {

// A paste may be large and the reader slow: the bytes go from their own thread, so the
// program never waits on another program.
void writeAll(QByteArray bytes, int fd) {
    std::thread([bytes = std::move(bytes), fd] {
        const char* data = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, std::size_t(left));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) break;  // the reader went away
            data += written;
            left -= written;
        }
        ::close(fd);
    }).detach();
}

std::unique_ptr<DataControlClipboard> DataControlClipboard::open(
    std::shared_ptr<MainThreadQueue> queue) {
    std::unique_ptr<DataControlClipboard> clipboard(new DataControlClipboard(std::move(queue)));
    if (!clipboard->m_device) return nullptr;
    return clipboard;
}

DataControlClipboard::DataControlClipboard(std::shared_ptr<MainThreadQueue> queue)
    : m_queue(std::move(queue)) {
    EventQueue& events = m_queue->events();
    m_manager = static_cast<zwlr_data_control_manager_v1*>(
        events.bind(zwlr_data_control_manager_v1_interface, 2));
    m_seat = static_cast<wl_seat*>(events.bind(wl_seat_interface, 1));
    if (!m_manager || !m_seat) return;
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_seat);
    static const zwlr_data_control_device_v1_listener listener{
        .data_offer = &DataControlClipboard::onDataOffer,
        .selection = &DataControlClipboard::onSelection,
        .finished = &DataControlClipboard::onFinished,
        .primary_selection = &DataControlClipboard::onPrimarySelection,
    };
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    events.roundtrip();
}

DataControlClipboard::~DataControlClipboard() {
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    if (m_selection) zwlr_data_control_offer_v1_destroy(m_selection);
    if (m_device) zwlr_data_control_device_v1_destroy(m_device);
    if (m_manager) zwlr_data_control_manager_v1_destroy(m_manager);
    if (m_seat) wl_seat_destroy(m_seat);
}

void DataControlClipboard::setPngImage(const QByteArray& png) {
    offer(png, {QByteArrayLiteral("image/png")});
}

void DataControlClipboard::setText(const QString& text) {
    // The names X11 programs under XWayland and older toolkits ask for, too.
    offer(text.toUtf8(), {QByteArrayLiteral("text/plain;charset=utf-8"),
                          QByteArrayLiteral("text/plain"), QByteArrayLiteral("UTF8_STRING"),
                          QByteArrayLiteral("TEXT"), QByteArrayLiteral("STRING")});
}

void DataControlClipboard::offer(const QByteArray& bytes, const QList<QByteArray>& types) {
    if (!m_device) return;
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    m_bytes = bytes;
    m_types = types;
    m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
    static const zwlr_data_control_source_v1_listener listener{
        .send = &DataControlClipboard::onSend,
        .cancelled = &DataControlClipboard::onCancelled,
    };
    zwlr_data_control_source_v1_add_listener(m_source, &listener, this);
    for (const QByteArray& type : types)
        zwlr_data_control_source_v1_offer(m_source, type.constData());
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    m_queue->flush();
}

bool DataControlClipboard::holdsImage() const {
    if (m_source) return m_types.contains(QByteArrayLiteral("image/png"));
    for (const QString& type : m_selectionTypes) {
        if (type.startsWith(QLatin1String("image/"))) return true;
    }
    return false;
}

void DataControlClipboard::clear() {
    if (!m_device) return;
    zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    m_source = nullptr;
    m_bytes.clear();
    m_queue->flush();
}

void DataControlClipboard::onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType,
                                  int fd) {
    auto* self = static_cast<DataControlClipboard*>(data);
    if (!self->m_types.contains(QByteArray(mimeType))) {
        ::close(fd);
        return;
    }
    writeAll(self->m_bytes, fd);
}

void DataControlClipboard::onCancelled(void* data, zwlr_data_control_source_v1* source) {
    auto* self = static_cast<DataControlClipboard*>(data);
    zwlr_data_control_source_v1_destroy(source);
    if (self->m_source == source) {
        self->m_source = nullptr;
        self->m_bytes.clear();
    }
}

void DataControlClipboard::onDataOffer(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* offer) {
    static const zwlr_data_control_offer_v1_listener listener{
        .offer =
            [](void* self, zwlr_data_control_offer_v1* announced, const char* mimeType) {
                static_cast<DataControlClipboard*>(self)->m_offerTypes[announced]
                    << QString::fromUtf8(mimeType);
            },
    };
    static_cast<DataControlClipboard*>(data)->m_offerTypes[offer];
    zwlr_data_control_offer_v1_add_listener(offer, &listener, data);
}

void DataControlClipboard::onSelection(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* offer) {
    auto* self = static_cast<DataControlClipboard*>(data);
    if (self->m_selection) zwlr_data_control_offer_v1_destroy(self->m_selection);
    self->m_selection = offer;
    self->m_selectionTypes = offer ? self->m_offerTypes[offer] : QStringList();
    self->m_offerTypes.erase(offer);
}

void DataControlClipboard::onPrimarySelection(void* data, zwlr_data_control_device_v1*,
                                              zwlr_data_control_offer_v1* offer) {
    if (!offer) return;
    auto* self = static_cast<DataControlClipboard*>(data);
    self->m_offerTypes.erase(offer);
    zwlr_data_control_offer_v1_destroy(offer);
}

void DataControlClipboard::onFinished(void* data, zwlr_data_control_device_v1* device) {
    auto* self = static_cast<DataControlClipboard*>(data);
    zwlr_data_control_device_v1_destroy(device);
    self->m_device = nullptr;
}

}  // namespace moxilane::wayland
