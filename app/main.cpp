#include "app/bare_arguments.h"
#include "app/qt_platform.h"
#include "base/app_folder.h"
#include "gui/guard.h"
#include "gui/tmainfrm.h"
#include "quotes/product.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    tavir::BareArguments arguments(argc > 0 ? argv[0] : nullptr);
    QApplication app(arguments.count(), arguments.values());
    QCoreApplication::setApplicationName(tavir::applicationTitle());

    // Qt's own dialogs and buttons speak Polish ("Tak", "Nie", "Anuluj").
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);

    tavir::QtPlatform platform;
    try {
        tavir::TMainFrm window(platform, tavir::applicationFolder());
        window.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        tavir::showStandardError(platform, nullptr, tavir::fromSystem(error.what()));
        return 1;
    }
}
