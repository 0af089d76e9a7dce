#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Encoders and filters measured against the one the program uses.
namespace moxilane::bench {

// libpng with the same RGB pixels; no level and no filters means libpng's defaults (level 6,
// a filter chosen per row), the reference for output size.
QByteArray libpngEncode(const QImage& image, std::optional<int> level = std::nullopt,
                        std::optional<int> filters = std::nullopt);

// The whole image's rows filtered by the program's filter, then compressed in one piece.
enum class Compressor { Zlib, Libdeflate };
QByteArray compressFilteredRows(const QImage& image, Compressor compressor, int level);

// The program's compressor fed with rows filtered another way (one byte of filter type, then RGB).
enum class Filter { Sub, Paeth, BestPerRow };
QByteArray encodeWithFilter(const QImage& image, Filter filter);

}  // namespace moxilane::bench
