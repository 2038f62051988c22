// The results list on a model of many plain rows: where rows are, how the keys and the mouse
// move and select, and scrolling to the very end, as a one-column table does it.
#include "gui/results_view.h"

#include <QAbstractListModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using tavir::ResultsView;

namespace {

class ManyRows final : public QAbstractListModel
{
public:
    explicit ManyRows(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : rows_;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }
    void setRows(int rows)
    {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

private:
    int rows_;
};

} // namespace

class TestResultsView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        model_ = std::make_unique<ManyRows>(100);
        view_ = std::make_unique<ResultsView>();
        view_->setModel(model_.get());
        view_->resize(300, 10 * 20 + 47); // a part of a row below the whole ones
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }
    void cleanup()
    {
        view_.reset();
        model_.reset();
    }

    void rowsFollowFromTheirNumberWhereverTheListIsScrolled()
    {
        const int h = view_->rowHeight();
        QVERIFY(h >= 20);
        for (const int first : {0, 7, 42}) {
            view_->verticalScrollBar()->setValue(first);
            for (const int row : {first, first + 1, first + 3}) {
                const QRect rect = view_->visualRect(model_->index(row));
                QCOMPARE(rect.top(), (row - first) * h);
                QCOMPARE(rect.height(), h);
                QCOMPARE(view_->rowAt(rect.top()), row);
                QCOMPARE(view_->rowAt(rect.bottom()), row);
                QCOMPARE(view_->indexAt(rect.center()).row(), row);
            }
        }
        QCOMPARE(view_->rowAt(-1), view_->verticalScrollBar()->value() - 1);
    }

    // At the end the last row's bottom meets the viewport's, the top row partly hidden.
    void theEndShowsTheLastRowWhole()
    {
        view_->scrollToBottom();
        const QRect last = view_->visualRect(model_->index(99));
        QCOMPARE(last.bottom() + 1, view_->viewport()->height());
        QCOMPARE(view_->rowAt(view_->viewport()->height() - 1), 99);
        QCOMPARE(view_->rowAt(view_->viewport()->height()), -1);
    }

    void keysMoveAsInATable()
    {
        view_->setFocus();
        view_->setCurrentIndex(model_->index(50));
        const int shown = view_->viewport()->height() / view_->rowHeight();
        QTest::keyClick(view_.get(), Qt::Key_Down);
        QCOMPARE(view_->currentIndex().row(), 51);
        QTest::keyClick(view_.get(), Qt::Key_PageDown);
        QCOMPARE(view_->currentIndex().row(), 51 + shown);
        QTest::keyClick(view_.get(), Qt::Key_End); // alone it stays on the row
        QCOMPARE(view_->currentIndex().row(), 51 + shown);
        QTest::keyClick(view_.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view_->currentIndex().row(), 99);
        QVERIFY(view_->viewport()->rect().contains(view_->visualRect(view_->currentIndex())));
        QTest::keyClick(view_.get(), Qt::Key_PageUp, Qt::ShiftModifier);
        const int up = view_->currentIndex().row();
        QCOMPARE(up, 99 - shown);
        QCOMPARE(view_->selectedRowRuns(), (std::vector<std::pair<int, int>>{{up, 99}}));
        QVERIFY(view_->viewport()->rect().contains(view_->visualRect(view_->currentIndex())));
        QTest::keyClick(view_.get(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view_->currentIndex().row(), 0);
        QCOMPARE(view_->verticalScrollBar()->value(), 0);
    }

    void dragSelectsTheRowsBetween()
    {
        const int h = view_->rowHeight();
        QWidget* port = view_->viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(10, h + 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 4 * h + 2),
                         port->mapToGlobal(QPointF(10, 4 * h + 2)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(10, 4 * h + 2));
        QCOMPARE(view_->selectedRowsInOrder(), (std::vector<int>{1, 2, 3, 4}));
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 6 * h + 2));
        QCOMPARE(view_->selectedRowRuns(), (std::vector<std::pair<int, int>>{{1, 6}}));
    }

    // Ten million rows: a reset and a scroll to the end take no work per row, and the rows
    // there are where their numbers say.
    void tenMillionRows()
    {
        model_->setRows(10'000'000);
        view_->scrollToBottom();
        QCOMPARE(view_->rowAt(view_->viewport()->height() - 1), 9'999'999);
        view_->scrollTo(model_->index(5'000'000), QAbstractItemView::PositionAtTop);
        QCOMPARE(view_->rowAt(0), 5'000'000);
        QCOMPARE(view_->verticalScrollBar()->value(), 5'000'000);
        model_->setRows(0);
        QCOMPARE(view_->rowAt(0), -1);
        QVERIFY(!view_->indexAt(QPoint(5, 5)).isValid());
    }

private:
    std::unique_ptr<ManyRows> model_;
    std::unique_ptr<ResultsView> view_;
};

QTEST_MAIN(TestResultsView)
#include "test_results_view.moc"
