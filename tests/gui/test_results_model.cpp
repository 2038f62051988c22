// The results model's rows: quotations kept by number beside other captions, added one by one
// and a run at a time, across the blocks the rows are kept in.
#include "gui/results_model.h"
#include "quotes/collection.h"

#include <QSignalSpy>
#include <QTest>

#include <numeric>
#include <string>
#include <vector>

using tavir::ResultsModel;

class TestResultsModel : public QObject
{
    Q_OBJECT

private slots:
    // A run of lines crossing the end of a block of rows, between single rows and the hint.
    void runsOfLinesKeepTheirPlaceAmongOtherRows()
    {
        std::string bytes;
        for (int i = 0; i < 140'000; ++i)
            bytes += "q" + std::to_string(i) + "\r\n";
        const auto quotes = tavir::QuoteCollection::fromBytes(bytes);
        const auto other = tavir::QuoteCollection::fromBytes("elsewhere\r\nend\r\n");
        ResultsModel model;
        model.setCollection(&quotes);
        std::vector<std::size_t> run(70'000);
        std::iota(run.begin(), run.end(), std::size_t{5});

        model.beginUpdate();
        model.clear();
        model.addLine(quotes, 3);
        model.add("hint", tavir::kHintImage);
        model.addLines(quotes, run); // rows 2 to 70001, over the block's end
        const std::vector<std::size_t> second{1};
        model.addLines(other, second); // a collection the rows do not number
        model.addLines(quotes, {run.data() + 10, 3});
        model.endUpdate();

        QCOMPARE(model.rowCount(), 70'006);
        QCOMPARE(model.caption(0), std::string_view("q3"));
        QCOMPARE(model.caption(1), std::string_view("hint"));
        QCOMPARE(model.image(1), tavir::kHintImage);
        for (const int row : {2, 65'535, 65'536, 65'537, 70'001})
            QCOMPARE(model.caption(row), quotes.line(static_cast<std::size_t>(row) + 3));
        QCOMPARE(model.caption(70'002), std::string_view("end"));
        QCOMPARE(model.caption(70'003), std::string_view("q15"));
        QCOMPARE(model.caption(70'005), std::string_view("q17"));
        QCOMPARE(model.image(70'005), tavir::kQuotationImage);
    }

    // Outside an update the rows arrive as insertions the view hears of.
    void runsOutsideAnUpdateAreInsertedRows()
    {
        const auto quotes = tavir::QuoteCollection::fromBytes("a\r\nb\r\nc\r\nd\r\n");
        ResultsModel model;
        model.setCollection(&quotes);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const std::vector<std::size_t> lines{0, 2};
        model.addLines(quotes, lines);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.caption(1), std::string_view("c"));
    }
};

QTEST_MAIN(TestResultsModel)
#include "test_results_model.moc"
