#include "gui/results_model.h"

#include <algorithm>

#include "gui/pictures.h"
#include "gui/text.h"
#include "quotes/finder.h"

namespace tavir {

namespace {
// Far more than a row of the list can show.
constexpr std::size_t kShownInARow = 2000;
} // namespace

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent), icons_{pictureIcon(QStringLiteral("quote16.png")),
                                          pictureIcon(QStringLiteral("hint16.png"))}
{
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shownText(caption(index.row()), kShownInARow);
    case Qt::DecorationRole:
        return image(index.row()) == kHintImage ? icons_[1] : icons_[0];
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Wyniki wyszukiwania:");
    return {};
}

void ResultsModel::clear()
{
    if (updating_) {
        pending_.clear();
        rebuilt_ = true;
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ResultsModel::beginUpdate()
{
    updating_ = true;
    rebuilt_ = false;
    pending_.clear();
}

void ResultsModel::endUpdate()
{
    updating_ = false;
    if (!rebuilt_)
        return;
    beginResetModel();
    rows_.swap(pending_);
    endResetModel();
    pending_.clear();
}

int ResultsModel::findStartingWith(std::string_view prefix, int from) const
{
    const FoldTable& fold = *fold_;
    const auto same = [&fold](char a, char b) {
        return fold[static_cast<unsigned char>(a)] == fold[static_cast<unsigned char>(b)];
    };
    const auto startsWith = [&](std::string_view caption) {
        return caption.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), caption.begin(), same);
    };
    const std::size_t count = rows_.size();
    if (count == 0)
        return -1;
    const std::size_t start = from > 0 ? static_cast<std::size_t>(from) % count : 0;
    for (std::size_t i = start; i < count; ++i)
        if (startsWith(caption(static_cast<int>(i))))
            return static_cast<int>(i);
    for (std::size_t i = 0; i < start; ++i)
        if (startsWith(caption(static_cast<int>(i))))
            return static_cast<int>(i);
    return -1;
}

void ResultsModel::abandonUpdate()
{
    updating_ = false;
    rebuilt_ = false;
    pending_.clear();
}

void ResultsModel::rebuild()
{
    if (!rebuilt_) {
        pending_.append(rows_);
        rebuilt_ = true;
    }
}

void ResultsModel::add(std::string_view caption, int image)
{
    if (updating_) {
        rebuild();
        pending_.pushOther(caption, image == kHintImage);
        return;
    }
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.pushOther(caption, image == kHintImage);
    endInsertRows();
}

void ResultsModel::addLine(const QuoteCollection& quotes, std::size_t line)
{
    if (&quotes != quotes_) { // a collection the rows do not number
        add(quotes.line(line), kQuotationImage);
        return;
    }
    if (updating_) {
        rebuild();
        pending_.pushLine(line);
        return;
    }
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.pushLine(line);
    endInsertRows();
}

void ResultsModel::addLines(const QuoteCollection& quotes, std::span<const std::size_t> lines)
{
    if (&quotes != quotes_ || !updating_) {
        ResultList::addLines(quotes, lines);
        return;
    }
    rebuild();
    pending_.pushLines(lines);
}

void ResultsModel::reserve(std::size_t rows)
{
    if (updating_)
        pending_.reserve(rows);
}

} // namespace tavir
