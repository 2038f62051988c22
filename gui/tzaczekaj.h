#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class Tzaczekaj;
}
class QProgressBar;

namespace tavir {

// The wait window shown while every quotation is listed: no frame, always on top, centred.
class Tzaczekaj final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tzaczekaj)

public:
    Tzaczekaj();
    ~Tzaczekaj() override;

    QProgressBar* progressBar() const;
    // Shows the window centred on the screen and paints it at once.
    void showAndPaint();

private:
    const std::unique_ptr<Ui::Tzaczekaj> ui_;
};

} // namespace tavir
