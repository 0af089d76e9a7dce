#include "platform/Capture.h"

namespace moxilane {

QString CaptureError::description() const {
    QString text;
    switch (kind) {
        case Kind::NoDisplay:
            return QStringLiteral("No display found to capture.");
        case Kind::ServerGone:
            text = QStringLiteral("The connection to the display server was lost");
            break;
        case Kind::Refused:
            text = QStringLiteral("The display server could not provide the picture");
            break;
        case Kind::Unsupported:
            text = QStringLiteral("The display's pixel format cannot be captured");
            break;
        case Kind::Declined:
            text = QStringLiteral("The desktop did not share the screen");
            break;
        case Kind::Cancelled:
            text = QStringLiteral("The capture was cancelled");
            break;
    }
    if (!detail.isEmpty()) text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return text + QLatin1Char('.');
}

}  // namespace moxilane
