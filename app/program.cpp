#include "app/program.h"

#include "app/bare_arguments.h"
#include "app/qt_platform.h"
#include "base/app_folder.h"
#include "gui/guard.h"
#include "gui/pictures.h"
#include "gui/text.h"
#include "gui/tmainfrm.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWindow>

#include <fontconfig/fontconfig.h>

namespace tavir {

int runProgram(char* programPath, const std::function<void()>& onShown)
{
    // Read on another core before the program connects to the display: the font configuration,
    // its files and caches (most of the first font look-up), then what the window shows.
    const std::string folder = applicationFolder();
    TMainFrm::Reading reading = TMainFrm::startReading(folder, [] { FcInit(); });
    BareArguments arguments(programPath);
    QApplication app(arguments.count(), arguments.values());
    QCoreApplication::setApplicationName(applicationTitle());
    QApplication::setStyle(new DeferredIconsStyle);

    // Qt's own dialogs and buttons speak Polish ("Tak", "Nie", "Anuluj").
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);

    QtPlatform platform;
    try {
        TMainFrm window(platform, folder, std::move(reading));
        window.show();
        if (onShown) {
            while (!window.windowHandle() || !window.windowHandle()->isExposed())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            onShown();
            return 0;
        }
        return QApplication::exec();
    } catch (const std::exception& error) {
        showStandardError(platform, nullptr, fromSystem(error.what()));
        return 1;
    }
}

} // namespace tavir
