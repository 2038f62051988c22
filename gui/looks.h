#pragma once

#include <QString>

#include <string>

// The main window's texts and colours, kept apart from its logic.
namespace tavir::looks {

// The preview pane's greeting at start-up.
QString welcomeText();
// The hint row of the results list, in Windows-1250 like every row.
const std::string& hintText();
// Only the window's own controls: menus and dialogs keep the desktop's look.
QString mainWindowStyleSheet();

} // namespace tavir::looks
