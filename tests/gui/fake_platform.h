#pragma once

#include "gui/platform.h"

#include <QDialog>
#include <QTest>

#include <deque>
#include <optional>
#include <vector>

using tavir::Platform;

// Records every call and answers from a script. A question or dialog with no scripted answer
// fails the test at once instead of blocking it.
class FakePlatform final : public Platform
{
public:
    struct Question
    {
        QWidget* owner;
        QString caption;
        QString text;
    };
    struct SaveDialog
    {
        QString title;
        QString filter;
        QString previousName;
    };

    bool askYesNo(QWidget* owner, const QString& caption, const QString& text) override
    {
        questions.push_back({owner, caption, text});
        return takeScripted(answers, false, "unexpected question");
    }

    void showError(QWidget*, const QString& caption, const QString& text) override
    {
        errorCaptions.push_back(caption);
        errors.push_back(text);
    }

    std::optional<QString> saveFileName(QWidget*, const QString& title, const QString& filter,
                                        const QString& previousName) override
    {
        saveDialogs.push_back({title, filter, previousName});
        return takeScripted(fileNames, {}, "unexpected save dialog");
    }

    std::optional<QFont> chooseFont(QWidget*, const QFont& initial) override
    {
        fontDialogs.push_back(initial);
        return takeScripted(fonts, {}, "unexpected font dialog");
    }

    void showModal(QDialog& dialog) override
    {
        modals.push_back(&dialog);
        dialog.show();
    }

    void setClipboardText(const QString& text, const QByteArray& windows1250) override
    {
        clipboardText = text;
        clipboardBytes = windows1250;
        ++clipboardWrites;
    }

    void open(const QString& target) override { opened.push_back(target); }
    void printTextFile(const QString& path) override { printed.push_back(path); }

private:
// GCC 12 reports std::optional<QString> moved out of a deque as maybe uninitialised, a known
// false positive of its optional handling.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
    template <typename T> static T takeScripted(std::deque<T>& script, T fallback, const char* what)
    {
        if (script.empty()) {
            QTest::qFail(what, __FILE__, __LINE__);
            return fallback;
        }
        T answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
#pragma GCC diagnostic pop

public:
    std::deque<bool> answers;
    std::deque<std::optional<QString>> fileNames;
    std::deque<std::optional<QFont>> fonts;

    std::vector<Question> questions;
    std::vector<QString> errors;
    std::vector<QString> errorCaptions;
    std::vector<SaveDialog> saveDialogs;
    std::vector<QFont> fontDialogs;
    std::vector<QDialog*> modals;
    QString clipboardText;
    QByteArray clipboardBytes;
    int clipboardWrites = 0;
    std::vector<QString> opened;
    std::vector<QString> printed;
};
