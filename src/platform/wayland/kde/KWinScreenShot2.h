#pragma once

#include "platform/Capture.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVariantMap>

#include <expected>

namespace moxilane::wayland {

// Why KWin gave no picture. Whoever may fall back to another route needs to know whether
// KWin refused us (no grant: we were not started from an installed entry) or cannot do it at
// all (no compositing with OpenGL, or not KWin), or failed this one time.
struct KWinShotError {
    enum class Kind { NotAuthorized, Unavailable, Failed };
    Kind kind = Kind::Failed;
    QString message;
    [[nodiscard]] bool allowsFallback() const { return kind != Kind::Failed; }
    [[nodiscard]] CaptureError toCaptureError() const;
};

// The kind of a D-Bus error name as the screenshot interface answers.
[[nodiscard]] KWinShotError::Kind kwinErrorKind(const QString& dbusErrorName);

// The image described by a capture call's results ("raw" pixels: width, height, stride and a
// QImage format) from the bytes read out of its pipe. Fails on any other type, an unknown
// format, a stride too short for a row or too few bytes.
[[nodiscard]] std::expected<QImage, KWinShotError> imageFromRawPixels(const QVariantMap& results,
                                                                      const QByteArray& bytes);

// KWin's own screenshot interface: raw pixels over a pipe, at the outputs' native resolution,
// never with the pointer. Blocking calls; any thread.
class KWinScreenShot2 {
public:
    // The output named as Qt names the screen.
    [[nodiscard]] std::expected<QImage, KWinShotError> captureScreen(const QString& outputName);
    // An area in global points; pixels at the largest scale of the outputs it touches.
    [[nodiscard]] std::expected<QImage, KWinShotError> captureArea(const QRect& areaLogical);
    // A window by KWin's internal id, with its decoration, without its shadow; covered parts
    // come out as the window drew them.
    [[nodiscard]] std::expected<QImage, KWinShotError> captureWindow(const QString& internalId);

private:
    std::expected<QImage, KWinShotError> capture(const QString& method, QVariantList arguments);
};

}  // namespace moxilane::wayland
