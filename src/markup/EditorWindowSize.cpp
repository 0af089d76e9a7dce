#include "markup/EditorWindowSize.h"

#include <algorithm>

namespace moxilane {

EditorWindowLayout markupEditorLayout(QSize imagePixels, double scale,
                                      std::optional<QSizeF> workAreaPoints, EditorBarWidths bar) {
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
    const int rows = bar.oneRow > maxW ? 2 : 1;
    const double minimumWidth =
        std::max({kEditorMinimumWidth, rows == 1 ? bar.oneRow : bar.twoRows});
    return {QSizeF(std::max(ptsW * fit, minimumWidth), ptsH * fit + rows * kEditorToolbarHeight),
            minimumWidth, rows};
}

}  // namespace moxilane
