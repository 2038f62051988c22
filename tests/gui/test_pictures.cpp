// The windows read their pictures as the PNG they are: showing them loads no image-format
// plugin (a picture read by its name alone loads them all), every picture is there, and the
// icons the style hands over unread are its own once drawn.
#include "gui/pictures.h"
#include "gui/tzaczekaj.h"
#include "tests/gui/window_fixture.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The image-format plugins mapped into this process.
QStringList imagePluginsLoaded()
{
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        return {u"(cannot read /proc/self/maps)"_s};
    QStringList found;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QString path = QString::fromLocal8Bit(line.mid(line.indexOf('/')));
        if (path.contains(u"/imageformats/"_s) && !found.contains(path))
            found << path;
    }
    return found;
}

} // namespace

class TestPictures : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    // First, before anything in this process has read a picture.
    void showingTheWindowsLoadsNoImagePlugin()
    {
        QApplication::setStyle(new tavir::DeferredIconsStyle);
        startOver("Ala ma kota\r\nkoniec\r\n");
        open();
        tavir::Tzaczekaj wait;
        wait.showAndPaint();
        QCOMPARE(imagePluginsLoaded(), QStringList());

        auto* about = child<QDialog>("Abfrm");
        for (const QLabel* label : {child<QLabel>("Image2"), about->findChild<QLabel*>(u"Image1"_s),
                                    wait.findChild<QLabel*>(u"Image1"_s)})
            QVERIFY2(label && !label->pixmap().isNull(), qPrintable(label->objectName()));
        QList<QToolButton*> buttons = about->findChildren<QToolButton*>();
        buttons << child<QToolButton>("SpeedButton1") << child<QToolButton>("SpeedButton4")
                << child<QToolButton>("SpeedButton5");
        for (const QToolButton* button : buttons)
            QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        QVERIFY(!results()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        finish();
    }

    void deferredIconsAreTheStylesOwn()
    {
        auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
        QVERIFY(style);
        for (const auto which : {QStyle::SP_ToolBarHorizontalExtensionButton,
                                 QStyle::SP_ToolBarVerticalExtensionButton}) {
            const QIcon own = style->baseStyle()->standardIcon(which);
            QVERIFY(!own.isNull());
            const QIcon deferred = style->standardIcon(which);
            QCOMPARE(deferred.pixmap(16).toImage(), own.pixmap(16).toImage());
            QCOMPARE(deferred.pixmap(QSize(16, 16), 2.0).toImage(),
                     own.pixmap(QSize(16, 16), 2.0).toImage());
        }
    }
};

QTEST_MAIN(TestPictures)

#include "test_pictures.moc"
