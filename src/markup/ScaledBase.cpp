#include "markup/ScaledBase.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QThreadPool>

namespace moxilane {

namespace {

// Up to a full-HD capture the scale is quick enough to make at once.
constexpr qint64 kScaleAtOncePixels = qint64(1) << 21;

// A smooth scale averages every source pixel: for a tall scrolling capture shown small that
// reads hundreds of megabytes. Picking 4 x 4 samples per shown pixel first looks the same on
// screen at a fraction of the reads.
QImage scaledForScreen(const QImage& image, QSize size) {
    constexpr int samples = 4;
    const QSize sampled = (size * samples).boundedTo(image.size());
    const QImage source = sampled == image.size() ? image
                                                  : image.scaled(sampled, Qt::IgnoreAspectRatio,
                                                                 Qt::FastTransformation);
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QImage regionOf(const QImage& image, QRect rect) {
    if (rect == image.rect()) return image;
    if (image.depth() % 8 != 0) return image.copy(rect);
    const uchar* first = image.constBits() + qsizetype(rect.y()) * image.bytesPerLine() +
                         qsizetype(rect.x()) * (image.depth() / 8);
    QImage region(first, rect.width(), rect.height(), image.bytesPerLine(), image.format());
    region.setColorSpace(image.colorSpace());
    return region;
}

QImage ScaledBase::scaled(const QImage& image, QRect source, QSize size, double devicePixelRatio) {
    QImage result = scaledForScreen(regionOf(image, source), size);
    if (result.format() != QImage::Format_RGB32)
        result.convertTo(QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

const QImage* ScaledBase::get(const QImage& image, QRect source, QSize size,
                              double devicePixelRatio) {
    const Key key{source, size, devicePixelRatio};
    if (!m_image.isNull() && m_key == key) return &m_image;
    if (qint64(source.width()) * source.height() <= kScaleAtOncePixels ||
        !QCoreApplication::instance()) {
        m_image = scaled(image, source, size, devicePixelRatio);
        m_key = key;
        m_pending.reset();
        return &m_image;
    }
    if (m_pending != key) start(image, key);
    return nullptr;
}

void ScaledBase::start(const QImage& image, Key key) {
    m_pending = key;
    std::weak_ptr<bool> alive = m_alive;
    // The task holds its own reference to the capture, so closing the editor meanwhile is safe.
    QThreadPool::globalInstance()->start([this, alive, image, key] {
        QImage result = scaled(image, key.source, key.size, key.devicePixelRatio);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, key, result = std::move(result)] {
                if (alive.expired() || m_pending != key) return;  // gone, or asked anew since
                m_image = result;
                m_key = key;
                m_pending.reset();
                if (m_onReady) m_onReady();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace moxilane
