#pragma once

#include "gui/window_settings.h"
#include "quotes/collection.h"
#include "quotes/file_places.h"
#include "quotes/finder.h"
#include "quotes/queries.h"
#include "quotes/words.h"

#include <QImage>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace Ui {
class TMainFrm;
}
class QMenu;

namespace tavir {

class Platform;
class ResultsModel;
class Tabout;
class Tautorzy;

// The main window: the search bar, the results list, the preview pane and the menus. It
// owns the quote collection from start-up until the confirmed close.
class TMainFrm final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainFrm)

public:
    // What the window reads from disk, its background picture and the collection, read on one
    // other thread in the order the window wants them. It needs no display, so the program
    // begins it before it connects to one, with `first` (work of its own) run before them.
    struct Reading
    {
        std::future<QuoteCollection> collection;
        std::future<QImage> background;
        std::jthread reader;
    };
    static Reading startReading(const std::string& applicationFolder,
                                std::function<void()> first = {});

    // `applicationFolder` ends in a separator; the data folder lies inside it.
    // The window begins its reading itself unless given it begun, and the settings and the
    // print file go where FilePlaces::choose puts them unless told.
    TMainFrm(Platform& platform, const std::string& applicationFolder);
    TMainFrm(Platform& platform, const std::string& applicationFolder, Reading reading);
    TMainFrm(Platform& platform, std::string applicationFolder, FilePlaces places, Reading reading);
    ~TMainFrm() override;

    // Queries take the search text as Windows-1250 bytes. With "Odmiana wyrazów" on, a search
    // finds the forms of the query's words, once the collection's words are looked up.
    void FiltrujDane(const std::string& query);
    void LosujDane(int n);
    // Every quotation of one attribution, in file order.
    void FiltrujAutora(const std::string& attribution);
    // The quotation of the day, alone in the list and in the preview.
    void CytatDnia();

    // The export commands, on the selected rows in list order.
    void KopiujZaznaczone();
    void ZapiszZaznaczone();
    void DrukujZaznaczone();

    bool queryRunning() const { return queryRunning_; }
    const QuoteCollection& quotes() const { return quotes_; }
    // How often a running query lets the window system deliver events.
    void setPumpPolicy(const PumpPolicy& policy) { pumpPolicy_ = policy; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Once shown, the window's real frame is known: it is kept on the screen once more.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class QueryBridge;

    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void LadujDane();
    void WynikiSelectItem();

    void SpeedButton1Click();   // search
    void SpeedButton3Click();   // list all
    void SpeedButton4onclick(); // random draw

    void Kopiujzaznaczone1Click();
    void Zapiszwynikidopliku1Click();
    void Drukujzaznaczone1Click();
    void czcionka1Click(); // the results list's font
    void Czcionka2Click(); // the preview pane's font
    void Uaktualnijprogram1Click();
    void Zakoczprogram1Click();
    void Bezogonkow1Toggled(); // without diacritics implies every letter's case
    void Odmianawyrazow1Toggled();
    void Podswietlajtrafienia1Toggled();
    void Cytatdnia1Click();
    void Autorzy1Click();
    Folding folding() const;
    // The word search folds every letter's case, and diacritics with "Bez ogonków".
    Folding wordFolding() const;
    // Looks up the collection's words on another core, unless that is done or under way.
    void startWordIndex();
    // The word index, waited for with the wait window up and events delivered; null when the
    // window closes meanwhile. Raises the dictionary's errors.
    const WordIndex* wordIndex(QueryBridge& bridge);
    // Runs a query with the window's query rules: one at a time, a close confirmed meanwhile
    // goes ahead after it.
    template <typename Query> void runQuery(Query&& query);
    // The matches of the last search in a caption, as ranges of its text; none unless
    // "Podświetlaj trafienia" is on.
    std::vector<std::pair<int, int>> marksIn(std::string_view caption) const;
    void showInPreview(std::string_view caption);
    void StronaWWWprogramu1Click();
    void VELTASoftware1Click();
    void Pomoc1Click();
    void Oautorach1Click();
    void SpeedButton4Click(); // the maker's home page
    void SpeedButton5Click(); // About

    void setUpCommands();
    std::vector<std::string_view> selectedCaptions() const;
    void chooseFont(QWidget& control);
    void openWebPage(std::string_view path);

    void setUpLooks();
    void placeCounter();
    void finishClose();
    WindowSettings::Controls settingsControls();
    void followSearchOptions();
    template <typename Body> void guarded(Body&& body);
    // Runs a handler, guarded, whenever the sender's signal fires.
    template <typename Sender, typename Signal>
    void handle(Sender* sender, Signal signal, void (TMainFrm::*handler)());

    const std::unique_ptr<Ui::TMainFrm> ui_;
    Platform& platform_;
    ResultsModel* model_;
    QMenu* PopupMenu1;
    QMenu* PopupMenu2;
    Tabout* about_ = nullptr;
    Tautorzy* authors_ = nullptr;
    QString lastSaveName_;
    std::string applicationFolder_;
    FilePlaces places_;
    WindowSettings settings_;
    // The background picture and the data file from startReading, taken by setUpLooks and
    // LadujDane, and the thread that reads them.
    std::future<QImage> background_;
    std::future<QuoteCollection> loading_;
    std::jthread reader_;
    QuoteCollection quotes_;
    PumpPolicy pumpPolicy_;
    // The collection's words with their lexemes, built on another core when first wanted.
    std::future<WordIndex> wordIndexBuilding_;
    std::optional<WordIndex> wordIndex_;
    // What the last search looked for, to draw its matches.
    std::optional<FoldedFinder> lastFinder_;
    std::size_t lastNeedleSize_ = 0;
    std::optional<WordQuery> lastWordQuery_;
    int counterLeft_ = 0;        // the counter's place in the design
    int counterCaptionLeft_ = 0; // and its caption's
    bool queryRunning_ = false;
    bool closeAfterQuery_ = false;
    bool closing_ = false;
    bool shown_ = false;
};

} // namespace tavir
