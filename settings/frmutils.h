#pragma once

#include "settings/font_record.h"
#include "settings/profile.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

// The form utilities: window placement, fonts and single numbers kept in the settings file.
// Every routine takes the settings file's full path and reads or writes it anew; a failed
// write raises "Unable to write to <path>". The writers also come adding to a batch of writes
// (profile::Batch), which writes the same bytes in one replace when committed.
namespace tavir {

// Section: the form's object name. Keys "left", "top" (outer frame on the screen), "width" and
// "height" (outer size; not written while maximized; for a form of fixed size, its size as
// applied before it showed), "window_state" (0 normal, 1 minimized, 2 maximized).
void WriteFormPlacement(const QWidget& form, const std::string& path);
void WriteFormPlacement(const QWidget& form, profile::Batch& batch);
// Each key falls back to the form's current value; the state is applied before the size, and
// the size is not read at all when the form ends up maximized.
void ReadFormPlacement(QWidget& form, const std::string& path);

// Where a window whose outer rectangle is `frame` goes so that it lies on one of the `screens`
// (their available areas): on the screen it overlaps most, or the first when it overlaps none
// (a monitor since unplugged); whole where it fits, else its top-left corner first, where the
// title bar is. A window already whole on a screen stays where it is.
QPoint keptOnScreen(const QRect& frame, const QList<QRect>& screens);
// Moves the form there, among the screens the window system reports.
void KeepOnScreen(QWidget& form);

// WriteFontSection and ReadFontSection need no Qt: they live with the font record, in
// settings/font_record.h.

// Writes `key` in the section "konfiguracja".
void WriteConfigInteger(std::string_view key, std::int32_t value, const std::string& path);
void WriteConfigInteger(std::string_view key, std::int32_t value, profile::Batch& batch);

// Between font records and Qt. Qt fonts carry no colour, so it travels beside them.
QFont toQFont(const FontRecord& font);
FontRecord fontRecord(const QFont& font, std::int32_t color);
// A stored system colour (a negative value, the colour of a part of the desktop's look such as
// window text) maps to the palette role that colours the same part here.
QColor toQColor(std::int32_t colorValue, const QPalette& palette);
std::int32_t colorValue(const QColor& color);
// Sets the control's font and its text colour (the Text and WindowText roles).
void applyFont(QWidget& control, const FontRecord& font);

} // namespace tavir
