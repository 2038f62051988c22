// The baseline of bench/startup.sh: a bare Qt window with one label, ending as soon as it is
// on the screen. Given WIDTHxHEIGHT, the label is resized to it first, to tell what a window's
// size alone costs.
#include <QApplication>
#include <QLabel>
#include <QWindow>

#include "bench/screen_clock.h"

#include <cstdio>

int main(int argc, char** argv)
{
    int width = 0;
    int height = 0;
    if (argc > 2 || (argc == 2 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2)) {
        std::fputs("usage: bench_bare_window [WIDTHxHEIGHT]\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Cytatów:"));
    if (width > 0 && height > 0)
        label.resize(width, height);
    label.show();
    while (!label.windowHandle() || !label.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    printScreenClock();
    return 0;
}
