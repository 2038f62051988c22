#include "gui/tautorzy.h"

#include "gui/design_font.h"
#include "gui/text.h"

#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tavir {

namespace {

constexpr int kAttributionRole = Qt::UserRole;

std::string foldedBy(const FoldTable& fold, std::string_view bytes)
{
    std::string out(bytes);
    for (char& c : out)
        c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace

Tautorzy::Tautorzy(QWidget* parent)
    : QDialog(parent), filter_(new QLineEdit(this)), list_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("Tautorzy"));
    setWindowTitle(QStringLiteral("Autorzy"));
    setFont(designFont());
    auto* caption = new QLabel(QStringLiteral("&Szukaj autora:"), this);
    caption->setBuddy(filter_);
    filter_->setObjectName(QStringLiteral("Filtr"));
    filter_->setAccessibleName(QStringLiteral("Szukaj autora"));
    filter_->setClearButtonEnabled(true);
    list_->setObjectName(QStringLiteral("Autorzy"));
    list_->setAccessibleName(QStringLiteral("Autorzy i liczba ich cytatów"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({QStringLiteral("Autor"), QStringLiteral("Cytatów")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(filter_);
    layout->addWidget(list_);
    resize(420, 480);

    connect(filter_, &QLineEdit::textChanged, this, &Tautorzy::filter);
    connect(list_, &QTreeWidget::itemActivated, this, &Tautorzy::choose);
    // Enter in the filter field chooses the first author shown.
    connect(filter_, &QLineEdit::returnPressed, this, [this] {
        for (int row = 0; row < list_->topLevelItemCount(); ++row)
            if (!list_->topLevelItem(row)->isHidden())
                return choose(list_->topLevelItem(row));
    });
    poll_.setInterval(20);
    connect(&poll_, &QTimer::timeout, this, &Tautorzy::takeCount);
}

Tautorzy::~Tautorzy()
{
    stopCounting();
}

void Tautorzy::count(const QuoteCollection& quotes, const FoldTable& fold)
{
    stopCounting();
    fold_ = &fold;
    list_->clear();
    folded_.clear();
    counting_ = std::async(std::launch::async, [&quotes] {
        return countAttributions(quotes, AttributionOrder::Bytes);
    });
    poll_.start();
}

void Tautorzy::stopCounting()
{
    poll_.stop();
    if (counting_.valid())
        counting_.wait();
    counting_ = {};
}

void Tautorzy::takeCount()
{
    if (!counting_.valid() ||
        counting_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    poll_.stop();
    const std::vector<AttributionCount> counts = counting_.get();
    struct Row
    {
        QString name;
        const AttributionCount* count;
    };
    std::vector<Row> rows;
    rows.reserve(counts.size());
    for (const AttributionCount& count : counts)
        rows.push_back({fromWindows1250(count.attribution), &count});
    // ą after a, ł after l: the Polish alphabet, not the code page's order.
    QCollator polish{QLocale(QLocale::Polish)};
    polish.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(rows.begin(), rows.end(), [&polish](const Row& a, const Row& b) {
        return polish.compare(a.name, b.name) < 0;
    });
    QList<QTreeWidgetItem*> items;
    for (const Row& row : rows) {
        auto* item = new QTreeWidgetItem({row.name, QString::number(row.count->quotations)});
        item->setData(0, kAttributionRole, toByteArray(row.count->attribution));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        items.push_back(item);
        folded_.push_back(foldedBy(*fold_, row.count->attribution));
    }
    list_->addTopLevelItems(items);
    filter();
}

void Tautorzy::filter()
{
    const std::string wanted =
        foldedBy(fold_ ? *fold_ : asciiFoldTable(), toWindows1250(filter_->text()));
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        list_->topLevelItem(row)->setHidden(folded_[static_cast<std::size_t>(row)].find(wanted) ==
                                            std::string::npos);
}

void Tautorzy::choose(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QByteArray bytes = item->data(0, kAttributionRole).toByteArray();
    emit authorChosen(bytes.toStdString());
}

std::vector<std::string> Tautorzy::shownAttributions() const
{
    std::vector<std::string> shown;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (!list_->topLevelItem(row)->isHidden())
            shown.push_back(
                list_->topLevelItem(row)->data(0, kAttributionRole).toByteArray().toStdString());
    return shown;
}

} // namespace tavir
