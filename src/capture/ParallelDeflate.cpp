#include "capture/ParallelDeflate.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

namespace moxilane {

namespace {

// Each band of rows is its own raw deflate stream, ended by a sync flush (an empty stored block
// that byte-aligns it) so the next band's stream can follow it directly; the decoder sees one
// stream. Two threads take bands in turn, so a band much smaller than half the image keeps both
// busy to the end; each band costs a few bytes and a compressor that starts without history.
constexpr qsizetype kBandSize = qsizetype(2) << 20;
// Rows are filtered into a buffer this size, small enough to stay in cache until compressed.
constexpr qsizetype kChunkSize = qsizetype(256) << 10;
// A 4 KiB window instead of 32: after the Up filter the useful matches are near, and ISA-L's
// level 1 made files 3% smaller with it, flat areas a third the size (bench/png/RESULTS.md).
constexpr int kHistoryBits = 12;
// zlib header: deflate, "fastest" level hint, check bits, and a 32 KiB window, which every
// decoder accepts and which covers the smaller one the compressor uses.
constexpr char kZlibHeader[] = {0x78, 0x01};
constexpr qsizetype kZlibHeaderSize = sizeof(kZlibHeader);

struct Band {
    int firstRow = 0;
    int endRow = 0;
    bool isLast = false;
    QByteArray deflated;
    quint32 adler = 1;  // Adler-32 of this band's rows alone
};

// One thread's compressor: ISA-L at level 1, on screenshots several times faster than zlib at
// level 1 and smaller; its levels 2 and 3 were slower and no smaller. Reused for every band the
// thread takes.
class BandCompressor {
public:
    BandCompressor(qsizetype rowSize, const RowWriter& writeRow)
        : m_rowSize(rowSize),
          m_writeRow(writeRow),
          m_levelBuffer(ISAL_DEF_LVL1_DEFAULT),
          m_rows(std::max<qsizetype>(1, kChunkSize / rowSize) * rowSize) {}

    // Leaves room for `reserved` bytes before the deflate data.
    bool compress(Band& band, qsizetype reserved) {
        isal_zstream stream;
        isal_deflate_init(&stream);
        stream.level = 1;
        stream.level_buf = m_levelBuffer.data();
        stream.level_buf_size = quint32(m_levelBuffer.size());
        stream.gzip_flag = IGZIP_DEFLATE;
        stream.hist_bits = kHistoryBits;
        const qsizetype rawSize = qsizetype(band.endRow - band.firstRow) * m_rowSize;
        band.deflated.resize(reserved + rawSize / 4 + 4096);
        stream.next_out = reinterpret_cast<uint8_t*>(band.deflated.data()) + reserved;
        stream.avail_out = quint32(band.deflated.size() - reserved);

        const int rowsPerChunk = int(m_rows.size() / m_rowSize);
        int row = band.firstRow;
        do {  // at least once, so even an empty band is ended properly
            const int endRow = std::min(row + rowsPerChunk, band.endRow);
            for (int r = row; r < endRow; ++r)
                m_writeRow(r, m_rows.data() + (r - row) * m_rowSize);
            const qsizetype size = qsizetype(endRow - row) * m_rowSize;
            band.adler = isal_adler32(band.adler, m_rows.data(), quint64(size));
            stream.next_in = m_rows.data();
            stream.avail_in = quint32(size);
            const bool bandEnds = endRow == band.endRow;
            stream.end_of_stream = bandEnds && band.isLast;
            stream.flush = bandEnds && !band.isLast ? SYNC_FLUSH : NO_FLUSH;
            if (!deflate(stream, band.deflated, reserved)) return false;
            row = endRow;
        } while (row < band.endRow);
        if (band.isLast && stream.internal_state.state != ZSTATE_END) return false;
        band.deflated.resize(reserved + stream.total_out);
        return true;
    }

private:
    // Runs until the input is used up and the output did not fill: then ISA-L has written all
    // it was asked to, flush and end of stream included.
    static bool deflate(isal_zstream& stream, QByteArray& out, qsizetype reserved) {
        for (;;) {
            if (isal_deflate(&stream) != COMP_OK) return false;
            if (stream.avail_in == 0 && stream.avail_out > 0) return true;
            if (stream.avail_out == 0) {
                const qsizetype used = reserved + stream.total_out;
                out.resize(out.size() + out.size() / 2 + 4096);
                stream.next_out = reinterpret_cast<uint8_t*>(out.data()) + used;
                stream.avail_out = quint32(
                    std::min<qsizetype>(out.size() - used, std::numeric_limits<quint32>::max()));
            }
        }
    }

    qsizetype m_rowSize;
    const RowWriter& m_writeRow;
    std::vector<uint8_t> m_levelBuffer;
    std::vector<uint8_t> m_rows;
};

std::vector<Band> splitIntoBands(int rowCount, qsizetype rowSize) {
    const int rowsPerBand = int(std::clamp<qsizetype>(kBandSize / rowSize, 1, rowCount));
    std::vector<Band> bands(std::max(1, (rowCount + rowsPerBand - 1) / rowsPerBand));
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i].firstRow = int(i) * rowsPerBand;
        bands[i].endRow = std::min(rowCount, bands[i].firstRow + rowsPerBand);
    }
    bands.back().isLast = true;
    return bands;
}

void appendBigEndian(QByteArray& out, quint32 value) {
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, sizeof(bytes));
}

}  // namespace

std::expected<std::vector<QByteArray>, QString> zlibCompressRows(int rowCount, qsizetype rowSize,
                                                                 const RowWriter& writeRow,
                                                                 int threads) {
    if (rowCount < 0 || rowSize <= 0) return std::unexpected(QStringLiteral("Nothing to compress"));
    std::vector<Band> bands = splitIntoBands(rowCount, rowSize);

    enum class Fault { None, Compressor, Memory };
    std::atomic<int> nextBand{0};
    std::atomic<Fault> fault{Fault::None};
    auto work = [&] {
        try {
            BandCompressor compressor(rowSize, writeRow);
            for (int i; fault == Fault::None && (i = nextBand.fetch_add(1)) < int(bands.size());)
                if (!compressor.compress(bands[size_t(i)], i == 0 ? kZlibHeaderSize : 0))
                    fault = Fault::Compressor;
        } catch (const std::bad_alloc&) {
            fault = Fault::Memory;
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < std::min(threads, int(bands.size())); ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // fewer threads today; the ones running take every band
            }
        }
        work();
    }
    if (fault == Fault::Compressor) return std::unexpected(QStringLiteral("The compressor failed"));
    if (fault == Fault::Memory)
        return std::unexpected(QStringLiteral("Not enough memory to compress the image"));

    std::copy_n(kZlibHeader, kZlibHeaderSize, bands.front().deflated.data());
    uLong adler = bands.front().adler;
    for (size_t i = 1; i < bands.size(); ++i)
        adler = adler32_combine(adler, bands[i].adler,
                                z_off_t(bands[i].endRow - bands[i].firstRow) * rowSize);
    appendBigEndian(bands.back().deflated, quint32(adler));

    std::vector<QByteArray> pieces;
    pieces.reserve(bands.size());
    for (Band& band : bands)
        pieces.push_back(std::move(band.deflated));
    return pieces;
}

}  // namespace moxilane
