#include "gui/tabout.h"

#include "gui/design_font.h"
#include "gui/looks.h"
#include "gui/pictures.h"
#include "quotes/product.h"
#include "ui_tabout.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace tavir {

namespace {

const QString kLicence = QStringLiteral(
    "Licencja programu TaViR\n\n"
    "Program TaViR wraz z bazą cytatów udostępniamy bezpłatnie do użytku domowego, szkolnego "
    "i prywatnego. Wolno go kopiować i przekazywać innym w niezmienionej postaci, razem z tym "
    "tekstem.\n\n"
    "Cytaty i przysłowia zebrane w bazie należą do domeny publicznej: wolno z nich korzystać "
    "w dowolnym celu.\n\n"
    "Program dostarczamy w takim stanie, w jakim jest, bez żadnej gwarancji. Autorzy nie "
    "odpowiadają za szkody wynikłe z jego używania.\n\n"
    "Nie wolno sprzedawać programu ani podawać się za jego autora.");

QString homePage()
{
    return QString::fromUtf8(kHomePage.data(), kHomePage.size());
}

} // namespace

Tabout::Tabout(std::function<void(const QString&)> open, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::Tabout>()), open_(std::move(open))
{
    // The controls take the design's face as they are made, as in the main window.
    setFont(designFont());
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(331, 317);
    ui_->Image1->setPixmap(picture(QStringLiteral("about-logo.png")));
    const QIcon mail = pictureIcon(QStringLiteral("mail.png"));
    for (QToolButton* button :
         {ui_->SpeedButton2, ui_->SpeedButton3, ui_->SpeedButton5, ui_->SpeedButton4})
        button->setIcon(mail);
    ui_->SpeedButton1->setIcon(pictureIcon(QStringLiteral("ok.png")));

    for (QLabel* heading : {ui_->Label1, ui_->Label4}) {
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
    }
    ui_->Memo1->setPlainText(kLicence);
    QPalette tooltip = ui_->Memo1->palette();
    tooltip.setColor(QPalette::Base, tooltip.color(QPalette::ToolTipBase));
    tooltip.setColor(QPalette::Text, tooltip.color(QPalette::ToolTipText));
    ui_->Memo1->setPalette(tooltip);
    ui_->Label6->setText(homePage());
    QPalette link = ui_->Label6->palette();
    link.setColor(QPalette::WindowText, looks::linkColor(palette()));
    ui_->Label6->setPalette(link);
    QFont underlined = ui_->Label6->font();
    underlined.setUnderline(true);
    ui_->Label6->setFont(underlined);
    ui_->Label6->installEventFilter(this);

    connect(ui_->SpeedButton2, &QToolButton::clicked, this, &Tabout::SpeedButton4click);
    connect(ui_->SpeedButton3, &QToolButton::clicked, this, &Tabout::Spdbtn46);
    connect(ui_->SpeedButton5, &QToolButton::clicked, this, &Tabout::klik);
    connect(ui_->SpeedButton4, &QToolButton::clicked, this, &Tabout::Spdbtn2);
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, &Tabout::SpeedButton1Click);
}

Tabout::~Tabout() = default;

void Tabout::SpeedButton4click()
{
    open_(QStringLiteral("mailto:redakcja@velta.example"));
}
void Tabout::Spdbtn46()
{
    open_(QStringLiteral("mailto:przyslowia@velta.example"));
}
void Tabout::klik()
{
    open_(QStringLiteral("mailto:korekta@velta.example"));
}
void Tabout::Spdbtn2()
{
    open_(QStringLiteral("mailto:programisci@velta.example"));
}
void Tabout::Label6Click()
{
    open_(homePage());
}
void Tabout::SpeedButton1Click()
{
    accept();
}

void Tabout::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        ui_->SpeedButton1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tabout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->Label6 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label6Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tabout::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace tavir
