#include "gui/results_view.h"

#include "gui/looks.h"
#include "gui/results_model.h"
#include "gui/text.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <climits>

namespace tavir {

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

    // A row with marks draws its text itself: cut with "…" as the style cuts it, the marked
    // ranges on the highlight colour of the window's marks.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const auto marks = view_->marksOf(index.row());
        if (marks.empty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem shown = option;
        initStyleOption(&shown, index);
        const QString text = shown.text;
        shown.text.clear();
        const QStyle* style = view_->style();
        style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, view_);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1;
        const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &shown, view_)
                               .adjusted(margin, 0, -margin, 0);
        const QString cut = shown.fontMetrics.elidedText(text, Qt::ElideRight, room.width());
        const int whole = cut == text ? int(text.size()) : int(cut.size()) - 1;
        QList<QTextLayout::FormatRange> formats;
        for (const auto& [first, last] : marks) {
            if (first >= whole)
                break;
            QTextLayout::FormatRange range;
            range.start = first;
            range.length = std::min(last, whole) - first;
            range.format.setBackground(looks::markBackground());
            range.format.setForeground(looks::markText());
            formats.push_back(range);
        }
        QTextLayout layout(cut, shown.font);
        layout.setFormats(formats);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(room.width() + 1);
        layout.endLayout();
        const bool selected = (shown.state & QStyle::State_Selected) != 0;
        painter->save();
        painter->setPen(shown.palette.color(QPalette::Normal,
                                            selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter,
                    QPointF(room.left(), room.top() + (room.height() - line.height()) / 2));
        painter->restore();
    }

    // A row cut off with "…" shows its whole text as a tooltip, wrapped as a paragraph.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem shown = option;
        initStyleOption(&shown, index);
        const QStyle* style = view->style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const int room =
            style->subElementRect(QStyle::SE_ItemViewItemText, &shown, view).width() - 2 * margin;
        if (shown.fontMetrics.horizontalAdvance(shown.text) <= room) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(event->globalPos(),
                           QStringLiteral("<qt>%1</qt>").arg(shown.text.toHtmlEscaped()), view,
                           option.rect);
        return true;
    }

private:
    ResultsView* view_;
};

} // namespace

ResultsView::ResultsView(QWidget* parent)
    : QAbstractItemView(parent), header_(new QHeaderView(Qt::Horizontal, this))
{
    setItemDelegate(new HoverDelegate(this));
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideRight);
    fitRowHeight();
    header_->setStretchLastSection(true);
    header_->setSectionsClickable(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ResultsView::setModel(QAbstractItemModel* model)
{
    QAbstractItemView::setModel(model);
    header_->setModel(model);
}

void ResultsView::setShowGrid(bool show)
{
    showGrid_ = show;
    viewport()->update();
}

int ResultsView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

qint64 ResultsView::contentOffset() const
{
    // Scrolled to the end, the last row's bottom meets the viewport's, as in a table.
    const QScrollBar* bar = verticalScrollBar();
    if (bar->value() == bar->maximum() && bar->maximum() > 0)
        return std::max<qint64>(0, qint64{rowCount()} * rowHeight_ - viewport()->height());
    return qint64{bar->value()} * rowHeight_;
}

int ResultsView::firstRow() const
{
    return static_cast<int>(contentOffset() / rowHeight_);
}

int ResultsView::wholeRowsShown() const
{
    return std::max(1, viewport()->height() / rowHeight_);
}

int ResultsView::verticalOffset() const
{
    // In pixels, as the base class keeps a pressed position; it stays inside int up to a
    // hundred million rows, and saturates past that.
    return static_cast<int>(std::min<qint64>(contentOffset(), INT_MAX / 2));
}

qint64 ResultsView::rowTop(int row) const
{
    return qint64{row} * rowHeight_ - contentOffset();
}

qint64 ResultsView::rowAtUnbounded(int y) const
{
    const qint64 at = contentOffset() + y;
    return at >= 0 ? at / rowHeight_ : -((rowHeight_ - 1 - at) / rowHeight_);
}

int ResultsView::rowAt(int y) const
{
    const qint64 row = rowAtUnbounded(y);
    return row >= 0 && row < rowCount() ? static_cast<int>(row) : -1;
}

QRect ResultsView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0)
        return {};
    const auto top = static_cast<int>(std::clamp<qint64>(rowTop(index.row()), -(1 << 28), 1 << 28));
    return {0, top, viewport()->width(), rowHeight_};
}

QModelIndex ResultsView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    if (row < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return model()->index(row, 0, rootIndex());
}

void ResultsView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    const int row = index.row();
    const int height = viewport()->height();
    // As a table scrolls a row at a time: the rows that fit above the bottom or the middle.
    const auto rowsAbove = [&](int within) { return std::max(1, within / rowHeight_) - 1; };
    int first = verticalScrollBar()->value();
    switch (hint) {
    case PositionAtTop:
        first = row;
        break;
    case PositionAtBottom:
        first = row - rowsAbove(height);
        break;
    case PositionAtCenter:
        first = row - rowsAbove(height / 2);
        break;
    case EnsureVisible:
        if (rowTop(row) < 0)
            first = row;
        else if (rowTop(row) + rowHeight_ - 1 > height)
            first = row - rowsAbove(height);
        break;
    }
    verticalScrollBar()->setValue(first);
}

QModelIndex ResultsView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int count = rowCount();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    const int row = current.row();
    // A page on, as a table moves: to the row a viewport's height past the current one.
    const qint64 top = rowTop(row);
    const int height = viewport()->height();
    qint64 to = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        to = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = row + 1;
        break;
    case MovePageUp:
        to = rowAtUnbounded(static_cast<int>(top + rowHeight_ - 1 - height));
        break;
    case MovePageDown:
        to = rowAtUnbounded(static_cast<int>(top + height));
        break;
    case MoveHome: // with Ctrl, as in a table: alone it goes to the row's start
        to = modifiers & Qt::ControlModifier ? 0 : row;
        break;
    case MoveEnd:
        to = modifiers & Qt::ControlModifier ? count - 1 : row;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(static_cast<int>(std::clamp<qint64>(to, 0, count - 1)), 0, rootIndex());
}

void ResultsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const int count = rowCount();
    if (count == 0 || !selectionModel())
        return;
    const QRect r = rect.normalized();
    const qint64 top = std::max<qint64>(rowAtUnbounded(r.top()), 0);
    const qint64 bottom = std::min<qint64>(rowAtUnbounded(r.bottom()), count - 1);
    if (top > bottom) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(
        QItemSelection(model()->index(static_cast<int>(top), 0, rootIndex()),
                       model()->index(static_cast<int>(bottom), 0, rootIndex())),
        command);
}

QRegion ResultsView::visualRegionForSelection(const QItemSelection& selection) const
{
    const int first = firstRow();
    const auto last =
        static_cast<int>(std::min<qint64>(rowAtUnbounded(viewport()->height()), rowCount() - 1));
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || range.bottom() < first || range.top() > last)
            continue;
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        region += QRect(0, static_cast<int>(rowTop(top)), viewport()->width(),
                        (bottom - top + 1) * rowHeight_);
    }
    return region;
}

void ResultsView::initViewItemOption(QStyleOptionViewItem* option) const
{
    QAbstractItemView::initViewItemOption(option);
    option->showDecorationSelected = true; // the icon takes the selection's colour too
}

void ResultsView::updateGeometries()
{
    const int headerHeight = header_->isHidden() ? 0 : header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    QScrollBar* bar = verticalScrollBar();
    const int shown = wholeRowsShown();
    bar->setRange(0, std::max(0, rowCount() - shown));
    bar->setSingleStep(1);
    bar->setPageStep(shown);
    QAbstractItemView::updateGeometries();
}

void ResultsView::setMarks(Marks marks)
{
    marks_ = std::move(marks);
    viewport()->update();
}

void ResultsView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// Draws the rows in view as a table of one column does: the row's panel, the delegate's cell
// one pixel short of the grid line, then the grid under each row and at the column's right.
void ResultsView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int count = rowCount();
    const int first = firstRow();
    const int last = std::min(count - 1, first + viewport()->height() / rowHeight_);
    const int grid = showGrid_ ? 1 : 0;
    const int width = viewport()->width();
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const bool focused = hasFocus() || viewport()->hasFocus();
    const QModelIndex current = currentIndex();
    const QColor gridColor = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this)));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        const int top = static_cast<int>(rowTop(row));
        QStyleOptionViewItem option = base;
        option.rect = QRect(0, top, width - grid, rowHeight_ - grid);
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (row == hoveredRow_)
            option.state |= QStyle::State_MouseOver;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        option.palette.setCurrentColorGroup(isEnabled() ? QPalette::Normal : QPalette::Disabled);
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
        itemDelegate()->paint(&painter, option, index);
        if (showGrid_) {
            painter.setPen(gridColor);
            painter.drawLine(0, top + rowHeight_ - 1, width - 1, top + rowHeight_ - 1);
        }
    }
    if (showGrid_ && last >= first) {
        painter.setPen(gridColor);
        painter.drawLine(width - 1, 0, width - 1, static_cast<int>(rowTop(last)) + rowHeight_ - 1);
    }
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
        QAbstractItemView::keyboardSearch(search);
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
        rows->findStartingWith(toWindows1250(sameKey ? typed_.left(1) : typed_), from);
    if (found >= 0)
        setCurrentIndex(rows->index(found, 0));
}

void ResultsView::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredRow(rowAt(event->position().toPoint().y()));
    QAbstractItemView::mouseMoveEvent(event);
}

void ResultsView::leaveEvent(QEvent* event)
{
    setHoveredRow(-1);
    QAbstractItemView::leaveEvent(event);
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
    QAbstractItemView::changeEvent(event);
}

void ResultsView::fitRowHeight()
{
    rowHeight_ = std::max(fontMetrics().height(), 16) + 4;
    updateGeometries();
    viewport()->update();
}

} // namespace tavir
