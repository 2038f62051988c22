// The program entry hands Qt no command line: Qt's own options have no effect.
#include "app/bare_arguments.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <array>
#include <string>

using namespace Qt::StringLiterals;

class TestEntry : public QObject
{
    Q_OBJECT

private slots:
    void qtOptionsAreIgnored()
    {
        QCOMPARE(QCoreApplication::arguments(), QStringList{u"tavir"_s});
        QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        QWidget first;
        first.setWindowTitle(u"Tytuł"_s);
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QCOMPARE(first.windowHandle()->title(), u"Tytuł"_s);
        QCOMPARE(first.layoutDirection(), Qt::LeftToRight);
        // The platform named by the environment, without its options.
        QCOMPARE(QGuiApplication::platformName(),
                 qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0));
    }
};

int main(int argc, char** argv)
{
    // What a user might type: tavir -qwindowtitle Inny -reverse -style windows
    std::array<std::string, 6> typed{"tavir",    "-qwindowtitle", "Inny",
                                     "-reverse", "-style",        "windows"};
    std::array<char*, 7> commandLine{};
    for (std::size_t i = 0; i < typed.size(); ++i)
        commandLine[i] = typed[i].data();
    tavir::BareArguments arguments(commandLine[0]);
    QApplication app(arguments.count(), arguments.values());
    TestEntry test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_entry.moc"
