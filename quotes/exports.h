#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// The bytes of what the export commands write, in Windows-1250.

// Every line followed by CR LF, the last one included; no lines give the empty text.
std::string textForm(const std::vector<std::string_view>& lines);
// The same a line at a time, into a buffer of the caller's: the room one line takes, and its
// bytes written at `out`, returning their end.
inline std::size_t textLineSize(std::string_view line)
{
    return line.size() + 2;
}
inline char* writeTextLine(char* out, std::string_view line)
{
    out = std::copy(line.begin(), line.end(), out);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// The page: the template's lines, a header naming the search text (already escaped for
// HTML), one list item per caption (escaped here) and the closing line with the product and
// the maker's address.
std::string htmlPage(const std::vector<std::string_view>& templateLines,
                     std::string_view searchTextHtml,
                     const std::vector<std::string_view>& captions);

// The print file: the captions as they are and a closing line citing the program.
std::string printText(const std::vector<std::string_view>& captions);

// The file an HTML export writes: the chosen name, with ".html" added unless it already
// ends in ".html" in any case.
std::string htmlTarget(std::string chosenName);

// Reads the template beside the program and writes the page to `target`, replacing it
// whole. Raises "Cannot open file <template>" (nothing written) or "Cannot create file
// <target>" (an existing target left as it was).
void saveHtmlPage(const std::string& applicationFolder, const std::string& target,
                  std::string_view searchTextHtml, const std::vector<std::string_view>& captions);

// Writes the print file at `path` (FilePlaces::printFile), making its folder when missing, and
// returns the path; raises "Cannot create file <path>".
std::string writePrintFile(const std::string& path, const std::vector<std::string_view>& captions);

} // namespace tavir
