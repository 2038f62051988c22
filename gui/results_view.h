#pragma once

#include <QAbstractItemView>
#include <QElapsedTimer>

#include <functional>
#include <utility>
#include <vector>

class QHeaderView;

namespace tavir {

// The results list: one column of quotations under a header, rows of one height, whole-row
// selection, grid lines, and the row under the mouse pointer drawn underlined. It keeps no
// state per row, so a reset to ten million rows costs what a reset to ten does: where a row
// is follows from its number and the row height, and the view scrolls a row at a time.
class ResultsView final : public QAbstractItemView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsView)
    Q_PROPERTY(bool showGrid READ showGrid WRITE setShowGrid)
    Q_PROPERTY(bool wordWrap READ wordWrap WRITE setWordWrap)

public:
    explicit ResultsView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QHeaderView* horizontalHeader() const { return header_; }
    bool showGrid() const { return showGrid_; }
    void setShowGrid(bool show);
    // Rows are one line each; the setting is kept for the form and never wraps.
    bool wordWrap() const { return false; }
    void setWordWrap(bool) {}

    int rowHeight() const { return rowHeight_; }
    // The row at `y` in the viewport, or -1 when no row is there.
    int rowAt(int y) const;

    int hoveredRow() const { return hoveredRow_; }
    // What the current query matched in a row: [first, last) ranges of its text, drawn
    // highlighted. Only drawing changes; none by default.
    using Marks = std::function<std::vector<std::pair<int, int>>(int row)>;
    void setMarks(Marks marks);
    std::vector<std::pair<int, int>> marksOf(int row) const
    {
        return marks_ ? marks_(row) : std::vector<std::pair<int, int>>{};
    }
    // The selected rows in list order, read from the selection's ranges.
    std::vector<int> selectedRowsInOrder() const;
    // The same rows as runs of first and last row, in list order; cheap for a select-all of
    // millions of rows.
    std::vector<std::pair<int, int>> selectedRowRuns() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    // Type-ahead: moves to the next row starting with the typed text, matched on the
    // quotation's own bytes (see ResultsModel::findStartingWith), never on converted captions.
    void keyboardSearch(const QString& search) override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int rowCount() const;
    // How far the rows are scrolled, in pixels.
    qint64 contentOffset() const;
    // The row at the top of the viewport, perhaps only partly shown.
    int firstRow() const;
    // Rows wholly inside the viewport, at least one.
    int wholeRowsShown() const;
    // The viewport's y of the top of `row`, which may lie far outside it.
    qint64 rowTop(int row) const;
    // The row at viewport `y`, not limited to the rows there are.
    qint64 rowAtUnbounded(int y) const;
    void setHoveredRow(int row);
    void fitRowHeight();

    QHeaderView* header_;
    int rowHeight_ = 20;
    bool showGrid_ = true;
    int hoveredRow_ = -1;
    Marks marks_;
    QString typed_;
    QElapsedTimer typedTimer_;
};

} // namespace tavir
