#pragma once

#include "quotes/attributions.h"
#include "quotes/folding.h"

#include <QDialog>
#include <QTimer>

#include <future>
#include <string>
#include <vector>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavir {

// The Authors window: every attribution of the collection (the text after a line's last " – ")
// with its number of quotations, in Polish alphabetical order, narrowed as one types into its
// filter field. Choosing one (double-click or Enter) asks the main window to list exactly that
// author's quotations; the window stays open for the next choice.
class Tautorzy final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tautorzy)

public:
    explicit Tautorzy(QWidget* parent);
    ~Tautorzy() override;

    // Counts the attributions of `quotes` on another core; the list fills when they are
    // counted. The filter compares letters as `fold` does.
    void count(const QuoteCollection& quotes, const FoldTable& fold);
    // Waits for a count under way: the collection may then be released.
    void stopCounting();
    // The attribution of each row shown, in order, as bytes of the collection.
    std::vector<std::string> shownAttributions() const;

signals:
    void authorChosen(const std::string& attribution);

private:
    void takeCount();
    void filter();
    void choose(QTreeWidgetItem* item);

    QLineEdit* filter_;
    QTreeWidget* list_;
    QTimer poll_;
    const FoldTable* fold_ = nullptr;
    std::future<std::vector<AttributionCount>> counting_;
    std::vector<std::string> folded_; // by row: the attribution as the filter compares it
};

} // namespace tavir
