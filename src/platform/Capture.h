#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

#include <vector>

namespace moxilane {

// One finished capture: pixels in device pixels, rows top to bottom, and the
// device-pixels-per-point factor of the display it came from.
struct Capture {
    Capture() = default;
    Capture(QImage pixels, double pixelsPerPoint, QPoint origin = {})
        : image(std::move(pixels)), scale(pixelsPerPoint), positionDevice(origin) {}

    QImage image;
    double scale = 1.0;
    // Where the image's top-left corner lies on the desktop, in device pixels. Places the
    // displays of a full-screen capture when they are put together as one image.
    QPoint positionDevice;
};

// Ordered; the first entry is the primary capture (previewed, edited).
using CaptureList = std::vector<Capture>;

// Why a capture could not be taken.
struct CaptureError {
    enum class Kind {
        NoDisplay,    // the system lists no display we can use
        ServerGone,   // the connection to the display server is lost
        Refused,      // the server refused the request (display or window gone)
        Unsupported,  // a pixel format or server we cannot read
        Declined,     // the desktop did not share the screen: asking again would not help
        Cancelled,    // the user cancelled the desktop's own dialog
    };
    Kind kind = Kind::NoDisplay;
    QString detail;  // what the server said, when it said anything

    QString description() const;
};

}  // namespace moxilane
