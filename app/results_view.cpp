#include "app/results_view.h"

#include "app/results_model.h"
#include "app/text.h"

#include <QApplication>
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

std::vector<std::pair<int, int>> ResultsView::selectedRowRuns() const
{
    std::vector<std::pair<int, int>> runs;
    if (!selectionModel())
        return runs;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        runs.emplace_back(range.top(), range.bottom());
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& run : runs) {
        if (!merged.empty() && run.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, run.second);
        else
            merged.push_back(run);
    }
    return merged;
}

// Keys typed in quick succession add up to one prefix; the same key again steps on to the
// next row starting with it. The search starts at the current row and wraps round.
void ResultsView::keyboardSearch(const QString& search)
{
    const auto* rows = qobject_cast<const ResultsModel*>(model());
    if (!rows) {
        QTableView::keyboardSearch(search);
        return;
    }
    const int count = rows->rowCount();
    if (search.isEmpty() || count == 0) {
        typed_.clear();
        return;
    }
    bool skipCurrent = false;
    if (!typedTimer_.isValid() || typedTimer_.restart() > QApplication::keyboardInputInterval()) {
        typed_ = search;
        skipCurrent = currentIndex().isValid();
    } else {
        typed_ += search;
    }
    const bool sameKey = typed_.size() > 1 && typed_.count(typed_.back()) == typed_.size();
    if (sameKey)
        skipCurrent = true;
    int from = currentIndex().isValid() ? currentIndex().row() : 0;
    if (skipCurrent)
        from = from + 1 < count ? from + 1 : 0;
    const int found =
        rows->findStartingWith(tavir::toWindows1250(sameKey ? typed_.left(1) : typed_), from);
    if (found >= 0)
        setCurrentIndex(rows->index(found, 0));
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
