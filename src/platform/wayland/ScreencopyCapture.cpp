#include "platform/wayland/ScreencopyCapture.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace moxilane::wayland {

struct ScreencopyCapture::Output {
    std::uint32_t globalName = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    OutputInfo info;

    // Released, not only forgotten: the compositor names every binding of an output in the
    // enter events of Qt's surfaces, and Qt cannot take a binding it does not know of that is
    // already gone on our side.
    ~Output() {
        if (xdgOutput) zxdg_output_v1_destroy(xdgOutput);
        if (!output) return;
        if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output);
        else
            wl_output_destroy(output);
    }
};

namespace {

const wl_output_listener kOutputListener{
    .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                   const char*, int32_t) {},
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            if (flags & WL_OUTPUT_MODE_CURRENT)
                static_cast<OutputInfo*>(data)->modeSize = QSize(width, height);
        },
    .done = [](void*, wl_output*) {},
    .scale = [](void* data, wl_output*,
                int32_t factor) { static_cast<OutputInfo*>(data)->scale = factor; },
    .name = [](void*, wl_output*, const char*) {},
    .description = [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener kXdgOutputListener{
    .logical_position = [](void* data, zxdg_output_v1*, int32_t x,
                           int32_t y) { static_cast<OutputInfo*>(data)->logical.moveTo(x, y); },
    .logical_size =
        [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
            static_cast<OutputInfo*>(data)->logical.setSize(QSize(width, height));
        },
    .done = [](void*, zxdg_output_v1*) {},
    .name =
        [](void* data, zxdg_output_v1*, const char* name) {
            static_cast<OutputInfo*>(data)->name = QString::fromUtf8(name);
        },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

CaptureError failure(CaptureError::Kind kind, const char* detail) {
    return CaptureError{kind, QString::fromLatin1(detail)};
}

std::optional<QImage::Format> imageFormat(std::uint32_t shmFormat) {
    switch (shmFormat) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888:  // a screen has no transparency to keep
            return QImage::Format_RGB32;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888:
            return QImage::Format_RGBX8888;
        default:
            return std::nullopt;
    }
}

// One frame: the compositor says which buffer it wants, we make it, it copies and says ready.
struct Frame {
    wl_shm* shm = nullptr;
    std::uint32_t format = 0;
    QSize size;
    int stride = 0;
    bool bufferKnown = false;
    bool copyRequested = false;
    bool yInverted = false;
    bool ready = false;
    bool failed = false;
    void* pixels = MAP_FAILED;
    std::size_t bytes = 0;
    wl_buffer* buffer = nullptr;
    std::optional<CaptureError> error;

    ~Frame() {
        if (buffer) wl_buffer_destroy(buffer);
        if (pixels != MAP_FAILED) munmap(pixels, bytes);
    }

    void copyInto(zwlr_screencopy_frame_v1* frame) {
        if (copyRequested || !bufferKnown) return;
        copyRequested = true;
        if (!imageFormat(format)) {
            error = failure(CaptureError::Kind::Unsupported, "an unknown pixel format");
            failed = true;
            return;
        }
        bytes = std::size_t(stride) * std::size_t(size.height());
        const int fd = memfd_create("moxilane-screen", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(bytes)) != 0) {
            if (fd >= 0) close(fd);
            error = failure(CaptureError::Kind::Unsupported, "no memory for the screen's pixels");
            failed = true;
            return;
        }
        pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int(bytes));
        close(fd);  // the request carries its own copy
        if (pixels == MAP_FAILED) {
            wl_shm_pool_destroy(pool);
            error = failure(CaptureError::Kind::Unsupported, "no memory for the screen's pixels");
            failed = true;
            return;
        }
        buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride, format);
        wl_shm_pool_destroy(pool);
        zwlr_screencopy_frame_v1_copy(frame, buffer);
    }

    // The pixels leave the mapping without a copy: the image unmaps it when it goes.
    QImage takeImage() {
        struct Mapping {
            void* pixels;
            std::size_t bytes;
        };
        auto* mapping = new Mapping{std::exchange(pixels, MAP_FAILED), bytes};
        QImage image(
            static_cast<uchar*>(mapping->pixels), size.width(), size.height(), stride,
            *imageFormat(format),
            [](void* info) {
                auto* m = static_cast<Mapping*>(info);
                munmap(m->pixels, m->bytes);
                delete m;
            },
            mapping);
        return yInverted ? image.mirrored(false, true) : image;
    }
};

const zwlr_screencopy_frame_v1_listener kFrameListener{
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
           uint32_t stride) {
            auto* f = static_cast<Frame*>(data);
            f->format = format;
            f->size = QSize(int(width), int(height));
            f->stride = int(stride);
            f->bufferKnown = true;
        },
    .flags =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
            static_cast<Frame*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
        },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                uint32_t) { static_cast<Frame*>(data)->ready = true; },
    .failed = [](void* data,
                 zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done =
        [](void* data, zwlr_screencopy_frame_v1* frame) {
            static_cast<Frame*>(data)->copyInto(frame);
        },
};

}  // namespace

std::unique_ptr<ScreencopyCapture> ScreencopyCapture::open(wl_display* display) {
    if (!display) return nullptr;
    std::unique_ptr<ScreencopyCapture> capture(new ScreencopyCapture(display));
    if (!capture->m_manager || !capture->m_shm) return nullptr;
    return capture;
}

ScreencopyCapture::ScreencopyCapture(wl_display* display) : m_events(display) {
    m_shm = static_cast<wl_shm*>(m_events.bind(wl_shm_interface, 1));
    m_manager = static_cast<zwlr_screencopy_manager_v1*>(
        m_events.bind(zwlr_screencopy_manager_v1_interface, 3));
    m_xdgOutputs =
        static_cast<zxdg_output_manager_v1*>(m_events.bind(zxdg_output_manager_v1_interface, 3));
    refreshOutputs();
}

ScreencopyCapture::~ScreencopyCapture() {
    m_outputs.clear();
    if (m_xdgOutputs) zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_manager) zwlr_screencopy_manager_v1_destroy(m_manager);
    if (m_shm) wl_shm_destroy(m_shm);
}

void ScreencopyCapture::refreshOutputs() {
    for (const std::uint32_t gone : m_events.takeRemoved())
        std::erase_if(m_outputs, [gone](const auto& o) { return o->globalName == gone; });
    bool added = false;
    for (const EventQueue::Global& global : m_events.globals()) {
        if (global.interface != wl_output_interface.name) continue;
        if (std::ranges::any_of(m_outputs,
                                [&](const auto& o) { return o->globalName == global.name; }))
            continue;
        auto output = std::make_unique<Output>();
        output->globalName = global.name;
        output->output = static_cast<wl_output*>(m_events.bind(global, wl_output_interface, 3));
        wl_output_add_listener(output->output, &kOutputListener, &output->info);
        if (m_xdgOutputs) {
            output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, output->output);
            zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, &output->info);
        }
        m_outputs.push_back(std::move(output));
        added = true;
    }
    if (added) m_events.roundtrip();
}

std::vector<OutputInfo> ScreencopyCapture::outputs() {
    m_events.roundtrip();  // outputs plugged in or out since the last capture
    refreshOutputs();
    std::vector<OutputInfo> result;
    for (const auto& output : m_outputs)
        result.push_back(output->info);
    return result;
}

ScreencopyCapture::Output* ScreencopyCapture::findOutput(const QString& name) {
    const auto it =
        std::ranges::find_if(m_outputs, [&](const auto& o) { return o->info.name == name; });
    return it == m_outputs.end() ? nullptr : it->get();
}

std::expected<QImage, CaptureError> ScreencopyCapture::capture(const QString& outputName,
                                                               const QRect& logicalArea) {
    Output* output = findOutput(outputName);
    if (!output) {
        refreshOutputs();
        output = findOutput(outputName);
    }
    if (!output)
        return std::unexpected(failure(CaptureError::Kind::Refused, "the display has gone"));
    Frame frame;
    frame.shm = m_shm;
    zwlr_screencopy_frame_v1* request =
        logicalArea.isNull()
            ? zwlr_screencopy_manager_v1_capture_output(m_manager, 0, output->output)
            : zwlr_screencopy_manager_v1_capture_output_region(
                  m_manager, 0, output->output, logicalArea.x(), logicalArea.y(),
                  logicalArea.width(), logicalArea.height());
    zwlr_screencopy_frame_v1_add_listener(request, &kFrameListener, &frame);
    const bool announcesBufferDone =
        wl_proxy_get_version(reinterpret_cast<wl_proxy*>(request)) >= 3;
    bool connected = true;
    while (connected && !frame.ready && !frame.failed) {
        connected = m_events.dispatch();
        // Before version 3 the buffer event alone says what to make.
        if (!announcesBufferDone) frame.copyInto(request);
    }
    zwlr_screencopy_frame_v1_destroy(request);
    if (!connected)
        return std::unexpected(
            failure(CaptureError::Kind::ServerGone, "the compositor closed the connection"));
    if (frame.error) return std::unexpected(*frame.error);
    if (frame.failed)
        return std::unexpected(
            failure(CaptureError::Kind::Refused, "the compositor refused to copy the screen"));
    return frame.takeImage();
}

}  // namespace moxilane::wayland
