#include "mainfrm.h"

#include "codec.h"
#include "czekaj.h"
#include "frmutils.h"
#include "guard.h"
#include "jpeg_image.h"
#include "platform.h"
#include "product.h"
#include "results_model.h"
#include "text.h"
#include "ui_mainfrm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QProgressBar>

namespace {

const std::string& hintText()
{
    static const std::string hint =
        tavir::utf8ToCp1250("Aby wyświetlić cytaty, skorzystaj z paska po lewej...");
    return hint;
}

const QString kWelcome = QStringLiteral(
    "Witamy w programie TaViR 5.\n"
    "Mamy nadzieję iż praca włożona w powstanie tej wersji aplikacji pomoże Ci \n"
    "zabłysnąć w towarzystwie, napisać ciekawą pracę do szkoły lub po prostu \n"
    "rozerwać się.\n"
    "\n"
    "Pamiętaj, że życzymy Ci wszystkiego, co najlepsze!\n"
    "Cytaty zebrała Redakcja bazy cytatów, program napisał Zespół programistów VELTA Software.\n"
    "\n");

} // namespace

// Connects a running query to the window: the wait window, its progress bar, and the
// delivery of pending events, which is also where a requested close stops the query.
class TMainFrm::QueryBridge final : public tavir::WaitIndicator, public tavir::EventPump
{
public:
    explicit QueryBridge(TMainFrm& window) : window_(window) {}

    void create() override { wait_ = std::make_unique<Tzaczekaj>(); }
    void setMaximum(std::size_t maximum) override
    {
        wait_->progressBar()->setMaximum(static_cast<int>(std::min<std::size_t>(maximum, INT_MAX)));
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
    void showProgress()
    {
        if (wait_)
            wait_->progressBar()->setValue(static_cast<int>(std::min<std::size_t>(position_, INT_MAX)));
    }

    TMainFrm& window_;
    std::unique_ptr<Tzaczekaj> wait_;
    std::size_t position_ = 0;
};

TMainFrm::TMainFrm(Platform& platform, std::string applicationFolder)
    : ui_(std::make_unique<Ui::TMainFrm>()),
      platform_(platform),
      model_(new ResultsModel(this)),
      applicationFolder_(std::move(applicationFolder)),
      listFontColor_(tavir::FontRecord().color),
      previewFontColor_(tavir::FontRecord().color)
{
    Q_INIT_RESOURCE(tavir);
    // The design face; on Linux a font of the same metrics stands in for it.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    ui_->setupUi(this);
    setUpLooks();
    ui_->Wyniki->setModel(model_);
    connect(ui_->Wyniki->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([this] { WynikiSelectItem(); }); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { guarded([this] { SpeedButton1Click(); }); });
    connect(ui_->Edit1, &QLineEdit::returnPressed, this, [this] { guarded([this] { SpeedButton1Click(); }); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { guarded([this] { SpeedButton3Click(); }); });
    connect(ui_->SpeedButton3, &QToolButton::clicked, this, [this] { guarded([this] { SpeedButton4onclick(); }); });
    guarded([this] { FormCreate(); });
}

TMainFrm::~TMainFrm() = default;

template <typename Body>
void TMainFrm::guarded(Body&& body)
{
    ::guarded(platform_, this, std::forward<Body>(body));
}

std::string TMainFrm::settingsFile() const
{
    return applicationFolder_ + std::string(tavir::kSettingsFile);
}

void TMainFrm::setUpLooks()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    ui_->centralWidget->setFixedSize(792, 546);
    setFixedSize(792, 546 + ui_->MainMenu1->sizeHint().height());
    move(206, 138);

    QFile background(QStringLiteral(":/images/background.jpg"));
    if (background.open(QIODevice::ReadOnly))
        ui_->Image1->setPixmap(QPixmap::fromImage(decodeJpeg(background.readAll())));

    QFont bold = ui_->licznik->font();
    bold.setBold(true);
    ui_->licznik->setFont(bold);
    ui_->licznik->adjustSize();
    ui_->Label3->adjustSize();
    ui_->Label1->adjustSize();

    // The list-all button shows its underlined letter, but Alt+W belongs to the search label.
    ui_->SpeedButton2->setShortcut(QKeySequence());

    ui_->Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    ui_->Memo1->setFont(QFont(QStringLiteral("MS Sans Serif"), 12));
    ui_->Memo1->setPlainText(kWelcome);

    ui_->Wyniki->viewport()->setCursor(Qt::PointingHandCursor);
    setTabOrder(ui_->Edit1, ui_->Wyniki);
    setTabOrder(ui_->Wyniki, ui_->Memo1);

    setStyleSheet(QStringLiteral(
        "#Panel1 { background: #7E0305; }"
        "#Label1 { color: white; }"
        "#Panel1 QToolButton { color: white; border: none; border-radius: 3px; }"
        "#Panel1 QToolButton:hover { background: rgba(255, 255, 255, 45); }"
        "#Panel1 QToolButton:pressed { background: rgba(0, 0, 0, 60); }"
        "#Edit1 { background: #F8F8F8; border: none; border-bottom: 1px solid #C9C9C9;"
        "  padding-left: 3px; }"
        "#Memo1 { background: #F8F8F8; border: 1px solid #B4B4B4; }"
        "#ziemia { background: #AEAEAE; }"
        "#ziemia QToolButton { border: none; padding-left: 2px; }"
        "#ziemia QToolButton:hover { background: #C4C4C4; }"
        "#Wyniki { background: #E3E5E2; alternate-background-color: #E3E5E2;"
        "  gridline-color: #C7CAC5; border: 1px solid #B4B4B4;"
        "  selection-background-color: #7E0305; selection-color: white; }"));
}

void TMainFrm::FormCreate()
{
    setWindowTitle(applicationTitle());
    tavir::ReadFormPlacement(*this, settingsFile());
    const tavir::FontRecord listFont = tavir::ReadFontSection(settingsFile(), "Wyniki_font");
    tavir::applyFont(*ui_->Wyniki, listFont);
    listFontColor_ = listFont.color;
    const tavir::FontRecord previewFont = tavir::ReadFontSection(settingsFile(), "LOOpa_font");
    tavir::applyFont(*ui_->Memo1, previewFont);
    previewFontColor_ = previewFont.color;
    LadujDane();
    tavir::AddListItem(hintText(), *model_, tavir::kHintImage);
}

void TMainFrm::LadujDane()
{
    quotes_ = tavir::QuoteCollection::fromFile(applicationFolder_ + std::string(tavir::kQuoteFile));
    ui_->licznik->setText(QString::fromStdString(quotes_.counterText()));
    ui_->licznik->adjustSize();
}

void TMainFrm::FiltrujDane(const std::string& query)
{
    if (queryRunning_ || closing_)
        return;
    queryRunning_ = true;
    QueryBridge bridge(*this);
    tavir::FiltrujDane(quotes_, query, *model_, bridge, bridge, pumpPolicy_);
    queryRunning_ = false;
    if (closeAfterQuery_) {
        finishClose();
        close();
    }
}

void TMainFrm::LosujDane(int n)
{
    if (queryRunning_ || closing_)
        return;
    tavir::LosujDane(quotes_, n, tavir::timeSeed(), *model_);
}

void TMainFrm::SpeedButton1Click() { FiltrujDane(toWindows1250(ui_->Edit1->text())); }
void TMainFrm::SpeedButton3Click() { FiltrujDane({}); }
void TMainFrm::SpeedButton4onclick() { LosujDane(50); }

void TMainFrm::WynikiSelectItem()
{
    const std::vector<int> rows = ui_->Wyniki->selectedRowsInOrder();
    if (!rows.empty())
        ui_->Memo1->setPlainText(fromWindows1250(model_->caption(rows.front())));
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
    if (!platform_.askYesNo(this, QStringLiteral("Pytanie:"),
                            QStringLiteral("Zakończyć pracę programu?")))
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
    guarded([this] {
        tavir::WriteFormPlacement(*this, settingsFile());
        tavir::WriteConfigInteger("Wyniki-height", ui_->Memo1->height(), settingsFile());
        tavir::WriteFontSection(tavir::fontRecord(ui_->Wyniki->font(), listFontColor_), settingsFile(),
                         "Wyniki_font");
        tavir::WriteFontSection(tavir::fontRecord(ui_->Memo1->font(), previewFontColor_), settingsFile(),
                         "LOOpa_font");
    });
    model_->clear();
    quotes_.release();
}
