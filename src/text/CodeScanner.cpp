#include "text/CodeScanner.h"

#include "text/TextAssembly.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace moxilane {

QStringList scanCodes(const QImage& image) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setTryHarder(true).setTryRotate(true).setTryDownscale(true);
    ZXing::Results results = ZXing::ReadBarcodes(view, hints);
    std::ranges::sort(results, [](const ZXing::Result& a, const ZXing::Result& b) {
        return a.position().topLeft().y < b.position().topLeft().y;
    });
    QStringList lines;
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
        lines << codeLine(bytes, decoded);
    }
    return lines;
}

}  // namespace moxilane
