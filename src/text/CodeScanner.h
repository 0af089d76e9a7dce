#pragma once

#include <QImage>
#include <QRect>
#include <QStringList>

#include <vector>

namespace moxilane {

// The QR codes and barcodes in a picture, each as a line of the result, top to bottom,
// and where each lies (image pixels).
struct ScannedCodes {
    QStringList lines;
    std::vector<QRect> areas;
};
ScannedCodes scanCodes(const QImage& image);

// The picture with the codes painted over in their quiet zone's colour: their modules are
// not text, and read as text they drown the real text in noise.
QImage withoutCodes(QImage image, const std::vector<QRect>& areas);

}  // namespace moxilane
