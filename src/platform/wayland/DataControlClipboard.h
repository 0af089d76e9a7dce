#pragma once

#include "platform/Services.h"

#include <QByteArray>
#include <QStringList>

#include <map>
#include <memory>

struct wl_seat;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace moxilane::wayland {

class MainThreadQueue;

// Writes the bytes to a paste's pipe from a thread of its own, then closes it.
void writeAll(QByteArray bytes, int fd);

// The clipboard through wlr-data-control, which needs no input serial: a capture taken by a
// command or a shortcut the compositor ran reaches the clipboard as one taken by a click.
// Main thread.
class DataControlClipboard final : public Clipboard {
public:
    // Null when the compositor offers no data control or no seat.
    static std::unique_ptr<DataControlClipboard> open(std::shared_ptr<MainThreadQueue> queue);
    ~DataControlClipboard() override;

    void setPngImage(const QByteArray& png) override;
    void setText(const QString& text) override;
    bool holdsImage() const override;
    void clear() override;

private:
    explicit DataControlClipboard(std::shared_ptr<MainThreadQueue> queue);
    // Holds the clipboard with these bytes, offered under each of the types.
    void offer(const QByteArray& bytes, const QList<QByteArray>& types);
    static void onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, int fd);
    static void onCancelled(void* data, zwlr_data_control_source_v1* source);
    static void onDataOffer(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer);
    static void onSelection(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer);
    static void onPrimarySelection(void* data, zwlr_data_control_device_v1*,
                                   zwlr_data_control_offer_v1* offer);
    static void onFinished(void* data, zwlr_data_control_device_v1*);

    std::shared_ptr<MainThreadQueue> m_queue;
    wl_seat* m_seat = nullptr;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;  // ours while it holds the clipboard
    QByteArray m_bytes;
    QList<QByteArray> m_types;
    zwlr_data_control_offer_v1* m_selection = nullptr;
    QStringList m_selectionTypes;
    // Types each offer announced, until the device says which offer is the selection.
    std::map<zwlr_data_control_offer_v1*, QStringList> m_offerTypes;
};

}  // namespace moxilane::wayland
