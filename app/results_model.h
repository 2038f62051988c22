#pragma once

#include "quotes/finder.h"
#include "quotes/queries.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// Rows of 16 bytes kept in blocks of fixed size: growing never copies the rows already there,
// so ten million rows arrive without one long pause.
class ResultRows
{
public:
    struct Row
    {
        const char* text;
        std::size_t lengthAndHint; // the hint row's mark in the top bit

        std::size_t length() const { return lengthAndHint & ~kHintBit; }
        bool hint() const { return (lengthAndHint & kHintBit) != 0; }
    };

    std::size_t size() const { return size_; }
    const Row& operator[](std::size_t i) const { return blocks_[i >> kShift][i & kMask]; }
    void push_back(std::string_view caption, bool hint)
    {
        if ((size_ & kMask) == 0 && (size_ >> kShift) == blocks_.size())
            blocks_.push_back(std::make_unique_for_overwrite<Row[]>(kBlock));
        Row& row = blocks_[size_ >> kShift][size_ & kMask];
        row.text = caption.data();
        row.lengthAndHint = caption.size() | (hint ? kHintBit : 0);
        ++size_;
    }
    // Room for `rows` rows in all, taken now rather than while they arrive.
    void reserve(std::size_t rows)
    {
        blocks_.reserve((rows + kMask) >> kShift);
        while (blocks_.size() < (rows + kMask) >> kShift)
            blocks_.push_back(std::make_unique_for_overwrite<Row[]>(kBlock));
    }
    void clear()
    {
        blocks_.clear();
        size_ = 0;
    }
    void swap(ResultRows& other) noexcept
    {
        blocks_.swap(other.blocks_);
        std::swap(size_, other.size_);
    }

private:
    static constexpr std::size_t kHintBit = std::size_t(1) << 63;
    static constexpr unsigned kShift = 16;
    static constexpr std::size_t kBlock = std::size_t(1) << kShift;
    static constexpr std::size_t kMask = kBlock - 1;
    std::vector<std::unique_ptr<Row[]>> blocks_;
    std::size_t size_ = 0;
};

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
    // (Windows-1250 bytes), both sides folded as the search folds them; -1 when no row does.
    // Reads the bytes only, so it stays quick over millions of rows.
    int findStartingWith(std::string_view prefix, int from) const;
    // The folding of the search options now chosen; A-Z only until told.
    void setFolding(const tavir::FoldTable& fold) { fold_ = &fold; }

    void reserve(std::size_t rows) override;

    std::string_view caption(int row) const
    {
        const auto& r = rows_[static_cast<std::size_t>(row)];
        return {r.text, r.length()};
    }
    int image(int row) const
    {
        return rows_[static_cast<std::size_t>(row)].hint() ? tavir::kHintImage
                                                           : tavir::kQuotationImage;
    }

private:
    ResultRows rows_;
    ResultRows pending_;
    const tavir::FoldTable* fold_ = &tavir::asciiFoldTable();
    bool updating_ = false;
    bool rebuilt_ = false; // the bracket changed the rows: pending_ replaces them at its end
    QIcon icons_[2];
};
