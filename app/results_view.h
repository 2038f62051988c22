#pragma once

#include <QTableView>

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

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHoveredRow(int row);
    void fitRowHeight();

    int hoveredRow_ = -1;
};
