#pragma once

#include "gui/platform.h"

#include <memory>

class QMessageBox;

namespace tavir {

// The boxes the platform shows, built but not yet shown. Their texts carry data (file names,
// error texts), so they are always plain text, never rich text.
std::unique_ptr<QMessageBox> questionBox(QWidget* owner, const QString& caption,
                                         const QString& text);
std::unique_ptr<QMessageBox> errorBox(QWidget* owner, const QString& caption, const QString& text);

class QtPlatform : public Platform
{
public:
    bool askYesNo(QWidget* owner, const QString& caption, const QString& text) override;
    void showError(QWidget* owner, const QString& caption, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                        const QString& previousName) override;
    std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) override;
    void showModal(QDialog& dialog) override;
    void setClipboardText(const QString& text, const QByteArray& windows1250) override;
    void open(const QString& target) override;
    void printTextFile(const QString& path) override;

protected:
    // Runs a dialog modally and returns its result: the one place where the program waits
    // for the user, so that a test can stand in for the user here.
    virtual int exec(QDialog& dialog);
};

} // namespace tavir
