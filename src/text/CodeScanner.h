#pragma once

#include <QImage>
#include <QStringList>

namespace moxilane {

// The QR codes and barcodes in a picture, each as a line of the result, top to bottom.
QStringList scanCodes(const QImage& image);

}  // namespace moxilane
