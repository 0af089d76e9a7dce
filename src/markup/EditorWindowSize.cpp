#include "markup/EditorWindowSize.h"

#include <algorithm>

namespace moxilane {

QSizeF markupEditorContentSize(QSize imagePixels, double scale,
                               std::optional<QSizeF> workAreaPoints) {
    double maxW = 1080, maxH = 672;
    if (workAreaPoints) {
        maxW = 0.9 * workAreaPoints->width();
        maxH = 0.9 * workAreaPoints->height() - kEditorToolbarHeight;
    }
    const double pointScale = scale > 0 ? scale : 1.0;
    const double ptsW = imagePixels.width() / pointScale;
    const double ptsH = imagePixels.height() / pointScale;
    double fit = 1.0;
    if (ptsW > 0) fit = std::min(fit, maxW / ptsW);
    if (ptsH > 0) fit = std::min(fit, maxH / ptsH);
    fit = std::max(fit, 0.0);  // a screen smaller than the tool bar leaves no room
    return QSizeF(std::max(ptsW * fit, kEditorMinimumWidth), ptsH * fit + kEditorToolbarHeight);
}

}  // namespace moxilane
