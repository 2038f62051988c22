// The windows on the desktops people have: a dark colour scheme, a screen smaller than the
// window or a monitor since unplugged; the About window's keys and the rows' tooltips.
#include "gui/looks.h"
#include "gui/tabout.h"
#include "gui/tzaczekaj.h"
#include "tests/gui/window_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

// A dark scheme as desktop themes give it: light text on dark grounds.
QPalette darkPalette()
{
    QPalette dark(QColor(0xE0, 0xE0, 0xE0), QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Text, QColor(0xF0, 0xF0, 0xF0));
    dark.setColor(QPalette::WindowText, QColor(0xF0, 0xF0, 0xF0));
    dark.setColor(QPalette::ButtonText, QColor(0xF0, 0xF0, 0xF0));
    dark.setColor(QPalette::Link, QColor(0x6C, 0xB4, 0xEE));
    dark.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::ToolTipText, QColor(0xF0, 0xF0, 0xF0));
    return dark;
}

// The contrast of a control's text as its window shows it: each pixel the text changes against
// what is there without it, the strongest of them (the core of a glyph).
double textContrast(QWidget& control)
{
    QWidget* top = control.window();
    const QRect area(control.mapTo(top, QPoint(0, 0)), control.size());
    const QImage with = top->grab(area).toImage();
    auto* label = qobject_cast<QLabel*>(&control);
    auto* line = qobject_cast<QLineEdit*>(&control);
    auto* edit = qobject_cast<QTextEdit*>(&control);
    auto* plain = qobject_cast<QPlainTextEdit*>(&control);
    const QString text = label  ? label->text()
                         : line ? line->text()
                         : edit ? edit->toPlainText()
                                : plain->toPlainText();
    const auto show = [&](const QString& shown) {
        if (label)
            label->setText(shown);
        else if (line)
            line->setText(shown);
        else if (edit)
            edit->setPlainText(shown);
        else
            plain->setPlainText(shown);
    };
    show(QString());
    const QImage without = top->grab(area).toImage();
    show(text);
    double best = 1;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            best = std::max(best, tavir::looks::contrastRatio(QColor(with.pixel(x, y)),
                                                              QColor(without.pixel(x, y))));
    return best;
}

// The same for the first row of the list: its text against the row's ground at its far end.
double rowContrast(ResultsView& view)
{
    const QRect row = view.visualRect(view.model()->index(0, 0)).adjusted(24, 1, -2, -2);
    const QImage shot = view.viewport()->grab(row).toImage();
    const QColor ground(shot.pixel(shot.width() - 1, shot.height() / 2));
    double best = 1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            best = std::max(best, tavir::looks::contrastRatio(QColor(shot.pixel(x, y)), ground));
    return best;
}

} // namespace

class TestLooks : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    void init()
    {
        startOver("Ala ma kota \x96 przys\xB3owie polskie\r\n" + QByteArray(300, 'z') +
                  " koniec\r\nkoniec\r\n");
    }
    void cleanup()
    {
        QApplication::setPalette(QApplication::style()->standardPalette());
        finish();
    }

    // Every text of the three windows reads as body text should (WCAG 4.5) under a dark scheme.
    void darkSchemeKeepsEveryTextReadable_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"Edit1", "Memo1", "Wyniki", "licznik", "Label3", "Label1"})
            QTest::newRow(name) << QString::fromLatin1(name);
        QTest::newRow("About: Label1") << u"Abfrm/Label1"_s;
        QTest::newRow("About: link") << u"Abfrm/Label6"_s;
        QTest::newRow("About: licence") << u"Abfrm/Memo1"_s;
        QTest::newRow("wait window") << u"Tzaczekaj/Label1"_s;
    }
    void darkSchemeKeepsEveryTextReadable()
    {
        QFETCH(QString, name);
        QApplication::setPalette(darkPalette());
        open();
        QTest::mouseClick(child<QWidget>("SpeedButton2"), Qt::LeftButton);
        child<QLineEdit>("Edit1")->setText(u"Ala ma kota"_s);
        QWidget* top = window.get();
        std::unique_ptr<tavir::Tzaczekaj> wait;
        if (name.startsWith(u"Abfrm/"_s)) {
            top = child<QDialog>("Abfrm");
            top->show();
        } else if (name.startsWith(u"Tzaczekaj/"_s)) {
            wait = std::make_unique<tavir::Tzaczekaj>();
            wait->showAndPaint();
            top = wait.get();
        }
        auto* control = top->findChild<QWidget*>(name.section(u'/', -1));
        QVERIFY(control);
        control->clearFocus(); // no text cursor
        auto* view = qobject_cast<ResultsView*>(control);
        const double contrast = view ? rowContrast(*view) : textContrast(*control);
        QVERIFY2(contrast >= 4.5, qPrintable(u"%1: contrast %2"_s.arg(name).arg(contrast)));
    }

    // A stored place on a monitor since unplugged comes back whole onto the screen; one already
    // on it stays. The stored values change only at the next confirmed close.
    void storedPlaceComesBackOntoTheScreen_data()
    {
        QTest::addColumn<QPoint>("stored");
        QTest::newRow("beyond the bottom right") << QPoint(2500, 1500);
        QTest::newRow("beyond the left") << QPoint(-3000, 200);
        QTest::newRow("half off the right") << QPoint(1000, 100);
        QTest::newRow("on the screen") << QPoint(120, 90);
    }
    void storedPlaceComesBackOntoTheScreen()
    {
        QFETCH(QPoint, stored);
        const QByteArray ini = "[MainFrm]\r\nleft=" + QByteArray::number(stored.x()) +
                               "\r\ntop=" + QByteArray::number(stored.y()) + "\r\n";
        folder.write(u"dane/konfiguracja.ini"_s, ini);
        open();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(window->frameGeometry()),
                 qPrintable(u"frame at %1,%2"_s.arg(window->x()).arg(window->y())));
        if (screen.contains(QRect(stored, window->frameGeometry().size())))
            QCOMPARE(window->pos(), stored);
        QCOMPARE(folder.read(u"dane/konfiguracja.ini"_s), ini);
    }

    void returnPressesOkInTheAboutWindow()
    {
        open();
        auto* about = child<QDialog>("Abfrm");
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QTest::keyClick(about, Qt::Key_Return);
        QVERIFY(!about->isVisible());
        QCOMPARE(about->result(), int(QDialog::Accepted));
    }

    // A row cut off with an ellipsis shows its whole text as a tooltip; a whole row none.
    void cutRowsShowTheirWholeText()
    {
        open();
        QTest::mouseClick(child<QWidget>("SpeedButton2"), Qt::LeftButton);
        auto* view = child<ResultsView>("Wyniki");
        const auto tipAt = [view](int row) {
            const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
            QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(0), QString());
        QVERIFY(tipAt(1).contains(QString(300, u'z') + u" koniec"_s));
    }
};

QTEST_MAIN(TestLooks)
#include "test_looks.moc"
