// The real platform layer's dialogs, with a stand-in for the user where it waits for one.
#include "app/qt_platform.h"
#include "gui/design_font.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

using tavir::QtPlatform;

namespace {

// Instead of waiting for the user, does what `user` does to the dialog and then presses
// OK (or Cancel).
class ScriptedQtPlatform final : public QtPlatform
{
public:
    std::function<void(QDialog&)> user;
    int answer = QDialog::Accepted;
    int shown = 0;

protected:
    int exec(QDialog& dialog) override
    {
        ++shown;
        if (user)
            user(dialog);
        dialog.done(answer);
        return answer;
    }
};

} // namespace

class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    // The dialog opens on the installed face the design face is drawn in, with its bold and
    // italic styles to choose from, and a sample tall enough to show the size chosen.
    void fontDialogOpensOnAnInstalledFaceWithItsSample()
    {
        ScriptedQtPlatform platform;
        QString face;
        bool regular = false;
        QStringList styles;
        int sampleHeight = 0, lineHeight = 0;
        platform.user = [&](QDialog& dialog) {
            dialog.show();
            const QFont current = static_cast<QFontDialog&>(dialog).currentFont();
            face = current.family();
            regular = !current.bold() && !current.italic();
            styles = QFontDatabase::styles(face);
            for (auto* sample : dialog.findChildren<QLineEdit*>()) {
                if (sample->isReadOnly() || sample->objectName().contains(u"sample"_s)) {
                    sampleHeight = sample->height();
                    lineHeight = sample->fontMetrics().height();
                }
            }
        };
        QVERIFY(platform.chooseFont(nullptr, tavir::designFont(8)));
        QVERIFY2(QFontDatabase::families().contains(face), qPrintable(face));
        QVERIFY(regular); // the style the design face is drawn in, not the list's first
        const auto has = [&](bool bold, bool italic) {
            return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
                return QFontDatabase::bold(face, style) == bold &&
                       QFontDatabase::italic(face, style) == italic;
            });
        };
        QVERIFY2(has(false, false) && has(true, false) && has(false, true) && has(true, true),
                 qPrintable(face + u": "_s + styles.join(u", "_s)));
        QVERIFY2(
            lineHeight > 0 && sampleHeight >= 3 * lineHeight,
            qPrintable(u"sample %1 px for lines of %2 px"_s.arg(sampleHeight).arg(lineHeight)));
    }

    void fontDialogKeepsAFaceItCannotList()
    {
        const QFont list = tavir::designFont(8);
        const QFont preview = tavir::designFont(12);
        QVERIFY(!QFontDatabase::families().contains(list.family()));
        ScriptedQtPlatform platform;

        // OK without touching anything: the dialog shows a stand-in, yet nothing changes.
        for (const QFont& initial : {list, preview}) {
            QString preselected;
            platform.user = [&](QDialog& dialog) {
                preselected = static_cast<QFontDialog&>(dialog).currentFont().family();
            };
            const std::optional<QFont> chosen = platform.chooseFont(nullptr, initial);
            QVERIFY(chosen);
            QVERIFY(preselected != initial.family());
            QCOMPARE(chosen->family(), u"MS Sans Serif"_s);
            QCOMPARE(chosen->pointSize(), initial.pointSize());
            QVERIFY(!chosen->bold() && !chosen->italic());
        }

        // Only the size changed: the face still stays.
        platform.user = [](QDialog& dialog) {
            auto& fonts = static_cast<QFontDialog&>(dialog);
            QFont bigger = fonts.currentFont();
            bigger.setPointSize(14);
            fonts.setCurrentFont(bigger);
        };
        std::optional<QFont> chosen = platform.chooseFont(nullptr, list);
        QVERIFY(chosen);
        QCOMPARE(chosen->family(), u"MS Sans Serif"_s);
        QCOMPARE(chosen->pointSize(), 14);

        // Another face and style chosen: those.
        platform.user = [](QDialog& dialog) {
            static_cast<QFontDialog&>(dialog).setCurrentFont(
                QFont(u"DejaVu Serif"_s, 10, QFont::Bold));
        };
        chosen = platform.chooseFont(nullptr, list);
        QCOMPARE(chosen->family(), u"DejaVu Serif"_s);
        QCOMPARE(chosen->pointSize(), 10);
        QVERIFY(chosen->bold());

        // The dialog preselects this face's oblique style for its regular one ("Book").
        platform.user = nullptr;
        chosen = platform.chooseFont(nullptr, QFont(u"DejaVu Sans"_s, 9));
        QCOMPARE(chosen->family(), u"DejaVu Sans"_s);
        QCOMPARE(chosen->pointSize(), 9);
        QVERIFY(!chosen->italic());
        QCOMPARE(chosen->weight(), QFont::Normal);

        platform.answer = QDialog::Rejected;
        QVERIFY(!platform.chooseFont(nullptr, list));
        QCOMPARE(platform.shown, 6);
    }
};

QTEST_MAIN(TestQtPlatform)
#include "test_qt_platform.moc"
