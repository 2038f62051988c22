// The three windows as a person sees them: whole texts in the design font, the About
// window's lines.
#include "tests/app/window_fixture.h"
#include "ui/czekaj.h"

#include <QAbstractButton>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The text as drawn: an ampersand marks the underlined letter and is not shown itself.
QString shownText(QString text)
{
    static const QRegularExpression mnemonic(u"&(.)"_s);
    return text.replace(mnemonic, u"\\1"_s);
}

// Names every label and button of `top` whose text does not fit the control in its font.
QStringList cutTexts(const QWidget& top)
{
    QStringList cut;
    const auto check = [&cut](const QWidget& control, const QString& text, int need, QSize room) {
        const int height = control.fontMetrics().height();
        if (need > room.width() || height > room.height())
            cut << u"%1 \"%2\": %3x%4 in %5x%6"_s.arg(control.objectName(), text)
                       .arg(need)
                       .arg(height)
                       .arg(room.width())
                       .arg(room.height());
    };
    for (const QLabel* label : top.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->window() != &top)
            continue;
        const int margin = label->margin();
        const QSize room = label->contentsRect().size() - QSize(2 * margin, 2 * margin);
        check(*label, label->text(),
              label->fontMetrics().horizontalAdvance(shownText(label->text())), room);
    }
    for (const QAbstractButton* button : top.findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty() || button->window() != &top)
            continue;
        // The style's frame on either side, and a picture beside the text with its gap.
        const int frame =
            button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        const auto* tool = qobject_cast<const QToolButton*>(button);
        const int picture = tool && tool->toolButtonStyle() == Qt::ToolButtonTextBesideIcon
                                ? button->iconSize().width() + 4
                                : 0;
        check(*button, button->text(),
              button->fontMetrics().horizontalAdvance(shownText(button->text())) + picture,
              button->size() - QSize(2 * frame, 2 * frame));
    }
    return cut;
}

} // namespace

class TestWindows : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    QDialog* about() { return child<QDialog>("Abfrm"); }

private slots:
    void init()
    {
        platform = FakePlatform();
        folder.renew();
        folder.writeQuotes("Ala ma kota\r\nkoniec\r\n");
        open();
    }
    void cleanup() { closeWindow(); }

    void everyTextFitsItsControl()
    {
        Tzaczekaj wait;
        for (const QWidget* top : {static_cast<QWidget*>(window.get()),
                                   static_cast<QWidget*>(about()), static_cast<QWidget*>(&wait)})
            QVERIFY2(cutTexts(*top).isEmpty(), qPrintable(cutTexts(*top).join(u"; "_s)));
        // The wait window is drawn in the same face as the others.
        QCOMPARE(wait.font().family(), u"MS Sans Serif"_s);
        QCOMPARE(wait.font().pointSize(), 8);
        QCOMPARE(QFontInfo(wait.font()).family(), QFontInfo(window->font()).family());

        auto* header = child<QTableView>("Wyniki")->horizontalHeader();
        QVERIFY(header->fontMetrics().horizontalAdvance(u"Wyniki wyszukiwania:"_s) <
                header->sectionSize(0));
    }

    void aboutLicenceHasATopLine()
    {
        QDialog* dialog = about();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QImage shot = dialog->grab().toImage();
        dialog->hide();
        // The line lies on the top edge of its rectangle (36, 148, 293 x 17), above the licence
        // text that covers the rest of it; the row above is the window's plain background.
        int drawn = 0;
        for (int x = 40; x < 325; ++x)
            drawn += shot.pixel(x, 148) != shot.pixel(x, 146) ? 1 : 0;
        QVERIFY2(drawn > 280, qPrintable(u"%1 pixels of the line drawn"_s.arg(drawn)));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
