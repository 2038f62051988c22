#include "app/guard.h"

#include "quotes/product.h"

QString withFullStop(QString text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text += QLatin1Char('.');
    return text;
}

QString applicationTitle()
{
    return fromSystem(tavir::titleWithVersion());
}

void showStandardError(Platform& platform, QWidget* owner, const QString& text)
{
    platform.showError(owner, applicationTitle(), withFullStop(text));
}
