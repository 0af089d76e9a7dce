#pragma once

#include "platform/Capture.h"
#include "platform/wayland/WaylandConnection.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <expected>
#include <memory>
#include <vector>

struct wl_output;
struct wl_shm;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;

namespace moxilane::wayland {

// An output as a client learns it from the compositor: its name, where it lies in the
// desktop's logical layout, and its mode in device pixels.
struct OutputInfo {
    QString name;
    QRect logical;
    QSize modeSize;
    int scale = 1;  // the integer scale the output announces

    double pixelsPerPoint() const {
        return logical.width() > 0 ? double(modeSize.width()) / logical.width() : scale;
    }
};

// Pixels of outputs through wlr-screencopy, on the thread that calls it (one at a time): its
// own event queue on Qt's connection, shared-memory buffers, never the pointer.
class ScreencopyCapture {
public:
    // Null when the compositor does not offer screencopy.
    static std::unique_ptr<ScreencopyCapture> open(wl_display* display);
    ~ScreencopyCapture();

    // The outputs now, after any that came or went.
    std::vector<OutputInfo> outputs();
    // The output's whole picture, or the part of it in logical points from its top left.
    std::expected<QImage, CaptureError> capture(const QString& outputName,
                                                const QRect& logicalArea = {});

    struct Output;

private:
    explicit ScreencopyCapture(wl_display* display);
    void refreshOutputs();
    Output* findOutput(const QString& name);

    EventQueue m_events;
    wl_shm* m_shm = nullptr;
    zwlr_screencopy_manager_v1* m_manager = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    std::vector<std::unique_ptr<Output>> m_outputs;
};

}  // namespace moxilane::wayland
