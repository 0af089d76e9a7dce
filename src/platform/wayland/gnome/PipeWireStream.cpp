#include "platform/wayland/gnome/PipeWireStream.h"

#include "platform/wayland/gnome/CastFrame.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>

#include <unistd.h>

#include <array>
#include <mutex>

namespace moxilane::wayland {

namespace {

CaptureError streamError(const QString& what) {
    return CaptureError{CaptureError::Kind::Refused, QStringLiteral("screen cast: ") + what};
}

std::optional<CastPixelLayout> layoutOf(spa_video_format format) {
    switch (format) {
        case SPA_VIDEO_FORMAT_BGRx:
            return CastPixelLayout::bgrx;
        case SPA_VIDEO_FORMAT_BGRA:
            return CastPixelLayout::bgra;
        case SPA_VIDEO_FORMAT_RGBx:
            return CastPixelLayout::rgbx;
        case SPA_VIDEO_FORMAT_RGBA:
            return CastPixelLayout::rgba;
        default:
            return std::nullopt;
    }
}

}  // namespace

// What the stream's callbacks need, on PipeWire's thread.
struct PipeWireStream::Listener {
    PipeWireStream& owner;
    spa_hook hook{};
    QSize size;
    std::optional<CastPixelLayout> layout;

    static void stateChanged(void* data, pw_stream_state, pw_stream_state state,
                             const char* error) {
        auto* self = static_cast<Listener*>(data);
        if (state == PW_STREAM_STATE_ERROR)
            self->owner.failed(QString::fromUtf8(error ? error : "the stream failed"));
        else if (state == PW_STREAM_STATE_UNCONNECTED)
            self->owner.failed(QStringLiteral("the desktop stopped sharing the screen"));
    }

    static void paramChanged(void* data, uint32_t id, const spa_pod* param) {
        auto* self = static_cast<Listener*>(data);
        if (id != SPA_PARAM_Format || !param) return;
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0) return;
        self->size = QSize(int(info.size.width), int(info.size.height));
        self->layout = layoutOf(info.format);
        if (!self->layout) self->owner.failed(QStringLiteral("an unknown pixel format"));
        // Frames in shared memory (not GPU buffers, which we cannot read), with the crop
        // the compositor may give.
        std::array<uint8_t, 1024> buffer{};
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), uint32_t(buffer.size()));
        std::array<const spa_pod*, 2> params{
            static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,
                SPA_PARAM_BUFFERS_dataType,
                SPA_POD_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr)))),
            static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
                SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size,
                SPA_POD_Int(sizeof(spa_meta_region))))};
        pw_stream_update_params(self->owner.m_stream, params.data(), uint32_t(params.size()));
    }

    static void process(void* data) {
        auto* self = static_cast<Listener*>(data);
        pw_stream* stream = self->owner.m_stream;
        // Only the newest buffer matters; older ones go straight back.
        pw_buffer* newest = nullptr;
        while (pw_buffer* next = pw_stream_dequeue_buffer(stream)) {
            if (newest) pw_stream_queue_buffer(stream, newest);
            newest = next;
        }
        if (!newest) return;
        QImage frame = self->image(*newest->buffer);
        pw_stream_queue_buffer(stream, newest);
        // A buffer without pixels carries only the pointer's moves.
        if (!frame.isNull()) self->owner.received(std::move(frame));
    }

    QImage image(const spa_buffer& buffer) const {
        if (!layout || buffer.n_datas < 1) return {};
        const spa_data& plane = buffer.datas[0];
        if (!plane.data || !plane.chunk || plane.chunk->size == 0 ||
            (plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
            return {};
        QRect crop;
        const auto* region = static_cast<const spa_meta_region*>(
            spa_buffer_find_meta_data(&buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
        if (region && spa_meta_region_is_valid(region))
            crop = QRect(region->region.position.x, region->region.position.y,
                         int(region->region.size.width), int(region->region.size.height));
        const uint32_t offset = plane.chunk->offset % plane.maxsize;
        return castFrameImage({static_cast<const uchar*>(plane.data) + offset,
                               std::min<std::size_t>(plane.chunk->size, plane.maxsize - offset),
                               size, plane.chunk->stride, *layout, crop});
    }
};

PipeWireStream::PipeWireStream() = default;

std::expected<std::unique_ptr<PipeWireStream>, CaptureError> PipeWireStream::open(int fd,
                                                                                  unsigned nodeId) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    std::unique_ptr<PipeWireStream> stream(new PipeWireStream);
    stream->m_loop = pw_thread_loop_new("moxilane-cast", nullptr);
    if (!stream->m_loop) {
        ::close(fd);
        return std::unexpected(streamError(QStringLiteral("no PipeWire loop")));
    }
    pw_thread_loop_lock(stream->m_loop);
    stream->m_context = pw_context_new(pw_thread_loop_get_loop(stream->m_loop), nullptr, 0);
    // The core takes the descriptor over, also when it fails.
    stream->m_core =
        stream->m_context ? pw_context_connect_fd(stream->m_context, fd, nullptr, 0) : nullptr;
    if (!stream->m_context) ::close(fd);
    if (stream->m_core) {
        stream->m_stream =
            pw_stream_new(stream->m_core, "moxilane",
                          pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                            "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    }
    if (!stream->m_stream) {
        pw_thread_loop_unlock(stream->m_loop);
        return std::unexpected(streamError(QStringLiteral("cannot connect to PipeWire")));
    }
    static constexpr pw_stream_events kEvents{
        .version = PW_VERSION_STREAM_EVENTS,
        .destroy = nullptr,
        .state_changed = &Listener::stateChanged,
        .control_info = nullptr,
        .io_changed = nullptr,
        .param_changed = &Listener::paramChanged,
        .add_buffer = nullptr,
        .remove_buffer = nullptr,
        .process = &Listener::process,
        .drained = nullptr,
        .command = nullptr,
        .trigger_done = nullptr,
    };
    stream->m_listener.reset(new Listener{*stream, {}, {}, {}});
    pw_stream_add_listener(stream->m_stream, &stream->m_listener->hook, &kEvents,
                           stream->m_listener.get());

    std::array<uint8_t, 1024> buffer{};
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), uint32_t(buffer.size()));
    spa_rectangle sizeDefault{1920, 1080}, sizeMin{1, 1}, sizeMax{16384, 16384};
    spa_fraction rateDefault{0, 1}, rateMin{0, 1}, rateMax{1000, 1};
    const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&sizeDefault, &sizeMin, &sizeMax),
        SPA_FORMAT_VIDEO_framerate,
        SPA_POD_CHOICE_RANGE_Fraction(&rateDefault, &rateMin, &rateMax)));
    const int connected = pw_stream_connect(
        stream->m_stream, PW_DIRECTION_INPUT, nodeId,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        &format, 1);
    pw_thread_loop_unlock(stream->m_loop);
    if (connected < 0)
        return std::unexpected(streamError(QStringLiteral("cannot open the screen's stream")));
    if (pw_thread_loop_start(stream->m_loop) < 0)
        return std::unexpected(streamError(QStringLiteral("cannot start the PipeWire thread")));
    return stream;
}

PipeWireStream::~PipeWireStream() {
    if (!m_loop) return;
    pw_thread_loop_stop(m_loop);
    if (m_stream) pw_stream_destroy(m_stream);
    if (m_core) pw_core_disconnect(m_core);
    if (m_context) pw_context_destroy(m_context);
    pw_thread_loop_destroy(m_loop);
}

void PipeWireStream::received(QImage frame) {
    {
        std::lock_guard lock(m_mutex);
        m_latest = std::move(frame);
    }
    m_arrived.notify_all();
}

void PipeWireStream::failed(const QString& why) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_error) m_error = why;
    }
    m_arrived.notify_all();
}

std::expected<QImage, CaptureError> PipeWireStream::latestFrame(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, timeout, [this] { return !m_latest.isNull() || m_error; });
    // Asking the same stream again would not help: the run ends with what it has.
    if (m_error)
        return std::unexpected(
            CaptureError{CaptureError::Kind::Declined, QStringLiteral("screen cast: ") + *m_error});
    if (m_latest.isNull())
        return std::unexpected(CaptureError{
            CaptureError::Kind::Declined,
            QStringLiteral("screen cast: no picture came within %1 ms").arg(timeout.count())});
    return m_latest;
}

}  // namespace moxilane::wayland
