#pragma once

#include <QImage>

#include <functional>
#include <memory>
#include <optional>

namespace moxilane {

// A rectangle of the image that shares its pixels, for a 4-byte format; else a copy.
QImage regionOf(const QImage& image, QRect rect);

// The capture scaled to the device pixels it covers, kept so a paint only blits it. A large
// capture is scaled on a pool thread: smoothing 4K on the main thread held the editor's
// first paint for tens of milliseconds, and a fresh scaled image costs as much again in page
// faults. Until it is ready the caller draws the capture directly, without smoothing.
class ScaledBase {
public:
    explicit ScaledBase(std::function<void()> onReady) : m_onReady(std::move(onReady)) {}

    // The scaled `source` rectangle of `image` at `size` device pixels, or null while it is
    // being made (onReady runs on the main thread once it is).
    const QImage* get(const QImage& image, QRect source, QSize size, double devicePixelRatio);

    static QImage scaled(const QImage& image, QRect source, QSize size, double devicePixelRatio);

private:
    struct Key {
        QRect source;
        QSize size;
        double devicePixelRatio = 1;
        bool operator==(const Key&) const = default;
    };
    void start(const QImage& image, Key key);

    QImage m_image;
    Key m_key;
    std::optional<Key> m_pending;
    std::function<void()> m_onReady;
    // Results that arrive after the canvas is gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace moxilane
