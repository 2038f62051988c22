#pragma once

#include <QString>

#include <string>

// The main window's texts, its dialogs' texts and its colours, kept apart from its logic.
namespace tavir::looks {

// The preview pane's greeting at start-up.
QString welcomeText();
// The hint row of the results list, in Windows-1250 like every row.
const std::string& hintText();
// The questions the window asks, under one caption.
QString questionCaption();
QString closeQuestion();
QString onlineQuestion();
// The save dialog of the HTML export (the two blanks in its title are the program's own).
QString saveDialogTitle();
QString saveDialogFilter();
// Only the window's own controls: menus and dialogs keep the desktop's look.
QString mainWindowStyleSheet();

} // namespace tavir::looks
