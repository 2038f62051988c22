#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace tavir {

// Where Windows-1250 bytes meet Qt's text.
QString fromWindows1250(std::string_view bytes);
// For showing a quotation: at most `limit` characters, the rest replaced by an ellipsis. A
// line of megabytes would otherwise stall the list and the preview while they lay it out;
// only what is shown is cut, never what is copied or saved.
QString shownText(std::string_view bytes, std::size_t limit);
std::string toWindows1250(const QString& text);
// For an HTML page: markup escaped, characters without a Windows-1250 form as references.
std::string toWindows1250Html(const QString& text);
QByteArray toByteArray(std::string_view bytes);
// Paths and system messages are UTF-8 on Linux.
QString fromSystem(std::string_view text);
std::string toSystem(const QString& text);

} // namespace tavir
