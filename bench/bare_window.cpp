// The baseline of bench/startup.sh: a bare Qt window with one label, ending as soon as it is
// on the screen.
#include <QApplication>
#include <QLabel>
#include <QWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Cytatów:"));
    label.show();
    while (!label.windowHandle() || !label.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return 0;
}
