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

#include <system_error>
#include <thread>

namespace tavir {

namespace {

// Reading the font configuration, its files and caches, is most of the first font look-up; on
// another core it is done by the time the window asks for its fonts. Where no thread can be
// started, that first look-up reads it.
std::jthread readFontConfiguration()
{
    try {
        return std::jthread([] { FcInit(); });
    } catch (const std::system_error&) {
        return {};
    }
}

} // namespace

int runProgram(char* programPath, const std::function<void()>& onShown)
{
    // What needs no display is begun on other cores before the program connects to one.
    const std::jthread fontConfiguration = readFontConfiguration();
    const std::string folder = applicationFolder();
    TMainFrm::Reading reading = TMainFrm::startReading(folder);
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
