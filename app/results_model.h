#pragma once

#include "quotes/queries.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <string_view>
#include <vector>

// The rows of the results list. Captions point into the quote collection (or at the hint
// text) and are converted for display only when a row is shown. A query's rows are gathered
// aside and shown with one reset at the end, so the view never sees a half-built list.
class ResultsModel final : public QAbstractTableModel, public tavir::ResultList
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsModel)

public:
    explicit ResultsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear() override;
    void beginUpdate() override;
    void endUpdate() override;
    void add(std::string_view caption, int image) override;
    // Ends an update bracket a failed query left open; the rows shown before it stay.
    void abandonUpdate();

    // The first row from `from` on, wrapping round, whose caption starts with `prefix`
    // (Windows-1250 bytes) with a-z folded to A-Z on both sides, as the search folds; -1
    // when no row does. Reads the bytes only, so it stays quick over millions of rows.
    int findStartingWith(std::string_view prefix, int from) const;

    std::string_view caption(int row) const { return rows_[static_cast<std::size_t>(row)].caption; }
    int image(int row) const { return rows_[static_cast<std::size_t>(row)].image; }

private:
    struct Row
    {
        std::string_view caption;
        int image;
    };

    std::vector<Row> rows_;
    std::vector<Row> pending_;
    bool updating_ = false;
    bool rebuilt_ = false; // the bracket changed the rows: pending_ replaces them at its end
    QIcon icons_[2];
};
