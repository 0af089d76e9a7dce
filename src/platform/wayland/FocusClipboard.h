#pragma once

#include "platform/Services.h"

#include <QByteArray>

#include <memory>

struct wl_data_device;
struct wl_data_device_manager;
struct wl_data_offer;
struct wl_data_source;
struct wl_seat;

namespace moxilane::wayland {

class MainThreadQueue;

// The clipboard where the compositor has no data-control (GNOME): Mutter takes a selection
// only from the program whose window has the keyboard, and cancels any other. A copy is
// made only while one of our windows has it. An area chosen on our overlay holds the
// clipboard before the overlay closes, with a source of our own whose answer is awaited,
// and the image fills it once encoded. Everything else goes to `inner` (Qt's). Main thread.
class FocusClipboard final : public Clipboard {
public:
    FocusClipboard(std::unique_ptr<Clipboard> inner, std::shared_ptr<MainThreadQueue> queue);
    ~FocusClipboard() override;

    void setPngImage(const QByteArray& png) override;
    void setText(const QString& text) override;
    bool holdsImage() const override;
    void clear() override;
    bool copiesNow() const override;
    void holdForImage() override;

private:
    bool holding() const { return m_source && !m_filled; }
    void dropSource();
    static void onCapabilities(void* data, wl_seat*, uint32_t capabilities);
    static void onSelection(void* data, wl_data_device*, wl_data_offer* offer);
    static void onSend(void* data, wl_data_source*, const char* mimeType, int fd);
    static void onCancelled(void* data, wl_data_source* source);

    std::unique_ptr<Clipboard> m_inner;
    std::shared_ptr<MainThreadQueue> m_queue;
    wl_seat* m_seat = nullptr;
    wl_data_device_manager* m_manager = nullptr;
    wl_data_device* m_device = nullptr;
    bool m_keyboard = false;               // the seat has one: without it nobody may copy
    wl_data_source* m_source = nullptr;    // ours while it holds the clipboard
    wl_data_offer* m_selection = nullptr;  // the compositor's latest word on the selection
    bool m_selectionSeen = false;          // a selection event came since the hold was asked
    bool m_filled = false;
    QByteArray m_png;
};

}  // namespace moxilane::wayland
