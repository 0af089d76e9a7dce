#include "png/Alternatives.h"

#include "capture/ParallelDeflate.h"
#include "capture/PngFilter.h"

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <vector>

namespace moxilane::bench {

namespace {

void appendToByteArray(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// libpng leaves by longjmp: nothing with a destructor may live in this frame.
bool runLibpng(png_structp png, png_infop info, const QImage& rgb, int level, int filters,
               QByteArray* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, appendToByteArray, nullptr);
    if (level >= 0) png_set_compression_level(png, level);
    if (filters >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_set_IHDR(png, info, png_uint_32(rgb.width()), png_uint_32(rgb.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < rgb.height(); ++y)
        png_write_row(png, rgb.constScanLine(y));
    png_write_end(png, info);
    return true;
}

std::vector<uchar> filteredRows(const QImage& image) {
    const qsizetype rowSize = png::filteredRowSize(image);
    std::vector<uchar> rows(size_t(rowSize) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        png::filterRow(image, y, rows.data() + y * rowSize);
    return rows;
}

int paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// One row of an RGB32 image as PNG filter `type` (0 to 4) gives it, without the type byte.
void filterRgbRow(const QImage& image, int y, int type, uchar* out) {
    const int width = image.width();
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const auto* above = y > 0 ? reinterpret_cast<const QRgb*>(image.constScanLine(y - 1)) : nullptr;
    for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;  // red, green, blue
            const int now = (row[x] >> shift) & 0xff;
            const int a = x > 0 ? (row[x - 1] >> shift) & 0xff : 0;
            const int b = above ? (above[x] >> shift) & 0xff : 0;
            const int d = above && x > 0 ? (above[x - 1] >> shift) & 0xff : 0;
            const int predicted = type == 0   ? 0
                                  : type == 1 ? a
                                  : type == 2 ? b
                                  : type == 3 ? (a + b) / 2
                                              : paethPredictor(a, b, d);
            out[3 * x + c] = uchar(now - predicted);
        }
    }
}

// libpng's heuristic: the filter whose output has the smallest sum of bytes read as signed.
void filterBestPerRow(const QImage& image, int y, uchar* out) {
    const qsizetype size = 3 * qsizetype(image.width());
    std::vector<uchar> candidate(size_t(size), 0);
    long bestCost = -1;
    for (int type = 0; type < 5; ++type) {
        filterRgbRow(image, y, type, candidate.data());
        long cost = 0;
        for (uchar v : candidate)
            cost += std::abs(int(static_cast<signed char>(v)));
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            out[0] = uchar(type);
            std::copy(candidate.begin(), candidate.end(), out + 1);
        }
    }
}

}  // namespace

QByteArray libpngEncode(const QImage& image, std::optional<int> level, std::optional<int> filters) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    QByteArray out;
    const bool ok = runLibpng(png, info, rgb, level.value_or(-1), filters.value_or(-1), &out);
    png_destroy_write_struct(&png, &info);
    return ok ? out : QByteArray();
}

QByteArray compressFilteredRows(const QImage& image, Compressor compressor, int level) {
    const std::vector<uchar> rows = filteredRows(image);
    if (compressor == Compressor::Zlib) {
        uLongf size = compressBound(uLong(rows.size()));
        QByteArray out(qsizetype(size), Qt::Uninitialized);
        compress2(reinterpret_cast<Bytef*>(out.data()), &size, rows.data(), uLong(rows.size()),
                  level);
        out.resize(qsizetype(size));
        return out;
    }
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> deflater(
        libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    QByteArray out(qsizetype(libdeflate_zlib_compress_bound(deflater.get(), rows.size())),
                   Qt::Uninitialized);
    out.resize(qsizetype(libdeflate_zlib_compress(deflater.get(), rows.data(), rows.size(),
                                                  out.data(), size_t(out.size()))));
    return out;
}

QByteArray encodeWithFilter(const QImage& image, Filter filter) {
    const qsizetype rowSize = 1 + 3 * qsizetype(image.width());
    auto writeRow = [&](int y, uchar* out) {
        if (filter == Filter::BestPerRow) return filterBestPerRow(image, y, out);
        const int type = filter == Filter::Sub ? 1 : 4;
        out[0] = uchar(type);
        filterRgbRow(image, y, type, out + 1);
    };
    const auto pieces = zlibCompressRows(image.height(), rowSize, writeRow, 2);
    QByteArray joined;
    for (const QByteArray& piece : pieces.value())
        joined += piece;
    return joined;
}

}  // namespace moxilane::bench
