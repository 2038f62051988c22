#pragma once

#include "platform.h"

#include <QDialog>
#include <QTest>

#include <deque>
#include <optional>
#include <vector>

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
        if (answers.empty()) {
            QTest::qFail("unexpected question: " + text.toUtf8(), __FILE__, __LINE__);
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
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
        if (fileNames.empty()) {
            QTest::qFail("unexpected save dialog", __FILE__, __LINE__);
            return std::nullopt;
        }
        auto name = fileNames.front();
        fileNames.pop_front();
        return name;
    }

    std::optional<QFont> chooseFont(QWidget*, const QFont& initial) override
    {
        fontDialogs.push_back(initial);
        if (fonts.empty()) {
            QTest::qFail("unexpected font dialog", __FILE__, __LINE__);
            return std::nullopt;
        }
        auto font = fonts.front();
        fonts.pop_front();
        return font;
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
