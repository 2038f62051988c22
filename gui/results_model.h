#pragma once

#include "quotes/finder.h"
#include "quotes/queries.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tavir {

// The rows of a list, 4 bytes each: a quotation's line number in the collection, or an
// index into a side list of other captions (the hint row, anything added by its text). The
// rows are kept in blocks of fixed size: growing never copies the rows already there, so ten
// million rows arrive without one long pause.
class ResultRows
{
public:
    // A row's caption and whether it is the hint row, given the collection it numbers.
    struct Caption
    {
        std::string_view text;
        bool hint = false;
    };

    std::size_t size() const { return size_; }
    Caption at(std::size_t i, const tavir::QuoteCollection* quotes) const
    {
        const std::uint32_t row = blocks_[i >> kShift][i & kMask];
        if ((row & kOther) != 0)
            return others_[row & ~kOther];
        return {quotes->line(row), false};
    }
    // Quotation `line` of the collection the rows number.
    void pushLine(std::size_t line)
    {
        if (line >= kOther) // only a collection of over two thousand million lines has one
            throw std::length_error("too many lines for the results list");
        push(static_cast<std::uint32_t>(line));
    }
    // Quotations `lines`, in order, copied a block at a time.
    void pushLines(std::span<const std::size_t> lines)
    {
        while (!lines.empty()) {
            if ((size_ & kMask) == 0 && (size_ >> kShift) == blocks_.size())
                blocks_.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(kBlock));
            std::uint32_t* const block = blocks_[size_ >> kShift].get();
            const std::size_t room = std::min(kBlock - (size_ & kMask), lines.size());
            for (std::size_t k = 0; k < room; ++k) {
                if (lines[k] >= kOther)
                    throw std::length_error("too many lines for the results list");
                block[(size_ & kMask) + k] = static_cast<std::uint32_t>(lines[k]);
            }
            size_ += room;
            lines = lines.subspan(room);
        }
    }
    void pushOther(std::string_view text, bool hint)
    {
        others_.push_back({text, hint});
        push(static_cast<std::uint32_t>(others_.size() - 1) | kOther);
    }
    // Room for `rows` rows in all, taken now rather than while they arrive.
    void reserve(std::size_t rows)
    {
        blocks_.reserve((rows + kMask) >> kShift);
        while (blocks_.size() < (rows + kMask) >> kShift)
            blocks_.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(kBlock));
    }
    void clear()
    {
        blocks_.clear();
        others_.clear();
        size_ = 0;
    }
    void swap(ResultRows& other) noexcept
    {
        blocks_.swap(other.blocks_);
        others_.swap(other.others_);
        std::swap(size_, other.size_);
    }
    // Appends the rows of `other`.
    void append(const ResultRows& other)
    {
        for (std::size_t i = 0; i < other.size_; ++i) {
            const std::uint32_t row = other.blocks_[i >> kShift][i & kMask];
            if ((row & kOther) != 0)
                pushOther(other.others_[row & ~kOther].text, other.others_[row & ~kOther].hint);
            else
                push(row);
        }
    }

private:
    void push(std::uint32_t row)
    {
        if ((size_ & kMask) == 0 && (size_ >> kShift) == blocks_.size())
            blocks_.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(kBlock));
        blocks_[size_ >> kShift][size_ & kMask] = row;
        ++size_;
    }

    static constexpr std::uint32_t kOther = std::uint32_t(1) << 31;
    static constexpr unsigned kShift = 16;
    static constexpr std::size_t kBlock = std::size_t(1) << kShift;
    static constexpr std::size_t kMask = kBlock - 1;
    std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
    std::vector<Caption> others_;
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
    void addLine(const tavir::QuoteCollection& quotes, std::size_t line) override;
    void addLines(const tavir::QuoteCollection& quotes,
                  std::span<const std::size_t> lines) override;
    // Ends an update bracket a failed query left open; the rows shown before it stay.
    void abandonUpdate();

    // The first row from `from` on, wrapping round, whose caption starts with `prefix`
    // (Windows-1250 bytes), both sides folded as the search folds them; -1 when no row does.
    // Reads the bytes only, so it stays quick over millions of rows.
    int findStartingWith(std::string_view prefix, int from) const;
    // The folding of the search options now chosen; A-Z only until told.
    void setFolding(const tavir::FoldTable& fold) { fold_ = &fold; }

    void reserve(std::size_t rows) override;
    // The collection whose lines the rows may hold by number; it outlives the model, and the
    // rows are cleared before it is read again.
    void setCollection(const tavir::QuoteCollection* quotes) { quotes_ = quotes; }

    std::string_view caption(int row) const
    {
        return rows_.at(static_cast<std::size_t>(row), quotes_).text;
    }
    int image(int row) const
    {
        return rows_.at(static_cast<std::size_t>(row), quotes_).hint ? tavir::kHintImage
                                                                     : tavir::kQuotationImage;
    }

private:
    // Starts the rows of an update bracket from the rows shown, the first time it changes them.
    void rebuild();

    const tavir::QuoteCollection* quotes_ = nullptr;
    ResultRows rows_;
    ResultRows pending_;
    const tavir::FoldTable* fold_ = &tavir::asciiFoldTable();
    bool updating_ = false;
    bool rebuilt_ = false; // the bracket changed the rows: pending_ replaces them at its end
    QIcon icons_[2];
};

} // namespace tavir
