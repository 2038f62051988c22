#pragma once

#include <QElapsedTimer>
#include <QTableView>

#include <utility>
#include <vector>

// The results list: one column of quotations, whole-row selection, and the row under the
// mouse pointer drawn underlined.
class ResultsView final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsView)

public:
    explicit ResultsView(QWidget* parent = nullptr);

    int hoveredRow() const { return hoveredRow_; }
    // The selected rows in list order, read from the selection's ranges.
    std::vector<int> selectedRowsInOrder() const;
    // The same rows as runs of first and last row, in list order; cheap for a select-all of
    // millions of rows.
    std::vector<std::pair<int, int>> selectedRowRuns() const;

    // Type-ahead: moves to the next row starting with the typed text, matched on the
    // quotation's own bytes (see ResultsModel::findStartingWith), never on converted captions.
    void keyboardSearch(const QString& search) override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHoveredRow(int row);
    void fitRowHeight();

    int hoveredRow_ = -1;
    QString typed_;
    QElapsedTimer typedTimer_;
};
