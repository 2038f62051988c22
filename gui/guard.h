#pragma once

#include "gui/platform.h"
#include "gui/text.h"

#include <exception>

namespace tavir {

// The error's text as the standard error box shows it: a full stop is added unless the text
// is empty or already ends in a character at or below '.' (a full stop, blank, comma, hyphen,
// exclamation mark, line break...).
QString withFullStop(QString text);

// The application title: the caption of the standard error box.
QString applicationTitle();

void showStandardError(Platform& platform, QWidget* owner, const QString& text);

// Runs an event handler's body; an error that escapes it is shown in the standard error box
// and the program carries on. Qt must never see an exception.
template <typename Body> void guarded(Platform& platform, QWidget* owner, Body&& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        showStandardError(platform, owner, fromSystem(error.what()));
    }
}

} // namespace tavir
