#pragma once

#include <QByteArray>
#include <QString>

#include <expected>
#include <functional>
#include <vector>

namespace moxilane {

// Writes row `row` of the data to compress, rowSize bytes, to out. Called on several threads at
// once, for rows in any order.
using RowWriter = std::function<void(int row, uchar* out)>;

// One zlib stream (RFC 1950) of rowCount rows of rowSize bytes, compressed on up to `threads`
// threads (the caller's among them). Returned in pieces that form the stream when joined in
// order, so the caller can frame them without copying them into one buffer first.
[[nodiscard]] std::expected<std::vector<QByteArray>, QString> zlibCompressRows(
    int rowCount, qsizetype rowSize, const RowWriter& writeRow, int threads);

}  // namespace moxilane
