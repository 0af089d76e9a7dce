#pragma once

#include <QImage>
#include <QtGlobal>

#include <optional>

// Frames that share only blank rows (rows of one colour, a gap between blocks taller than the
// view) do not show how far the content moved. The smallest shift both allow puts all of the
// last frame's content above the new frame's top and all of the new content below the last
// frame's bottom: the gap may come out shorter than it was, but no content is lost or repeated.
namespace moxilane::blankgap {

struct Join {
    enum class Kind {
        blankFrame,  // the frame shows nothing but blank rows where the content was
        join,        // the frame's content follows blank rows at `shift`
    };
    Kind kind;
    qint64 shift = 0;
    qint64 top = 0;  // rows above stayed in place: a header
};

// stillTop / stillBottom: rows that stayed the same in place at the top and the bottom. Nothing
// when the rows where the content ends or starts are not blank. Both frames: the same size,
// 32-bit pixels.
std::optional<Join> find(const QImage& last, const QImage& frame, qint64 stillTop,
                         qint64 stillBottom);

// Whether rows [begin, end) of the image are all of one colour.
bool blankRows(const QImage& image, qint64 begin, qint64 end);

}  // namespace moxilane::blankgap
