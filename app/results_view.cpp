#include "app/results_view.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

class HoverDelegate final : public QStyledItemDelegate
{
public:
    explicit HoverDelegate(ResultsView* view) : QStyledItemDelegate(view), view_(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.row() == view_->hoveredRow())
            option->font.setUnderline(true);
    }

private:
    ResultsView* view_;
};

} // namespace

ResultsView::ResultsView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new HoverDelegate(this));
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    // Uniform row heights keep a million rows as cheap as ten.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitRowHeight();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

std::vector<int> ResultsView::selectedRowsInOrder() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void ResultsView::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredRow(rowAt(event->position().toPoint().y()));
    QTableView::mouseMoveEvent(event);
}

void ResultsView::leaveEvent(QEvent* event)
{
    setHoveredRow(-1);
    QTableView::leaveEvent(event);
}

void ResultsView::setHoveredRow(int row)
{
    if (row == hoveredRow_)
        return;
    hoveredRow_ = row;
    viewport()->update();
}

void ResultsView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        fitRowHeight();
    QTableView::changeEvent(event);
}

void ResultsView::fitRowHeight()
{
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 4);
}
