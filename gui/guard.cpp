#include "gui/guard.h"

#include "quotes/product.h"

namespace tavir {

QString withFullStop(QString text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text += QLatin1Char('.');
    return text;
}

QString applicationTitle()
{
    return fromSystem(titleWithVersion());
}

void showStandardError(Platform& platform, QWidget* owner, const QString& text)
{
    platform.showError(owner, applicationTitle(), withFullStop(text));
}

} // namespace tavir
