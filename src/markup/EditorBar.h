#pragma once

#include "markup/EditorWindowSize.h"

#include <QWidget>

class QGridLayout;
class QHBoxLayout;

namespace moxilane {

// The editor's tool bar: a leading and a trailing group of fixed-size items, 10 points apart,
// with free space between. Narrower than both groups side by side, the trailing group moves to
// a second row, at the right, so every item stays on screen; each row is 48 points high.
class EditorBar final : public QWidget {
public:
    explicit EditorBar(QWidget* parent);

    void addLeading(QWidget* item);
    void addTrailing(QWidget* item);
    EditorBarWidths widths() const;
    int rows() const { return m_rows; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setRows(int rows);

    QWidget* m_leading;
    QWidget* m_trailing;
    QHBoxLayout* m_leadingRow;
    QHBoxLayout* m_trailingRow;
    QGridLayout* m_grid;
    int m_rows = 0;
};

}  // namespace moxilane
