#include "markup/EditorBar.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include <algorithm>

namespace moxilane {

namespace {

constexpr int kItemSpacing = 10;
constexpr int kSideInset = 12;
// 32-point items centred in 48-point rows.
constexpr int kRowInset = 8;

QHBoxLayout* rowIn(QWidget* group) {
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kItemSpacing);
    return row;
}

}  // namespace

EditorBar::EditorBar(QWidget* parent)
    : QWidget(parent),
      m_leading(new QWidget(this)),
      m_trailing(new QWidget(this)),
      m_leadingRow(rowIn(m_leading)),
      m_trailingRow(rowIn(m_trailing)),
      m_grid(new QGridLayout(this)) {
    m_grid->setContentsMargins(kSideInset, kRowInset, kSideInset, kRowInset);
    m_grid->setHorizontalSpacing(kItemSpacing);
    m_grid->setVerticalSpacing(2 * kRowInset);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnStretch(1, 1);
    setRows(1);
}

void EditorBar::addLeading(QWidget* item) {
    m_leadingRow->addWidget(item);
}

void EditorBar::addTrailing(QWidget* item) {
    m_trailingRow->addWidget(item);
}

EditorBarWidths EditorBar::widths() const {
    const int leading = m_leading->sizeHint().width();
    const int trailing = m_trailing->sizeHint().width();
    return {double(2 * kSideInset + leading + kItemSpacing + trailing),
            double(2 * kSideInset + std::max(leading, trailing))};
}

void EditorBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setRows(width() < widths().oneRow ? 2 : 1);
}

void EditorBar::setRows(int rows) {
    if (rows == m_rows) return;
    m_rows = rows;
    m_grid->removeWidget(m_leading);
    m_grid->removeWidget(m_trailing);
    if (rows == 1) {
        m_grid->addWidget(m_leading, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
        m_grid->addWidget(m_trailing, 0, 1, Qt::AlignRight | Qt::AlignVCenter);
    } else {
        m_grid->addWidget(m_leading, 0, 0, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
        m_grid->addWidget(m_trailing, 1, 0, 1, 2, Qt::AlignRight | Qt::AlignVCenter);
    }
    setFixedHeight(rows * int(kEditorToolbarHeight));
}

}  // namespace moxilane
