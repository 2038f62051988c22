#include "gui/tzaczekaj.h"

#include "gui/design_font.h"
#include "gui/pictures.h"
#include "ui_tzaczekaj.h"

#include <QScreen>

namespace tavir {

Tzaczekaj::Tzaczekaj() : ui_(std::make_unique<Ui::Tzaczekaj>())
{
    setFont(designFont());
    ui_->setupUi(this);
    ui_->Image1->setPixmap(picture(QStringLiteral("wait.png")));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(186, 63);
}

Tzaczekaj::~Tzaczekaj() = default;

QProgressBar* Tzaczekaj::progressBar() const
{
    return ui_->ProgressBar1;
}

void Tzaczekaj::showAndPaint()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
}

} // namespace tavir
