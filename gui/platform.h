#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

#include <optional>

class QDialog;
class QWidget;

namespace tavir {

// Everything that would block a test or reach outside the process: message boxes, the
// standard dialogs, the clipboard and the desktop shell. The program passes the real one;
// tests pass a fake that records calls and returns scripted answers.
class Platform
{
public:
    virtual ~Platform() = default;

    // A question with Yes and No; owner null means a box with no owner window.
    virtual bool askYesNo(QWidget* owner, const QString& caption, const QString& text) = 0;
    // The standard error box: stop icon, one OK button, other windows blocked while it is up.
    virtual void showError(QWidget* owner, const QString& caption, const QString& text) = 0;

    // The chosen file name, or nothing when cancelled.
    virtual std::optional<QString> saveFileName(QWidget* owner, const QString& title,
                                                const QString& filter,
                                                const QString& previousName) = 0;
    // The chosen font, or nothing when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) = 0;
    // Shows a dialog modally and returns when it is closed.
    virtual void showModal(QDialog& dialog) = 0;

    // Replaces the clipboard with the text, as UTF-8 text and as the Windows-1250 bytes.
    virtual void setClipboardText(const QString& text, const QByteArray& windows1250) = 0;

    // Opens a document, a web address or a mail link with the desktop's handler; the result
    // is not looked at.
    virtual void open(const QString& target) = 0;
    // Prints a Windows-1250 text file on the default printer, sent as UTF-8 text through lp,
    // and waits (at most 15 s) for lp to take the job; raises with lp's own message when it
    // refuses (no printer, no default one) or cannot be run. The file is not changed.
    virtual void printTextFile(const QString& path) = 0;
};

} // namespace tavir
