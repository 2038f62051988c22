#pragma once

#include <QIcon>
#include <QPixmap>
#include <QProxyStyle>
#include <QString>

// Qt reads a picture given by its file name (QIcon, QPixmap, a Designer form's icons) by first
// offering it to every installed image-format plugin, which loads them all and the libraries
// they need: milliseconds of start-up, more where many plugins are installed. The program's
// pictures are all PNG in its resources and are read here as PNG, which needs none of them.
namespace tavir {

// A picture of the resources' folder "images", by its file name ("search.png").
QPixmap picture(const QString& name);
QIcon pictureIcon(const QString& name);

// The application's style with one change: the icons of the overflow buttons, which the menu
// bar asks for as it is made (and which the fixed-size window never shows), are read from the
// style only when first drawn.
class DeferredIconsStyle final : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace tavir
