#include "gui/tmainfrm.h"

#include "base/codec.h"
#include "gui/design_font.h"
#include "gui/guard.h"
#include "gui/jpeg_image.h"
#include "gui/looks.h"
#include "gui/pictures.h"
#include "gui/platform.h"
#include "gui/results_model.h"
#include "gui/tabout.h"
#include "gui/tautorzy.h"
#include "gui/text.h"
#include "gui/tzaczekaj.h"
#include "quotes/attributions.h"
#include "quotes/day_quotation.h"
#include "quotes/exports.h"
#include "quotes/morphology.h"
#include "quotes/product.h"
#include "quotes/word_search.h"
#include "settings/frmutils.h"
#include "settings/profile.h"
#include "ui_tmainfrm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>

// The pictures are compiled into a static library, whose resources only register when asked,
// and only from outside a namespace.
static void registerPictures()
{
    Q_INIT_RESOURCE(tavir);
}

namespace tavir {

namespace {

// Pages of text: far more than any quotation, little enough to lay out at once.
constexpr std::size_t kShownInPreview = 20000;
// The client area as designed, and the least outer size the stored placement may give.
constexpr QSize kDesignClientSize(792, 546);
constexpr QSize kMinimumSize(616, 518);

// The search options in the settings file; the first two are written together.
constexpr std::string_view kCaseAllKey = "wielkosc_liter";
constexpr std::string_view kNoDiacriticsKey = "bez_znakow";
// Each of these on its own, once switched on.
constexpr std::string_view kWordFormsKey = "odmiana";
constexpr std::string_view kHighlightKey = "podswietlanie";

} // namespace

// Connects a running query to the window: the wait window, its progress bar, and the
// delivery of pending events, which is also where a requested close stops the query.
class TMainFrm::QueryBridge final : public WaitIndicator, public EventPump
{
public:
    explicit QueryBridge(TMainFrm& window) : window_(window) {}

    void create() override { wait_ = std::make_unique<Tzaczekaj>(); }
    void setMaximum(std::size_t maximum) override
    {
        wait_->progressBar()->setMaximum(progressValue(maximum));
    }
    void show() override { wait_->showAndPaint(); }
    void step() override { ++position_; }
    void close() override
    {
        showProgress();
        wait_.reset();
    }

    bool deliverPending() override
    {
        showProgress();
        QCoreApplication::processEvents();
        return !window_.closeAfterQuery_;
    }

private:
    static int progressValue(std::size_t count)
    {
        return static_cast<int>(std::min<std::size_t>(count, INT_MAX));
    }
    void showProgress()
    {
        if (wait_)
            wait_->progressBar()->setValue(progressValue(position_));
    }

    TMainFrm& window_;
    std::unique_ptr<Tzaczekaj> wait_;
    std::size_t position_ = 0;
};

TMainFrm::Reading TMainFrm::startReading(const std::string& applicationFolder,
                                         std::function<void()> first)
{
    registerPictures();
    std::packaged_task<QImage()> background([] {
        QFile file(QStringLiteral(":/images/background.jpg"));
        return file.open(QIODevice::ReadOnly) ? decodeJpeg(file.readAll()) : QImage();
    });
    std::packaged_task<QuoteCollection()> collection(
        [path = collectionToRead(applicationFolder)] { return QuoteCollection::fromFile(path); });
    Reading reading{collection.get_future(), background.get_future(), {}};
    // One thread, not one each: threads started together slowed the program's own start.
    struct Work
    {
        std::function<void()> first;
        std::packaged_task<QImage()> background;
        std::packaged_task<QuoteCollection()> collection;
        void operator()()
        {
            if (first)
                first();
            background();
            collection();
        }
    };
    auto work = std::make_shared<Work>(
        Work{std::move(first), std::move(background), std::move(collection)});
    try {
        reading.reader = std::jthread([work] { (*work)(); });
    } catch (const std::system_error&) {
        (*work)(); // no thread to spare: read at once
    }
    return reading;
}

TMainFrm::TMainFrm(Platform& platform, const std::string& applicationFolder)
    : TMainFrm(platform, applicationFolder, startReading(applicationFolder))
{
}

TMainFrm::TMainFrm(Platform& platform, const std::string& applicationFolder, Reading reading)
    : TMainFrm(platform, applicationFolder, FilePlaces::choose(applicationFolder),
               std::move(reading))
{
}

TMainFrm::TMainFrm(Platform& platform, std::string applicationFolder, FilePlaces places,
                   Reading reading)
    : ui_(std::make_unique<Ui::TMainFrm>()), platform_(platform), model_(new ResultsModel(this)),
      PopupMenu1(new QMenu(this)), PopupMenu2(new QMenu(this)),
      applicationFolder_(std::move(applicationFolder)), places_(std::move(places)),
      settings_(places_), background_(std::move(reading.background)),
      loading_(std::move(reading.collection)), reader_(std::move(reading.reader))
{
    // The controls take the design's face as they are made: set afterwards, it would reach
    // each of them again.
    setFont(designFont());
    ui_->setupUi(this);
    setUpLooks();
    model_->setCollection(&quotes_);
    ui_->Wyniki->setModel(model_);
    ui_->Wyniki->setMarks([this](int row) { return marksIn(model_->caption(row)); });
    handle(ui_->Wyniki->selectionModel(), &QItemSelectionModel::selectionChanged,
           &TMainFrm::WynikiSelectItem);
    handle(ui_->SpeedButton1, &QToolButton::clicked, &TMainFrm::SpeedButton1Click);
    handle(ui_->Edit1, &QLineEdit::returnPressed, &TMainFrm::SpeedButton1Click);
    handle(ui_->SpeedButton2, &QToolButton::clicked, &TMainFrm::SpeedButton3Click);
    handle(ui_->SpeedButton3, &QToolButton::clicked, &TMainFrm::SpeedButton4onclick);
    setUpCommands();
    // Built before the data is taken, while it may still be being read.
    about_ = new Tabout([this](const QString& target) { platform_.open(target); }, this);
    guarded([this] { FormCreate(); });
    // The greeting is laid out once, in the preview's font as the settings restored it: the
    // design's 12 points are never seen, and laying it out in them cost as much again.
    ui_->Memo1->setPlainText(looks::welcomeText());
    // The user cannot resize the window by dragging its border.
    setFixedSize(size());
    // A placement stored on a monitor since unplugged, or a window larger than a scaled screen,
    // still shows its title bar.
    KeepOnScreen(*this);
}

TMainFrm::~TMainFrm()
{
    // Nothing may read the collection once it is gone.
    if (authors_)
        authors_->stopCounting();
}

template <typename Body> void TMainFrm::guarded(Body&& body)
{
    tavir::guarded(platform_, this, std::forward<Body>(body));
}

template <typename Sender, typename Signal>
void TMainFrm::handle(Sender* sender, Signal signal, void (TMainFrm::*handler)())
{
    connect(sender, signal, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
}

void TMainFrm::setUpLooks()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The controls keep their places whatever the size; the size is fixed once restored.
    const QSize designed = kDesignClientSize + QSize(0, ui_->MainMenu1->sizeHint().height());
    setMinimumSize(kMinimumSize);
    // Like the window system, no bigger than the screens together: a hand-edited size must not
    // ask for a window of millions of pixels.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setMaximumSize(screen->virtualSize().expandedTo(designed));
    resize(designed);
    move(206, 138);

    if (QImage background = background_.get(); !background.isNull())
        ui_->Image1->setPixmap(QPixmap::fromImage(std::move(background)));
    ui_->Image2->setPixmap(picture(QStringLiteral("decoration.png")));
    ui_->SpeedButton1->setIcon(pictureIcon(QStringLiteral("search.png")));
    ui_->SpeedButton4->setIcon(pictureIcon(QStringLiteral("www.png")));
    ui_->SpeedButton5->setIcon(pictureIcon(QStringLiteral("about.png")));

    QFont bold = ui_->licznik->font();
    bold.setBold(true);
    ui_->licznik->setFont(bold);
    ui_->Label3->adjustSize();
    counterLeft_ = ui_->licznik->x();
    counterCaptionLeft_ = ui_->Label3->x();
    placeCounter();
    ui_->Label1->adjustSize();

    // The list-all button shows its underlined letter, but Alt+W belongs to the search label.
    ui_->SpeedButton2->setShortcut(QKeySequence());

    ui_->Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    ui_->Memo1->setFont(designFont(12));

    ui_->Wyniki->viewport()->setCursor(Qt::PointingHandCursor);
    setTabOrder(ui_->Edit1, ui_->Wyniki);
    setTabOrder(ui_->Wyniki, ui_->Memo1);

    // The controls on fixed backgrounds keep the design's colours on a dark desktop too; the
    // counter and its caption stand on the background picture, dark on any scheme.
    ui_->centralWidget->setPalette(looks::designPalette());
    for (QLabel* label : {ui_->Label3, ui_->licznik}) {
        QPalette dark = label->palette();
        dark.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(dark);
    }
    ui_->Panel1->setStyleSheet(looks::searchPanelStyleSheet());
    ui_->Memo1->setStyleSheet(looks::previewStyleSheet());
    ui_->Wyniki->setStyleSheet(looks::resultsStyleSheet());
    ui_->ziemia->setStyleSheet(looks::bottomBarStyleSheet());
}

void TMainFrm::FormCreate()
{
    setWindowTitle(applicationTitle());
    settings_.restore(settingsControls());
    Bezogonkow1Toggled();
    followSearchOptions();
    LadujDane();
    if (ui_->Odmianawyrazow1->isChecked())
        startWordIndex();
    AddListItem(looks::hintText(), *model_, kHintImage);
}

WindowSettings::Controls TMainFrm::settingsControls()
{
    return {*this,
            *ui_->Wyniki,
            *ui_->Memo1,
            {{ui_->Wielkoscliter1, kCaseAllKey, 0},
             {ui_->Bezogonkow1, kNoDiacriticsKey, 0},
             {ui_->Odmianawyrazow1, kWordFormsKey, 1},
             {ui_->Podswietlajtrafienia1, kHighlightKey, 2}}};
}

// Type-ahead in the list compares letters as the next search will.
void TMainFrm::followSearchOptions()
{
    model_->setFolding(foldTable(folding()));
}

void TMainFrm::Bezogonkow1Toggled()
{
    if (ui_->Bezogonkow1->isChecked())
        ui_->Wielkoscliter1->setChecked(true);
    ui_->Wielkoscliter1->setEnabled(!ui_->Bezogonkow1->isChecked());
}

Folding TMainFrm::wordFolding() const
{
    return ui_->Bezogonkow1->isChecked() ? Folding::NoDiacritics : Folding::EveryCase;
}

void TMainFrm::Odmianawyrazow1Toggled()
{
    if (ui_->Odmianawyrazow1->isChecked() && !quotes_.text().empty())
        startWordIndex();
}

void TMainFrm::Podswietlajtrafienia1Toggled()
{
    ui_->Wyniki->viewport()->update();
    WynikiSelectItem();
}

void TMainFrm::Cytatdnia1Click()
{
    CytatDnia();
}

void TMainFrm::Autorzy1Click()
{
    if (!authors_) {
        authors_ = new Tautorzy(this);
        connect(authors_, &Tautorzy::authorChosen, this, [this](const std::string& attribution) {
            guarded([&] { FiltrujAutora(attribution); });
        });
    }
    authors_->count(quotes_, foldTable(folding()));
    authors_->show();
    authors_->raise();
    authors_->activateWindow();
}

Folding TMainFrm::folding() const
{
    if (ui_->Bezogonkow1->isChecked())
        return Folding::NoDiacritics;
    return ui_->Wielkoscliter1->isChecked() ? Folding::EveryCase : Folding::AsciiOnly;
}

void TMainFrm::LadujDane()
{
    // The file was read by startReading; this raises what reading it raised, as if read here.
    quotes_ = loading_.get();
    ui_->licznik->setText(QString::fromStdString(quotes_.counterText()));
    placeCounter();
}

// The counter sits at the right edge of the designed client area: a count too wide for its
// place (ten digits fit) moves it and its caption left rather than being cut by the edge.
void TMainFrm::placeCounter()
{
    QLabel* counter = ui_->licznik;
    counter->adjustSize();
    const int overflow = counterLeft_ + counter->width() - kDesignClientSize.width();
    const int shift = std::max(overflow, 0);
    counter->move(counterLeft_ - shift, counter->y());
    ui_->Label3->move(counterCaptionLeft_ - shift, ui_->Label3->y());
}

template <typename Query> void TMainFrm::runQuery(Query&& query)
{
    if (queryRunning_ || closing_)
        return;
    queryRunning_ = true;
    // However the query ends, an error included, the window takes commands again, and a close
    // confirmed while it ran goes ahead.
    struct QueryDone
    {
        TMainFrm& window;
        ~QueryDone()
        {
            window.queryRunning_ = false;
            window.model_->abandonUpdate();
            if (window.closeAfterQuery_) {
                window.finishClose();
                window.close();
            }
        }
    } done{*this};
    lastFinder_.reset();
    lastWordQuery_.reset();
    QueryBridge bridge(*this);
    query(bridge);
    ui_->Wyniki->viewport()->update();
}

void TMainFrm::FiltrujDane(const std::string& query)
{
    runQuery([&](QueryBridge& bridge) {
        if (!ui_->Odmianawyrazow1->isChecked()) {
            tavir::FiltrujDane(quotes_, query, *model_, bridge, bridge, pumpPolicy_, folding());
            if (!query.empty()) {
                lastFinder_.emplace(query, foldTable(folding()));
                lastNeedleSize_ = query.size();
            }
            return;
        }
        const WordIndex* index = wordIndex(bridge);
        if (!index)
            return;
        tavir::FiltrujFormy(quotes_, *index, query, *model_, bridge, bridge, pumpPolicy_,
                            wordFolding());
        if (!query.empty())
            lastWordQuery_.emplace(*index, query, wordFolding());
    });
}

void TMainFrm::FiltrujAutora(const std::string& attribution)
{
    runQuery([&](QueryBridge& bridge) {
        tavir::FiltrujAutora(quotes_, attribution, *model_, bridge, bridge, pumpPolicy_);
    });
}

void TMainFrm::CytatDnia()
{
    if (queryRunning_ || closing_)
        return;
    lastFinder_.reset();
    lastWordQuery_.reset();
    model_->clear();
    if (quotes_.quotationCount() == 0)
        return;
    const CalendarDate today = localDate(std::time(nullptr));
    AddListItem(quotes_, dayQuotation(quotes_.quotationCount(), today.year, today.month, today.day),
                *model_);
    ui_->Wyniki->selectionModel()->select(model_->index(0, 0), QItemSelectionModel::ClearAndSelect);
    ui_->Wyniki->setCurrentIndex(model_->index(0, 0));
}

void TMainFrm::startWordIndex()
{
    if (wordIndex_ || wordIndexBuilding_.valid())
        return;
    // The collection is read-only from start-up to the close, which waits for this.
    wordIndexBuilding_ = std::async(std::launch::async, [this] {
        return WordIndex::build(
            quotes_, Morphology::load(applicationFolder_ + std::string(kDictionaryFile)));
    });
}

const WordIndex* TMainFrm::wordIndex(QueryBridge& bridge)
{
    startWordIndex();
    if (!wordIndex_) {
        using namespace std::chrono_literals;
        if (wordIndexBuilding_.wait_for(0s) != std::future_status::ready) {
            bridge.create();
            bridge.setMaximum(0); // no steps to show: the bar only moves
            bridge.show();
            while (wordIndexBuilding_.wait_for(15ms) != std::future_status::ready) {
                if (!bridge.deliverPending()) {
                    bridge.close();
                    return nullptr;
                }
            }
            bridge.close();
        }
        // A dictionary that cannot be read raises its error here, and is tried again next time.
        wordIndex_.emplace(wordIndexBuilding_.get());
    }
    return &*wordIndex_;
}

void TMainFrm::LosujDane(int n)
{
    if (queryRunning_ || closing_)
        return;
    tavir::LosujDane(quotes_, n, timeSeed(), *model_);
}

void TMainFrm::SpeedButton1Click()
{
    FiltrujDane(toWindows1250(ui_->Edit1->text()));
}
void TMainFrm::SpeedButton3Click()
{
    FiltrujDane({});
}
void TMainFrm::SpeedButton4onclick()
{
    LosujDane(50);
}

void TMainFrm::WynikiSelectItem()
{
    const std::vector<int> rows = ui_->Wyniki->selectedRowsInOrder();
    if (!rows.empty())
        showInPreview(model_->caption(rows.front()));
}

void TMainFrm::showInPreview(std::string_view caption)
{
    ui_->Memo1->setPlainText(shownText(caption, kShownInPreview));
    QList<QTextEdit::ExtraSelection> marks;
    for (const auto& [first, last] : marksIn(caption)) {
        if (first >= static_cast<int>(kShownInPreview))
            break;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(ui_->Memo1->document());
        mark.cursor.setPosition(first);
        mark.cursor.setPosition(std::min(last, static_cast<int>(kShownInPreview)),
                                QTextCursor::KeepAnchor);
        mark.format.setBackground(looks::markBackground());
        mark.format.setForeground(looks::markText());
        marks.push_back(mark);
    }
    ui_->Memo1->setExtraSelections(marks);
}

std::vector<std::pair<int, int>> TMainFrm::marksIn(std::string_view caption) const
{
    std::vector<std::pair<int, int>> marks;
    if (!ui_->Podswietlajtrafienia1->isChecked())
        return marks;
    std::vector<ByteRange> ranges;
    if (lastWordQuery_)
        ranges = matchRanges(caption, *lastWordQuery_);
    else if (lastFinder_)
        ranges = matchRanges(caption, *lastFinder_, lastNeedleSize_);
    // One byte of Windows-1250 is one character of the shown text.
    for (const ByteRange& range : ranges)
        marks.emplace_back(static_cast<int>(range.begin), static_cast<int>(range.end));
    return marks;
}

void TMainFrm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!std::exchange(shown_, true))
        KeepOnScreen(*this);
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    guarded([&] { FormCloseQuery(canClose); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TMainFrm::FormCloseQuery(bool& canClose)
{
    canClose = closing_;
    if (closing_)
        return;
    if (!platform_.askYesNo(this, looks::questionCaption(), looks::closeQuestion()))
        return;
    if (queryRunning_) {
        // The running query stops at its next delivery of events and then closes the window.
        closeAfterQuery_ = true;
        return;
    }
    finishClose();
    canClose = true;
}

// Stores the settings, then releases the collection once nothing points into it. A failed
// write is shown, and the program still closes: it never stays open without its quotations.
void TMainFrm::finishClose()
{
    closing_ = true;
    guarded([this] { settings_.store(settingsControls()); });
    // The workers that read the collection finish before it is released.
    if (authors_)
        authors_->stopCounting();
    if (wordIndexBuilding_.valid())
        wordIndexBuilding_.wait();
    lastWordQuery_.reset();
    model_->clear();
    quotes_.release();
}

void TMainFrm::setUpCommands()
{
    handle(ui_->Kopiujzaznaczone1, &QAction::triggered, &TMainFrm::Kopiujzaznaczone1Click);
    handle(ui_->Zapiszwynikidopliku1, &QAction::triggered, &TMainFrm::Zapiszwynikidopliku1Click);
    handle(ui_->Drukujzaznaczone1, &QAction::triggered, &TMainFrm::Drukujzaznaczone1Click);
    handle(ui_->czcionka1, &QAction::triggered, &TMainFrm::czcionka1Click);
    handle(ui_->Czcionka2, &QAction::triggered, &TMainFrm::Czcionka2Click);
    handle(ui_->Uaktualnijprogram1, &QAction::triggered, &TMainFrm::Uaktualnijprogram1Click);
    handle(ui_->Zakoczprogram1, &QAction::triggered, &TMainFrm::Zakoczprogram1Click);
    handle(ui_->Bezogonkow1, &QAction::toggled, &TMainFrm::Bezogonkow1Toggled);
    handle(ui_->Odmianawyrazow1, &QAction::toggled, &TMainFrm::Odmianawyrazow1Toggled);
    handle(ui_->Podswietlajtrafienia1, &QAction::toggled, &TMainFrm::Podswietlajtrafienia1Toggled);
    handle(ui_->Cytatdnia1, &QAction::triggered, &TMainFrm::Cytatdnia1Click);
    handle(ui_->Autorzy1, &QAction::triggered, &TMainFrm::Autorzy1Click);
    handle(ui_->Bezogonkow1, &QAction::toggled, &TMainFrm::followSearchOptions);
    handle(ui_->Wielkoscliter1, &QAction::toggled, &TMainFrm::followSearchOptions);
    handle(ui_->StronaWWWprogramu1, &QAction::triggered, &TMainFrm::StronaWWWprogramu1Click);
    handle(ui_->VELTASoftware1, &QAction::triggered, &TMainFrm::VELTASoftware1Click);
    handle(ui_->Pomoc1, &QAction::triggered, &TMainFrm::Pomoc1Click);
    handle(ui_->Oautorach1, &QAction::triggered, &TMainFrm::Oautorach1Click);
    handle(ui_->SpeedButton4, &QToolButton::clicked, &TMainFrm::SpeedButton4Click);
    handle(ui_->SpeedButton5, &QToolButton::clicked, &TMainFrm::SpeedButton5Click);

    // The list's context menu shares the main menu's export entries, so each shortcut is
    // registered once and works from every control of the window. Ctrl+F lives only here
    // and works only while the list has the focus.
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions(
        {ui_->Kopiujzaznaczone1, ui_->Zapiszwynikidopliku1, ui_->Drukujzaznaczone1});
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ui_->czcionka1);
    ui_->czcionka1->setShortcutContext(Qt::WidgetShortcut);
    ui_->Wyniki->addAction(ui_->czcionka1);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    PopupMenu2->addAction(ui_->Czcionka2);
    connect(ui_->Wyniki, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(ui_->Wyniki->viewport()->mapToGlobal(at));
    });
    connect(ui_->Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu2->popup(ui_->Memo1->viewport()->mapToGlobal(at));
    });

    // The edit controls would take Ctrl+C for their own text; the window's commands win.
    for (QWidget* control : {static_cast<QWidget*>(ui_->Edit1), static_cast<QWidget*>(ui_->Memo1),
                             static_cast<QWidget*>(ui_->Wyniki)})
        control->installEventFilter(this);
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* command : {ui_->Kopiujzaznaczone1, ui_->Zapiszwynikidopliku1,
                                       ui_->Drukujzaznaczone1, ui_->czcionka1}) {
            if (command->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

std::vector<std::string_view> TMainFrm::selectedCaptions() const
{
    std::vector<std::string_view> captions;
    for (const int row : ui_->Wyniki->selectedRowsInOrder())
        captions.push_back(model_->caption(row));
    return captions;
}

void TMainFrm::KopiujZaznaczone()
{
    // The bytes of textForm(), built once in place from the selected runs of rows, and the
    // Unicode text once from them: a select-all of millions of rows costs one copy of its
    // text per clipboard format, and no list of rows or captions.
    const auto runs = ui_->Wyniki->selectedRowRuns();
    std::size_t size = 0;
    for (const auto& [first, last] : runs)
        for (int row = first; row <= last; ++row)
            size += textLineSize(model_->caption(row));
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    char* out = bytes.data();
    for (const auto& [first, last] : runs)
        for (int row = first; row <= last; ++row)
            out = writeTextLine(out, model_->caption(row));
    platform_.setClipboardText(fromWindows1250({bytes.constData(), size}), bytes);
}

void TMainFrm::ZapiszZaznaczone()
{
    const std::vector<std::string_view> captions = selectedCaptions();
    if (captions.empty())
        return;
    const std::optional<QString> name = platform_.saveFileName(
        this, looks::saveDialogTitle(), looks::saveDialogFilter(), lastSaveName_);
    if (!name || name->isEmpty())
        return;
    lastSaveName_ = *name;
    saveHtmlPage(applicationFolder_, htmlTarget(toSystem(*name)),
                 toWindows1250Html(ui_->Edit1->text()), captions);
}

void TMainFrm::DrukujZaznaczone()
{
    platform_.printTextFile(fromSystem(writePrintFile(places_.printFile(), selectedCaptions())));
}

void TMainFrm::Kopiujzaznaczone1Click()
{
    KopiujZaznaczone();
}
void TMainFrm::Zapiszwynikidopliku1Click()
{
    ZapiszZaznaczone();
}
void TMainFrm::Drukujzaznaczone1Click()
{
    DrukujZaznaczone();
}
void TMainFrm::czcionka1Click()
{
    chooseFont(*ui_->Wyniki);
}
void TMainFrm::Czcionka2Click()
{
    chooseFont(*ui_->Memo1);
}

// Face, size and style come from the dialog; underline, strike-out and colour stay.
void TMainFrm::chooseFont(QWidget& control)
{
    const std::optional<QFont> chosen = platform_.chooseFont(this, control.font());
    if (!chosen)
        return;
    QFont font = control.font();
    font.setFamily(chosen->family());
    font.setStyleName(QString());
    font.setPointSize(chosen->pointSize() > 0 ? chosen->pointSize() : font.pointSize());
    font.setBold(chosen->weight() > QFont::Normal);
    font.setItalic(chosen->italic());
    control.setFont(font);
}

void TMainFrm::openWebPage(std::string_view path)
{
    platform_.open(fromSystem(std::string(kHomePage) + std::string(path)));
}

void TMainFrm::Uaktualnijprogram1Click()
{
    if (platform_.askYesNo(nullptr, looks::questionCaption(), looks::onlineQuestion()))
        openWebPage("/updates/tavir/");
}

void TMainFrm::Zakoczprogram1Click()
{
    close();
}
void TMainFrm::StronaWWWprogramu1Click()
{
    openWebPage("/index.php?a=prog&fname=tavir");
}
void TMainFrm::VELTASoftware1Click()
{
    openWebPage("");
}
void TMainFrm::SpeedButton4Click()
{
    openWebPage("");
}

void TMainFrm::Pomoc1Click()
{
    platform_.open(fromSystem(applicationFolder_ + std::string(kHelpPage)));
}

void TMainFrm::Oautorach1Click()
{
    platform_.showModal(*about_);
}
void TMainFrm::SpeedButton5Click()
{
    platform_.showModal(*about_);
}

} // namespace tavir
