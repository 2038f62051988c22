#include "app/qt_platform.h"

#include "gui/text.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

#include <cstddef>
#include <stdexcept>

namespace tavir {

std::unique_ptr<QMessageBox> questionBox(QWidget* owner, const QString& caption,
                                         const QString& text)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, caption, text,
                                             QMessageBox::Yes | QMessageBox::No, owner);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

std::unique_ptr<QMessageBox> errorBox(QWidget* owner, const QString& caption, const QString& text)
{
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

bool QtPlatform::askYesNo(QWidget* owner, const QString& caption, const QString& text)
{
    return exec(*questionBox(owner, caption, text)) == QMessageBox::Yes;
}

void QtPlatform::showError(QWidget* owner, const QString& caption, const QString& text)
{
    exec(*errorBox(owner, caption, text));
}

std::optional<QString> QtPlatform::saveFileName(QWidget* owner, const QString& title,
                                                const QString& filter, const QString& previousName)
{
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!previousName.isEmpty())
        dialog.selectFile(previousName);
    if (exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QFont> QtPlatform::chooseFont(QWidget* owner, const QFont& initial)
{
    // Opened on the face the stored one is drawn in: a face that is not installed (such as the
    // design face) would be listed as a stand-in offering only some of its styles.
    QFont shown = initial;
    const QFontInfo drawn(initial);
    shown.setFamily(drawn.family());
    shown.setStyleName(drawn.styleName());
    QFontDialog dialog(shown, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // Face, style and size only: the effects (underline, strike-out, colour) stay as they are.
    // The sample keeps the room they leave, so that a size is not chosen blind.
    for (auto* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            group->hide();
        for (auto* sample : group->findChildren<QLineEdit*>())
            sample->setMinimumHeight(4 * sample->fontMetrics().height());
    }
    // The dialog shows a stand-in for a face it cannot list (such as the design face), and
    // may preselect a style the font does not have. What the user leaves as preselected is
    // no choice: it stays as it was.
    const QFont preselected = dialog.currentFont();
    if (exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    QFont chosen = dialog.selectedFont();
    if (chosen.family() == preselected.family())
        chosen.setFamily(initial.family());
    if (chosen.weight() == preselected.weight() && chosen.style() == preselected.style()) {
        chosen.setStyleName(QString());
        chosen.setWeight(initial.weight());
        chosen.setStyle(initial.style());
    }
    if (chosen.pointSize() == preselected.pointSize() && initial.pointSize() > 0)
        chosen.setPointSize(initial.pointSize());
    return chosen;
}

void QtPlatform::showModal(QDialog& dialog)
{
    exec(dialog);
}

int QtPlatform::exec(QDialog& dialog)
{
    return dialog.exec();
}

void QtPlatform::setClipboardText(const QString& text, const QByteArray& windows1250)
{
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QStringLiteral("text/plain;charset=windows-1250"), windows1250);
    QApplication::clipboard()->setMimeData(data);
}

void QtPlatform::open(const QString& target)
{
    const QUrl url = target.contains(QLatin1String(":")) && !target.startsWith(QLatin1Char('/'))
                         ? QUrl(target)
                         : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

// CUPS reads text as UTF-8 whatever charset the document format names, so the file's
// Windows-1250 text goes to lp's standard input in UTF-8; the file itself is left as it is.
void QtPlatform::printTextFile(const QString& path)
{
    const auto failure = [&path](const QString& why) {
        return std::runtime_error(
            toSystem(QStringLiteral("Cannot print ") + path + QStringLiteral(": ") + why));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(toSystem(QStringLiteral("Cannot open file ") + path));
    const QByteArray bytes = file.readAll();
    const QByteArray text =
        fromWindows1250(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))
            .toUtf8();

    constexpr int kWaitMs = 15000;
    QProcess lp;
    lp.start(QStringLiteral("lp"), {QStringLiteral("-t"), QFileInfo(path).fileName()});
    if (!lp.waitForStarted(kWaitMs))
        throw failure(QStringLiteral("lp cannot be run: ") + lp.errorString());
    lp.write(text);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(kWaitMs)) {
        lp.kill();
        lp.waitForFinished();
        throw failure(QStringLiteral("lp gave no answer within 15 seconds"));
    }
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const QString said = QString::fromUtf8(lp.readAllStandardError()).trimmed();
        throw failure(said.isEmpty()
                          ? QStringLiteral("lp ended with exit status %1").arg(lp.exitCode())
                          : said);
    }
}

} // namespace tavir
