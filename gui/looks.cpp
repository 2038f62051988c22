#include "gui/looks.h"

#include "base/codec.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace tavir::looks {

QString welcomeText()
{
    return QStringLiteral(
        "Witamy w programie TaViR 5.\n"
        "Mamy nadzieję iż praca włożona w powstanie tej wersji aplikacji pomoże Ci \n"
        "zabłysnąć w towarzystwie, napisać ciekawą pracę do szkoły lub po prostu \n"
        "rozerwać się.\n"
        "\n"
        "Pamiętaj, że życzymy Ci wszystkiego, co najlepsze!\n"
        "Cytaty zebrała Redakcja bazy cytatów, program napisał Zespół programistów VELTA "
        "Software.\n"
        "\n");
}

const std::string& hintText()
{
    static const std::string hint =
        utf8ToCp1250("Aby wyświetlić cytaty, skorzystaj z paska po lewej...");
    return hint;
}

QString questionCaption()
{
    return QStringLiteral("Pytanie:");
}

QString closeQuestion()
{
    return QStringLiteral("Zakończyć pracę programu?");
}

QString onlineQuestion()
{
    return QStringLiteral("Czy jesteś teraz połączony z Internetem?");
}

QString saveDialogTitle()
{
    return QStringLiteral("Zapisz zaznaczone cytaty na  dysku:");
}

QString saveDialogFilter()
{
    return QStringLiteral("Pliki HTML (*.html)");
}

QPalette designPalette()
{
    return QApplication::style()->standardPalette();
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor linkColor(const QPalette& palette)
{
    const QColor design(0x7E, 0x03, 0x05);
    const QColor background = palette.color(QPalette::Window);
    if (contrastRatio(design, background) >= 4.5)
        return design;
    const QColor own = palette.color(QPalette::Link);
    return contrastRatio(own, background) >= 4.5 ? own : palette.color(QPalette::WindowText);
}

QColor markBackground()
{
    return {0xFF, 0xE0, 0x5C};
}

QColor markText()
{
    return Qt::black;
}

QString searchPanelStyleSheet()
{
    return QStringLiteral("#Panel1 { background: #7E0305; }"
                          "#Label1 { color: white; }"
                          "QToolButton { color: white; border: none; border-radius: 3px; }"
                          "QToolButton:hover { background: rgba(255, 255, 255, 45); }"
                          "QToolButton:pressed { background: rgba(0, 0, 0, 60); }"
                          "#Edit1 { background: #F8F8F8; color: black; border: none;"
                          "  border-bottom: 1px solid #C9C9C9; padding-left: 3px; }");
}

QString previewStyleSheet()
{
    return QStringLiteral("#Memo1 { background: #F8F8F8; border: 1px solid #B4B4B4; }");
}

QString resultsStyleSheet()
{
    return QStringLiteral("#Wyniki { background: #E3E5E2; alternate-background-color: #E3E5E2;"
                          "  gridline-color: #C7CAC5; border: 1px solid #B4B4B4;"
                          "  selection-background-color: #7E0305; selection-color: white; }");
}

QString bottomBarStyleSheet()
{
    return QStringLiteral("#ziemia { background: #AEAEAE; }"
                          "QToolButton { border: none; padding-left: 2px; }"
                          "QToolButton:hover { background: #C4C4C4; }");
}

} // namespace tavir::looks
