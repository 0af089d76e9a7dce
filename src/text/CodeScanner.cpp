#include "text/CodeScanner.h"

#include "text/TextAssembly.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace moxilane {

ScannedCodes scanCodes(const QImage& image) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setTryHarder(true).setTryRotate(true).setTryDownscale(true);
    ZXing::Results results = ZXing::ReadBarcodes(view, hints);
    std::ranges::sort(results, [](const ZXing::Result& a, const ZXing::Result& b) {
        return a.position().topLeft().y < b.position().topLeft().y;
    });
    ScannedCodes codes;
    for (const ZXing::Result& result : results) {
        if (!result.isValid()) continue;
        const ZXing::ByteArray& raw = result.bytes();
        const QByteArray bytes(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size()));
        // Without a declared charset the bytes count as UTF-8 or as binary; a reader's guess
        // (Latin-1, Shift_JIS) would turn binary data into text that was never written.
        std::optional<QString> decoded;
        if (result.hasECI() && result.contentType() == ZXing::ContentType::Text) {
            const std::string utf8 = result.text();
            decoded = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        }
        codes.lines << codeLine(bytes, decoded);
        const ZXing::Position& corners = result.position();
        QRect area;
        for (const ZXing::PointI& corner : corners)
            area |= QRect(corner.x, corner.y, 1, 1);
        codes.areas.push_back(area);
    }
    return codes;
}

QImage withoutCodes(QImage image, const std::vector<QRect>& areas) {
    if (areas.empty()) return image;
    image = image.convertToFormat(QImage::Format_RGB32);
    for (const QRect& area : areas) {
        // A margin of a tenth takes in the finder patterns' outer edge; a barcode's
        // position is a line through it, so its height is made up too.
        const int margin = std::max(area.width(), area.height()) / 10 + 2;
        QRect cover = area.adjusted(-margin, -margin, margin, margin);
        if (area.height() < area.width() / 4)
            cover.adjust(0, -area.width() / 4, 0, area.width() / 4);
        cover &= image.rect();
        if (cover.isEmpty()) continue;
        const QRgb quiet = image.pixel(cover.topLeft());
        for (int y = cover.top(); y <= cover.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + cover.left(), cover.width(),
                        quiet);
    }
    return image;
}

}  // namespace moxilane
