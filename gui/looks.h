#pragma once

#include <QColor>
#include <QPalette>
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
// The colours the window's own controls are designed in, light whatever the desktop's scheme:
// they are drawn on fixed light backgrounds and pictures, so their text stays dark.
QPalette designPalette();
// The contrast of two colours as the Web Content Accessibility Guidelines reckon it, from 1 to
// 21; body text wants at least 4.5.
double contrastRatio(const QColor& a, const QColor& b);
// The About window's link colour: the design's dark red, or on a background it does not stand
// out from (a dark scheme), the palette's own link colour.
QColor linkColor(const QPalette& palette);
// The ground and text of what a query matched, where matches are drawn highlighted: dark text
// on yellow, readable on the light list, in a selected row and on any scheme.
QColor markBackground();
QColor markText();
// The style sheets of the main window's parts drawn in the design's own colours, each set on
// its part alone: menus and dialogs keep the desktop's look, and the other controls are not
// matched against rules that are not theirs.
QString searchPanelStyleSheet(); // the red panel: its label, search field and buttons
QString previewStyleSheet();
QString resultsStyleSheet();
QString bottomBarStyleSheet();

} // namespace tavir::looks
