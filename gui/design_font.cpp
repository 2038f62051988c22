#include "gui/design_font.h"

#include <QStringList>

namespace tavir {

QFont designFont(int points)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                    QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
        return true;
    }();
    Q_UNUSED(substituted);
    return QFont(QStringLiteral("MS Sans Serif"), points);
}

} // namespace tavir
