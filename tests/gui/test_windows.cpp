// The three windows as a person sees them (whole texts in the design font, the About
// window's lines) and as a screen reader reads them.
#include "gui/results_view.h"
#include "gui/tzaczekaj.h"
#include "tests/gui/window_fixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

using tavir::Tabout;
using tavir::Tzaczekaj;

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

// Names every visible control of `top` that takes the focus or can be pressed and that a
// screen reader would read without a name, or with blanks around it.
QStringList namelessControls(QWidget& top)
{
    QList<QWidget*> widgets = top.findChildren<QWidget*>();
    widgets.prepend(&top);
    QStringList nameless;
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || widget->window() != &top)
            continue;
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
        if (!control)
            continue;
        const QAccessibleActionInterface* actions = control->actionInterface();
        const bool pressable =
            actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction());
        if (!control->state().focusable && !pressable)
            continue;
        const QString name = control->text(QAccessible::Name);
        if (name.isEmpty() || name != name.trimmed())
            nameless << u"%1 (%2, role %3): \"%4\""_s
                            .arg(widget->objectName(),
                                 QLatin1String(widget->metaObject()->className()))
                            .arg(control->role())
                            .arg(name);
    }
    return nameless;
}

QString accessibleName(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
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
        startOver("Ala ma kota\r\nkoniec\r\n");
        open();
    }
    void cleanup() { finish(); }

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

        auto* header = child<ResultsView>("Wyniki")->horizontalHeader();
        QVERIFY(header->fontMetrics().horizontalAdvance(u"Wyniki wyszukiwania:"_s) <
                header->sectionSize(0));
    }

    void everyControlHasAName()
    {
        QDialog* dialog = about();
        dialog->show();
        Tzaczekaj wait;
        wait.showAndPaint();
        for (QWidget* top : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(dialog),
                             static_cast<QWidget*>(&wait)}) {
            const QStringList nameless = namelessControls(*top);
            QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(u"; "_s)));
        }
        dialog->hide();

        QCOMPARE(accessibleName(child<QToolButton>("SpeedButton1")), u"Szukaj"_s);
        QCOMPARE(accessibleName(child<QToolButton>("SpeedButton3")), u"Pokaż losowe"_s);
        QCOMPARE(accessibleName(child<QTextEdit>("Memo1")), u"Podgląd cytatu"_s);
        QCOMPARE(accessibleName(child<ResultsView>("Wyniki")), u"Wyniki wyszukiwania"_s);
        QCOMPARE(accessibleName(wait.findChild<QProgressBar*>(u"ProgressBar1"_s)),
                 u"Trwa ładowanie danych"_s);
        for (const char* panel : {"Panel1", "ziemia"})
            QVERIFY(!accessibleName(child<QFrame>(panel)).isEmpty());

        // What a sighted user sees stays as it was.
        QCOMPARE(child<QToolButton>("SpeedButton3")->text(), u"Pokaż &losowe   "_s);
        QCOMPARE(child<QToolButton>("SpeedButton1")->toolTip(), u"Szukaj ..."_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(child<QToolButton>("SpeedButton1"))
                     ->text(QAccessible::Description),
                 u"Szukaj ..."_s);
    }

    void aboutLicenceHasATopLine()
    {
        QDialog* dialog = about();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QImage shot = dialog->grab().toImage();
        dialog->hide();
        // The line lies on the top edge of its rectangle (36, 148, 293 x 17), above the licence
        // text that covers the rest of it: there the window's background must not show.
        const QRgb background = dialog->palette().color(QPalette::Window).rgb();
        int drawn = 0;
        for (int x = 40; x < 325; ++x)
            drawn += shot.pixel(x, 148) != background ? 1 : 0;
        QVERIFY2(drawn > 280, qPrintable(u"%1 pixels of the line drawn"_s.arg(drawn)));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
