// What readers asked for: words in every form, the matches drawn, the quotation of the day and
// the authors. Only drawing changes with the marks: what is copied stays the bytes.
#include "gui/tautorzy.h"
#include "gui/text.h"
#include "quotes/day_quotation.h"
#include "tests/gui/window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuotes = "Pies szczeka, karawana idzie dalej. \x96 przys\xB3owie polskie\r\n"
                           "Psotny kot \x96 \xA3ukasz\r\n"
                           "Bez psa ani rusz. \x96 Adam\r\n"
                           "Kot w butach \x96 \xA5twerp\r\n"
                           "koniec\r\n";

} // namespace

class TestReaders : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    QAction* action(const char* name) { return child<QAction>(name); }
    QStringList rows()
    {
        QStringList shown;
        for (int row = 0; row < results()->rowCount(); ++row)
            shown << results()->index(row, 0).data().toString();
        return shown;
    }
    void search(const QString& text)
    {
        child<QLineEdit>("Edit1")->setText(text);
        QTest::mouseClick(child<QToolButton>("SpeedButton1"), Qt::LeftButton);
    }

private slots:
    void init() { startOver(kQuotes); }
    void cleanup() { finish(); }

    // "pies" finds "Pies" and "psa", not "Psotny"; the option is kept once switched on, alone.
    void wordFormsFindEveryFormAndAreKept()
    {
        folder.addDictionary();
        open();
        action("Odmianawyrazow1")->setChecked(true);
        search(u"pies"_s);
        QCOMPARE(rows().size(), 2);
        QVERIFY(rows()[0].startsWith(u"Pies szczeka"_s));
        QVERIFY(rows()[1].startsWith(u"Bez psa"_s));
        platform.answers = {true};
        window->close();
        const QByteArray ini = folder.read(u"dane/konfiguracja.ini"_s);
        QVERIFY(ini.contains("[wyszukiwanie]\r\nodmiana=1\r\n"));
        QVERIFY(!ini.contains("wielkosc_liter") && !ini.contains("podswietlanie"));
    }

    void missingDictionaryIsAnErrorAndTheByteSearchGoesOn()
    {
        open();
        action("Odmianawyrazow1")->setChecked(true);
        search(u"pies"_s);
        const std::vector<QString> errors = takeErrorBoxes();
        QCOMPARE(errors.size(), 1u);
        QVERIFY2(errors[0].startsWith(u"Cannot open file "_s) &&
                     errors[0].contains(u"dane/slownik/pl."_s),
                 qPrintable(errors[0]));
        action("Odmianawyrazow1")->setChecked(false);
        search(u"pies"_s);
        QCOMPARE(rows().size(), 1);
    }

    // The matches of the last search are marked in the rows and the preview, in either mode,
    // only while "Podświetlaj trafienia" is on; the clipboard gets the bytes as they are.
    void matchesAreMarkedOnlyInDrawing_data()
    {
        QTest::addColumn<bool>("words");
        QTest::newRow("bytes") << false;
        QTest::newRow("word forms") << true;
    }
    void matchesAreMarkedOnlyInDrawing()
    {
        QFETCH(bool, words);
        folder.addDictionary();
        open();
        action("Odmianawyrazow1")->setChecked(words);
        search(u"kot"_s);
        QCOMPARE(rows().size(), 2);
        auto* view = child<ResultsView>("Wyniki");
        QVERIFY(view->marksOf(0).empty());
        action("Podswietlajtrafienia1")->setChecked(true);
        QCOMPARE(view->marksOf(0), (std::vector<std::pair<int, int>>{{7, 10}}));
        view->selectionModel()->select(results()->index(1, 0), QItemSelectionModel::Select);
        const auto marks = child<QTextEdit>("Memo1")->extraSelections();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks[0].cursor.selectedText(), u"Kot"_s);
        action("Kopiujzaznaczone1")->trigger();
        QCOMPARE(platform.clipboardBytes, QByteArray("Kot w butach \x96 \xA5twerp\r\n"));
        action("Podswietlajtrafienia1")->setChecked(false);
        QVERIFY(view->marksOf(0).empty());
        QVERIFY(child<QTextEdit>("Memo1")->extraSelections().isEmpty());
    }

    void quotationOfTheDayIsTheDatesOwn()
    {
        open();
        action("Cytatdnia1")->trigger();
        const tavir::CalendarDate today = tavir::localDate(std::time(nullptr));
        const std::size_t line = tavir::dayQuotation(4, today.year, today.month, today.day);
        const QByteArray expected = kQuotes.split('\n')[int(line)].chopped(1);
        QCOMPARE(rows(), QStringList{tavir::fromWindows1250(expected.toStdString())});
        QCOMPARE(child<QTextEdit>("Memo1")->toPlainText(), rows()[0]);
    }

    // In Polish order (Ą after A, Ł after L, kinds of source among the names), narrowed by the
    // filter as the search folds; choosing one lists its quotations.
    void authorsAreListedThePolishWayAndChosen()
    {
        open();
        action("Autorzy1")->trigger();
        auto* authors = window->findChild<tavir::Tautorzy*>();
        QVERIFY(authors && authors->isVisible());
        QTRY_VERIFY(!authors->shownAttributions().empty());
        QCOMPARE(
            authors->shownAttributions(),
            (std::vector<std::string>{"Adam", "\xA5twerp", "\xA3ukasz", "przys\xB3owie polskie"}));
        authors->findChild<QLineEdit*>(u"Filtr"_s)->setText(u"UK"_s);
        QCOMPARE(authors->shownAttributions(), std::vector<std::string>{"\xA3ukasz"});
        auto* list = authors->findChild<QTreeWidget*>(u"Autorzy"_s);
        QTreeWidgetItem* first = nullptr;
        for (int row = 0; row < list->topLevelItemCount() && !first; ++row)
            if (!list->topLevelItem(row)->isHidden())
                first = list->topLevelItem(row);
        QVERIFY(first);
        QCOMPARE(first->text(1), u"1"_s);
        emit list->itemActivated(first, 0);
        QCOMPARE(rows(), QStringList{u"Psotny kot – Łukasz"_s});
        QCOMPARE(child<QLineEdit>("Edit1")->text(), QString());
    }
};

QTEST_MAIN(TestReaders)
#include "test_readers.moc"
