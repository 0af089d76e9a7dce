#pragma once

#include <QImage>
#include <QtGlobal>

#include <memory>

namespace moxilane {

// The stitched image's rows, kept in one anonymous memory mapping that grows without copying
// (mremap) and commits only the pages written, so that strips land in their final place and a
// stitch of N rows costs N rows of memory. Images handed out share the mapping read-only; the
// canvas moves to a copy before it changes rows that such an image may still show.
class StitchCanvas {
public:
    StitchCanvas(int width, QImage::Format format, qint64 maxRows);

    // Makes rows [0, rows) writable, keeping the content of [0, keptRows). False when the
    // memory cannot be had; the canvas is then unchanged.
    [[nodiscard]] bool prepare(qint64 keptRows, qint64 rows);
    // A row made writable by prepare().
    uchar* row(qint64 y) { return m_data + y * m_bytesPerLine; }
    const uchar* row(qint64 y) const { return m_data + y * m_bytesPerLine; }

    // Rows [0, rows) as a read-only image that stays valid and unchanged on its own.
    QImage image(qint64 rows) const;

private:
    struct Mapping;

    [[nodiscard]] bool resize(qint64 keptRows, qint64 capacityRows);

    int m_width;
    QImage::Format m_format;
    qint64 m_maxRows;
    qint64 m_bytesPerLine;
    qint64 m_capacityRows = 0;
    std::shared_ptr<Mapping> m_mapping;
    uchar* m_data = nullptr;
};

}  // namespace moxilane
