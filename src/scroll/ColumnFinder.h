#pragma once

#include "scroll/ColumnSet.h"

#include <QImage>
#include <QtGlobal>

#include <vector>

namespace moxilane {

// Finds the columns of a frame that are not content: a fixed sidebar, a scroll bar, and of the
// columns left out of matching those that did not follow the content. Keeps scratch memory for
// one frame size.
class ColumnFinder {
public:
    explicit ColumnFinder(int width);

    // Columns that did not change over the rows that did (rowChanged[y] != 0), and are not one
    // colour from top to bottom: such a column (a margin, a vertical rule) moves with the
    // content unseen. A fixed sidebar.
    ColumnSet fixed(const QImage& last, const QImage& frame, const std::vector<quint8>& rowChanged);

    // The outermost columns on both sides, where a scroll bar would be.
    static ColumnSet sideStrips(int width);

    // Of the columns left out of matching, those that are not content after all: they did not
    // follow the shift over the frame's rows [begin, end), or they are one colour there while
    // the sidebar found before holds them.
    ColumnSet notFollowing(const ColumnSet& leftOut, const ColumnSet& sidebar, const QImage& last,
                           const QImage& frame, qint64 shift, qint64 begin, qint64 end);

private:
    int m_width;
    std::vector<quint32> m_difference;
    std::vector<quint32> m_variation;
};

}  // namespace moxilane
