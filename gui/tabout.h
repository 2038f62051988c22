#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class Tabout;
}

namespace tavir {

// The About window: credits, mail buttons, the maker's address and the licence. Created
// hidden at start-up and shown modally whenever asked for; never rebuilt.
class Tabout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tabout)

public:
    // `open` hands a mail link or web address to the desktop.
    explicit Tabout(std::function<void(const QString&)> open, QWidget* parent = nullptr);
    ~Tabout() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Return and Enter press OK, as Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SpeedButton4click(); // mail to the first database editor
    void Spdbtn46();          // the second
    void klik();              // the third
    void Spdbtn2();           // the programmers
    void Label6Click();       // the maker's home page
    void SpeedButton1Click(); // OK

    const std::unique_ptr<Ui::Tabout> ui_;
    std::function<void(const QString&)> open_;
};

} // namespace tavir
